// Transport, slider and command panel on a real core with generated recordings.

#include <gtest/gtest.h>

#include "playback/MarkText.h"
#include "support/ViewerRig.h"

namespace {

constexpr int kManyFrames = 120;  // about 2.3 MB: several windows
constexpr int kFewFrames = 12;    // well under one window

struct CommandCase {
  int index;
  PlayMode mode;
  bool timer;
  int interval;
  int yellow;  // lamp turned yellow, -1 none
};

TEST(Transport, CommandTable) {
  for (const CommandCase& c : {CommandCase{0, PlayMode::Stopped, false, 0, -1}, {1, PlayMode::FastestBackward, true, 20, 1},
                               {2, PlayMode::FastBackward, true, 20, 2}, {3, PlayMode::Backward, true, 100, 3},
                               {4, PlayMode::Stopped, false, 0, -1}, {5, PlayMode::Stopped, false, 0, -1},
                               {6, PlayMode::Stopped, false, 0, -1}, {7, PlayMode::Forward, true, 100, 7},
                               {8, PlayMode::FastForward, true, 20, 8}, {9, PlayMode::FastestForward, true, 20, 9},
                               {10, PlayMode::Stopped, false, 0, -1}}) {
    SCOPED_TRACE(c.index);
    ViewerRig rig(kFewFrames);
    Viewer& v = rig.start();
    v.imgCmd_Click(c.index);
    EXPECT_EQ(v.st.mode(), c.mode);
    EXPECT_EQ(v.screen.timPlayEnabled, c.timer);
    if (c.timer) {
      EXPECT_EQ(v.screen.timPlayInterval, c.interval);
    }
    for (int k = 0; k < kTransportButtons; ++k)
      EXPECT_EQ(v.screen.shCmd[k], k == c.yellow ? Colour::Yellow : Colour::Blue) << k;
  }
}

TEST(Transport, PlaysThroughAMultiWindowRecordingAndStaysAtEachEnd) {
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  ASSERT_EQ(rig.shownFrame(), 0);
  for (int k = 1; k < kManyFrames; ++k) {
    v.timPlay_Timer();
    ASSERT_EQ(rig.shownFrame(), k);
  }
  // Playback does not stop at the end: ticks find nothing and change nothing.
  const FilePos window = v.st.WindowPos;
  for (int k = 0; k < 3; ++k) v.timPlay_Timer();
  EXPECT_EQ(rig.shownFrame(), kManyFrames - 1);
  EXPECT_EQ(v.st.WindowPos, window);
  EXPECT_EQ(v.st.mode(), PlayMode::Forward);
  EXPECT_EQ(v.screen.shCmd[7], Colour::Yellow);

  v.imgCmd_Click(3);  // play backward to the start
  for (int k = kManyFrames - 2; k >= 0; --k) {
    v.timPlay_Timer();
    ASSERT_EQ(rig.shownFrame(), k);
  }
  v.timPlay_Timer();
  EXPECT_EQ(rig.shownFrame(), 0);
  EXPECT_EQ(v.st.WindowPos, 1);
}

TEST(Transport, StepsMoveThePictureButNotTheKnob) {
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  const float knob = v.screen.imgSuwakLeft;
  v.imgCmd_Click(6);
  v.imgCmd_Click(6);
  EXPECT_EQ(rig.shownFrame(), 2);
  EXPECT_EQ(v.screen.imgSuwakLeft, knob) << "knob not moved by steps";
  v.imgCmd_Click(4);
  EXPECT_EQ(rig.shownFrame(), 1);
  v.imgCmd_Click(4);
  v.imgCmd_Click(4);  // from the first frame: nothing
  EXPECT_EQ(rig.shownFrame(), 0);
}

TEST(Transport, ToEndAndToStart) {
  for (int frames : {kFewFrames, kManyFrames}) {
    SCOPED_TRACE(frames);
    ViewerRig rig(frames);
    Viewer& v = rig.start();
    v.imgCmd_Click(10);
    EXPECT_EQ(rig.shownFrame(), frames - 1);
    EXPECT_EQ(v.st.WindowPos, std::max<FilePos>(v.st.FileLength - 999'998, 1));
    v.imgCmd_Click(0);
    EXPECT_EQ(rig.shownFrame(), 0);
    EXPECT_EQ(v.st.WindowPos, 1);
    EXPECT_FLOAT_EQ(v.screen.imgSuwakLeft, 22.0f + 479.0f * static_cast<float>(rig.records[0].jpegPos) /
                                                       static_cast<float>(v.st.FileLength));
  }
}

TEST(Transport, FastestModesPinAtTheEnds) {
  ViewerRig big(kManyFrames);
  Viewer& v = big.start();
  v.imgCmd_Click(9);
  for (int k = 0; k < 30; ++k) v.timPlay_Timer();
  EXPECT_EQ(v.st.WindowPos, v.st.FileLength - 1'000'000);
  const int pinned = big.shownFrame();
  v.timPlay_Timer();
  EXPECT_EQ(big.shownFrame(), pinned);
  v.imgCmd_Click(1);
  for (int k = 0; k < 30; ++k) v.timPlay_Timer();
  EXPECT_EQ(v.st.WindowPos, 1);
  EXPECT_EQ(big.shownFrame(), 0);

  // A small file is not pinned: the window runs past the end, the picture stays,
  // and the knob goes beyond the right end of its track.
  ViewerRig small(kFewFrames);
  Viewer& s = small.start();
  s.imgCmd_Click(9);
  s.timPlay_Timer();
  EXPECT_EQ(s.st.WindowPos, 200'001);
  for (int k = 0; k < 20; ++k) s.timPlay_Timer();
  EXPECT_GT(s.st.WindowPos, s.st.FileLength);
  EXPECT_LE(s.st.WindowPos, s.st.FileLength + 200'000) << "stops growing past the end";
  EXPECT_GT(s.screen.imgSuwakLeft, 501.0f);
}

TEST(Transport, PressAndReleaseFaces) {
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start(QStringLiteral("")); // idle: PlayState 255, lamps grey
  v.imgCmd_MouseDown(4);
  EXPECT_EQ(v.screen.imgCmdPicture[4], 16);
  EXPECT_EQ(v.screen.shCmd[4], Colour::LightGrey);
  v.imgCmd_Click(4);  // nothing with no recording
  v.imgCmd_MouseUp(4);
  EXPECT_EQ(v.screen.imgCmdPicture[4], 5);
  EXPECT_EQ(v.screen.shCmd[4], Colour::Grey);

  // During an export: any click turns the lamps blue; only stop asks to stop.
  ViewerRig rig2(kFewFrames);
  Viewer& e = rig2.start();
  e.CmdOnlyStop();
  e.st.setMode(PlayMode::Exporting);
  e.imgCmd_MouseDown(9);
  EXPECT_EQ(e.screen.shCmd[9], Colour::LightGrey) << "light grey stays while held";
  e.imgCmd_MouseUp(9);
  EXPECT_EQ(e.screen.shCmd[9], Colour::Grey);
  e.imgCmd_Click(9);
  EXPECT_EQ(e.screen.shCmd[9], Colour::Blue);
  EXPECT_FALSE(e.st.StopRequested);
  EXPECT_EQ(e.st.mode(), PlayMode::Exporting);
  e.imgCmd_MouseDown(7);
  EXPECT_EQ(e.screen.shCmd[7], Colour::LightCyan);
  e.imgCmd_Click(5);
  EXPECT_TRUE(e.st.StopRequested);
}

TEST(Slider, KnobReleaseSeeksToItsPosition) {
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  v.imgSuwak_MouseDown(1, 150.4, 10);
  EXPECT_EQ(v.st.SliderGrabX, 150);
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped);
  EXPECT_FALSE(v.screen.timPlayEnabled);
  v.screen.imgSuwakLeft = 22;  // released at the left end: the first frame
  v.imgSuwak_MouseUp();
  EXPECT_EQ(rig.shownFrame(), 0);
  v.screen.imgSuwakLeft = 501;  // at the right end: pinned a window before the end
  v.imgSuwak_MouseUp();
  EXPECT_EQ(v.st.WindowPos, v.st.FileLength - 1'000'000);
  EXPECT_GE(rig.shownFrame(), 0);
  const int there = rig.shownFrame();
  v.imgSuwak_MouseUp();  // the same knob position shows the same frame
  EXPECT_EQ(rig.shownFrame(), there);
}

TEST(Slider, SmallFilesKnobAgainstBar) {
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start();
  v.imgCmd_Click(10);
  const int last = rig.shownFrame();
  v.screen.imgSuwakLeft = 501;
  v.imgSuwak_MouseUp();  // window at the file's end: no frame, picture stays
  EXPECT_EQ(v.st.WindowPos, v.st.FileLength);
  EXPECT_EQ(v.st.FrameStart, -1);
  v.screen.imgSuwakLeft = 300;
  v.imgSuwak_MouseUp();  // proportional: some frame in the middle
  EXPECT_GT(v.st.WindowPos, 1);
  (void)last;
  v.screen.imgSuwakLeft = 300;
  v.imgBottom_MouseUp();  // the bar always goes to the first frame of a small file
  EXPECT_EQ(v.st.WindowPos, 1);
  EXPECT_EQ(rig.shownFrame(), 0);
}

TEST(Slider, DragFollowsThePointerWithinTheKnobsHeight) {
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start();
  v.imgSuwak_MouseDown(1, 45, 60);  // grabbed 3 px into the knob
  v.imgSuwak_MouseMove(1, 45 + 15 * 40, 60);
  EXPECT_EQ(v.screen.imgSuwakLeft, 62);
  v.imgSuwak_MouseMove(1, 45 + 15 * 10, -1);  // above the knob: it stays
  EXPECT_EQ(v.screen.imgSuwakLeft, 62);
  v.imgSuwak_MouseMove(1, 45 + 15 * 10, 241);  // below
  EXPECT_EQ(v.screen.imgSuwakLeft, 62);
  v.imgSuwak_MouseMove(1, 45 + 15 * 10, 240);  // back within: it jumps
  EXPECT_EQ(v.screen.imgSuwakLeft, 72);
  v.imgSuwak_MouseMove(1, 45 - 15 * 500, 0);  // clamped to the track
  EXPECT_EQ(v.screen.imgSuwakLeft, 22);
  v.imgSuwak_MouseMove(1, 45 + 15 * 900, 0);
  EXPECT_EQ(v.screen.imgSuwakLeft, 501);
  v.imgSuwak_MouseMove(0, 0, 0);  // a move without the button ends the drag
  EXPECT_FALSE(v.st.SliderDragging);
  v.imgSuwak_MouseMove(1, 45 - 15 * 100, 0);
  EXPECT_EQ(v.screen.imgSuwakLeft, 501);
}

TEST(Slider, IgnoredWithoutRecordingAndDuringExport) {
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start(QStringLiteral(""));
  v.imgSuwak_MouseDown(1, 0, 0);
  EXPECT_FALSE(v.st.SliderDragging);
  EXPECT_EQ(v.st.mode(), PlayMode::NoRecording);

  ViewerRig rig2(kFewFrames);
  Viewer& e = rig2.start();
  e.st.setMode(PlayMode::Exporting);
  const FilePos pos = e.st.WindowPos;
  e.imgSuwak_MouseDown(1, 0, 0);
  e.screen.imgSuwakLeft = 400;
  e.imgSuwak_MouseUp();
  e.imgBottom_MouseUp();
  EXPECT_EQ(e.st.mode(), PlayMode::Exporting);
  EXPECT_EQ(e.st.WindowPos, pos);
}

TEST(Slider, EmptyRecordingKeepsTheKnobAtTheStart) {
  QTemporaryDir dir;
  const QString path = dir.filePath("empty.mjp");
  { QFile f(path); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }
  ScriptedModal modal;
  ModalScope scope(modal);
  Viewer v;
  v.StartUp(path);
  EXPECT_EQ(v.st.mode(), PlayMode::Forward);
  EXPECT_EQ(v.screen.imgSuwakLeft, 22.0f);
  v.timPlay_Timer();
  v.imgCmd_Click(10);
  v.imgSuwak_MouseUp();
  EXPECT_EQ(v.screen.imgSuwakLeft, 22.0f);
  EXPECT_TRUE(modal.shown.empty());
}

TEST(CommandPanel, OpenThroughTheDialog) {
  ViewerRig second(kManyFrames, 2);  // made first: the modal of `first` is the one in force
  ViewerRig first(kFewFrames, 1);
  Viewer& v = first.start();
  v.imgCmd_Click(5);

  // Cancel: nothing changes.
  const FilePos length = v.st.FileLength;
  v.imgRightCmd_Click(0);
  ASSERT_EQ(first.modal.fileRequests.size(), 1u);
  const FileDialogRequest& r = first.modal.fileRequests[0];
  EXPECT_EQ(r.title, "Wybierz plik z zapisanym obrazem");
  EXPECT_EQ(r.filter, " pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
  EXPECT_EQ(v.st.FileLength, length);
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped);

  // A recording with a long name opens, plays, and its name is shortened.
  const QString longName = second.folder() + "/nagranie_z_kamery_R208_2026.MJP";
  ASSERT_TRUE(QFile::copy(second.path(), longName));
  first.modal.files.push_back(longName);
  v.module.MarkStart = 77;
  v.screen.shIco[3] = Colour::MarkGreen;
  v.imgRightCmd_Click(0);
  EXPECT_EQ(v.st.RecordingPath, longName);
  EXPECT_EQ(first.modal.fileRequests.back().fileName, "");
  EXPECT_EQ(v.screen.lblFile, "... ery_R208_2026.MJP");
  EXPECT_EQ(v.st.FileLength, QFileInfo(longName).size());
  EXPECT_EQ(v.st.mode(), PlayMode::Forward);
  EXPECT_EQ(v.screen.shCmd[7], Colour::Yellow);
  EXPECT_EQ(v.screen.shIco[3], Colour::Orange);
  EXPECT_EQ(v.module.MarkStart, 77) << "marks survive an open";
  EXPECT_EQ(v.st.FrameStart + v.st.WindowPos, second.records[0].jpegPos);

  // A file that cannot be opened: silently, playback stops, nothing stale is shown.
  first.modal.files.push_back(first.folder() + "/missing.mjp");
  v.imgRightCmd_Click(0);
  EXPECT_EQ(first.modal.fileRequests.back().fileName, longName);
  EXPECT_TRUE(first.modal.shown.empty());
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped);
  EXPECT_FALSE(v.screen.timPlayEnabled);
  v.imgCmd_Click(6);
  v.imgCmd_Click(10);
  v.imgCmd_Click(0);
  EXPECT_EQ(v.st.FrameStart, -1);
  EXPECT_FALSE(QFile::exists(first.folder() + "/missing.mjp"));
}

TEST(CommandPanel, GreyRowsAndExportsRefuse) {
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start(QStringLiteral(""));
  for (int row : {1, 2, 3}) v.imgRightCmd_Click(row);
  EXPECT_EQ(rig.modal.timeShown, 0);
  EXPECT_EQ(v.module.MarkStart, -1);

  ViewerRig rig2(kFewFrames);
  Viewer& e = rig2.start();
  e.imgRightCmd_Click(1);
  EXPECT_EQ(rig2.modal.timeShown, 1);
  e.st.setMode(PlayMode::Exporting);
  e.imgRightCmd_Click(1);
  e.imgRightCmd_Click(0);
  e.imgRightCmd_Click(3);
  EXPECT_EQ(rig2.modal.timeShown, 1);
  EXPECT_TRUE(rig2.modal.fileRequests.empty());
  EXPECT_EQ(e.module.MarkStart, -1);
}

TEST(CommandPanel, MarkingForwardBackwardAndZeroLength) {
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  v.imgCmd_Click(5);
  const auto& f = rig.records;

  v.imgRightCmd_Click(3);
  EXPECT_EQ(v.screen.shIco[3], Colour::MarkGreen);
  EXPECT_EQ(v.module.MarkStart, f[0].jpegPos);
  EXPECT_EQ(v.module.MarkEnd, -1);
  v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);  // forward over two frames: both included
  EXPECT_EQ(v.screen.shIco[3], Colour::Orange);
  EXPECT_EQ(v.module.MarkStart, f[0].jpegPos);
  EXPECT_EQ(v.module.MarkEnd, f[1].EndPos());
  ASSERT_EQ(rig.modal.shown.size(), 1u);
  EXPECT_EQ(rig.modal.shown[0].text,
            "Zaznaczono sekwencję o długości " + MegabytesText(f[1].EndPos() - f[0].jpegPos) + " MB.");
  EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::Information);

  v.imgRightCmd_Click(3);  // backward over the same two frames: both excluded
  v.imgCmd_Click(4);
  v.imgRightCmd_Click(3);
  EXPECT_EQ(v.module.MarkStart, f[0].EndPos());
  EXPECT_EQ(v.module.MarkEnd, f[1].jpegPos);

  v.imgRightCmd_Click(3);  // the same frame twice
  v.imgRightCmd_Click(3);
  EXPECT_EQ(rig.modal.shown.back().text, "Wybrano sekwencję o zerowej długości !");
  EXPECT_EQ(v.module.MarkStart, -1);
  EXPECT_EQ(v.module.MarkEnd, -1);
  QLocale::setDefault(QLocale::c());
}

TEST(CommandPanel, SizeTextKeepsTheLocalesSeparator) {
  struct Case {
    std::int64_t bytes;
    const char* polish;
    const char* english;
  };
  for (const Case& c : {Case{2'000'000, "2,", "2."}, {1'500'000, "1,5", "1.5"}, {1'234'567, "1,23", "1.23"},
                        {999, "0,", "0."}, {12'345'678'901, "12345,68", "12345.68"}, {5'000, "0,01", "0.01"}}) {
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    EXPECT_EQ(MegabytesText(c.bytes), QString::fromUtf8(c.polish)) << c.bytes;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(MegabytesText(c.bytes), QString::fromUtf8(c.english)) << c.bytes;
  }
  QLocale::setDefault(QLocale::c());
}

}  // namespace
