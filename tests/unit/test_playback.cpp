// Transport, slider and command panel on a real core with generated recordings.

#include <gtest/gtest.h>

#include "playback/MarkText.h"
#include "support/TempRecording.h"
#include "support/ViewerRig.h"

namespace {

constexpr int kManyFrames = 120;  // about 2.3 MB: several windows
constexpr int kFewFrames = 12;    // well under one window

void releaseKnobAt(Viewer& v, float left) {
  v.screen.imgSuwakLeft = left;
  v.imgSuwak_MouseUp();
}

// One viewer, every button in turn: the mode, the timer interval (0: off) and only
// the pressed button's lamp yellow, whatever ran before.
TEST(Transport, CommandTable) {
  struct Case { int index; PlayMode mode; int interval; };
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start();
  for (const Case& c : {Case{0, PlayMode::Stopped, 0}, {1, PlayMode::FastestBackward, 20},
                        {2, PlayMode::FastBackward, 20}, {3, PlayMode::Backward, 100}, {4, PlayMode::Stopped, 0},
                        {9, PlayMode::FastestForward, 20}, {5, PlayMode::Stopped, 0}, {6, PlayMode::Stopped, 0},
                        {7, PlayMode::Forward, 100}, {8, PlayMode::FastForward, 20}, {10, PlayMode::Stopped, 0}}) {
    SCOPED_TRACE(c.index);
    v.imgCmd_Click(c.index);
    EXPECT_EQ(std::pair(v.st.mode(), v.screen.timPlayEnabled ? v.screen.timPlayInterval : 0),
              std::pair(c.mode, c.interval));
    for (int k = 0; k < kTransportButtons; ++k)
      EXPECT_EQ(v.screen.shCmd[k], k == c.index && c.interval > 0 ? Colour::Yellow : Colour::Blue) << k;
  }
}

// Steps, both ends, playing and the fastest modes on a short and a multi-window file.
TEST(Transport, WalksBothWaysThroughShortAndLongFiles) {
  const int steps[][2] = {{6, 1}, {6, 2}, {4, 1}, {4, 0}, {4, 0}};  // button, frame shown; none before the first
  for (int frames : {kFewFrames, kManyFrames}) {
    SCOPED_TRACE(frames);
    ViewerRig rig(frames);
    Viewer& v = rig.start();
    const float knob = v.screen.imgSuwakLeft;
    const auto play = [&](int button, int ticks) {  // the frame shown after the button (-1: none) and so many ticks
      if (button >= 0) v.imgCmd_Click(button);
      for (int k = 0; k < ticks; ++k) v.timPlay_Timer();
      return rig.shownFrame();
    };
    for (const auto& [button, frame] : steps) {
      EXPECT_EQ(play(button, 0), frame);
      EXPECT_EQ(v.screen.imgSuwakLeft, knob) << "steps leave the knob";
    }
    EXPECT_EQ(play(10, 0), frames - 1);  // the last window's last frame
    EXPECT_EQ(v.st.WindowPos, std::max<FilePos>(v.st.FileLength - 999'998, 1));
    EXPECT_EQ(play(0, 0), 0);
    EXPECT_EQ(v.st.WindowPos, 1);
    EXPECT_FLOAT_EQ(knob, 22.0f + 479.0f * float(rig.records[0].jpegPos) / float(v.st.FileLength));

    v.imgCmd_Click(7);  // one frame a tick, and no stop at either end: more ticks change nothing
    for (int k = 1; k < frames + 3; ++k) ASSERT_EQ(play(-1, 1), std::min(k, frames - 1));
    EXPECT_EQ(v.st.mode(), PlayMode::Forward);
    v.imgCmd_Click(3);
    for (int k = frames - 2; k >= -1; --k) ASSERT_EQ(play(-1, 1), std::max(k, 0));

    // 200,000 bytes a tick: pinned a window before a long file's end, past a short file's, growing no more there.
    play(9, 1);
    EXPECT_EQ(v.st.WindowPos, 200'001);
    const int shown = play(9, 30);
    if (frames == kManyFrames) EXPECT_EQ(v.st.WindowPos, v.st.FileLength - 1'000'000);
    else EXPECT_TRUE(v.st.WindowPos > v.st.FileLength && v.st.WindowPos <= v.st.FileLength + 200'000);
    EXPECT_EQ(play(9, 1), shown);
    EXPECT_EQ(play(1, 30), 0);
    EXPECT_EQ(v.st.WindowPos, 1);
  }
}

TEST(Panels, IdleAndExportingViewersIgnoreAllButStop) {  // an export owns the window
  for (bool exporting : {false, true}) {
    SCOPED_TRACE(exporting);
    ViewerRig rig(kFewFrames);
    Viewer& v = rig.start(exporting ? QString() : QStringLiteral(""));
    if (exporting) v.EnterExportState();
    const auto before = std::tuple(v.st.mode(), v.st.WindowPos, FilePos{-1}, false);
    v.imgCmd_MouseDown(9);
    EXPECT_EQ(v.screen.shCmd[9], Colour::LightGrey) << "light grey stays while held";
    v.imgCmd_MouseUp(9);
    EXPECT_EQ(v.screen.shCmd[9], Colour::Grey);
    v.imgCmd_Click(9);  // an export's lamps turn blue
    v.imgCmd_MouseDown(7);
    EXPECT_EQ(v.screen.shCmd[7], exporting ? Colour::LightCyan : Colour::LightGrey);
    v.imgSuwak_MouseDown(1, 0, 0);
    releaseKnobAt(v, 400);
    v.imgBottom_MouseUp();
    for (int row : {exporting ? 0 : 1, 1, 2, 3}) v.imgRightCmd_Click(row);
    EXPECT_EQ(std::tuple(v.st.mode(), v.st.WindowPos, v.module.MarkStart, v.st.StopRequested), before);
    EXPECT_EQ(rig.modal.timeShown + rig.modal.saveOptionsShown + rig.modal.fileRequests.size(), 0u);
    v.imgCmd_Click(5);
    EXPECT_EQ(v.st.StopRequested, exporting);
  }
}

// Grabbing the knob stops playback. Released at the left end: the first frame; at the
// right end: a window before the end of a long file, the end of a short one (no frame).
TEST(Slider, DragAndReleaseSeekToTheKnobsPlace) {
  ViewerRig many(kManyFrames), few(kFewFrames);
  Viewer& v = many.start();
  v.imgSuwak_MouseDown(1, 150.4, 10);
  EXPECT_EQ(std::tuple(v.st.SliderGrabX, v.st.mode(), v.screen.timPlayEnabled),
            std::tuple(std::int16_t{150}, PlayMode::Stopped, false));
  releaseKnobAt(v, 22);
  EXPECT_EQ(many.shownFrame(), 0);
  releaseKnobAt(v, 501);
  EXPECT_EQ(v.st.WindowPos, v.st.FileLength - 1'000'000);
  const int there = many.shownFrame();
  v.imgSuwak_MouseUp();  // the same knob position shows the same frame
  EXPECT_EQ(many.shownFrame(), there);
  EXPECT_GE(there, 0);

  Viewer& s = few.start();
  releaseKnobAt(s, 501);
  EXPECT_EQ(std::pair(s.st.WindowPos, s.st.FrameStart), std::pair(s.st.FileLength, WindowIndex{-1}));
  releaseKnobAt(s, 300);
  EXPECT_GT(s.st.WindowPos, 1) << "proportional";
  s.imgBottom_MouseUp();  // the bar: always the first frame of a short file
  EXPECT_EQ(std::pair(few.shownFrame(), s.st.WindowPos), std::pair(0, FilePos{1}));

  // A drag follows the pointer within the knob's height, clamped to the track, until the button is up.
  struct Move { int button, pixels; double y; float left; };  // pixels from the grab, 15 twips each
  s.imgSuwak_MouseDown(1, 45, 60);  // grabbed 3 px into the knob, at its start
  for (const Move& m : {Move{1, 40, 60, 62}, {1, 10, -1, 62}, {1, 10, 241, 62}, {1, 10, 240, 72}, {1, -500, 0, 22},
                        {1, 900, 0, 501}, {0, 0, 0, 501}, {1, -100, 0, 501}}) {
    s.imgSuwak_MouseMove(m.button, 45 + 15 * m.pixels, m.y);
    EXPECT_EQ(s.screen.imgSuwakLeft, m.left) << m.pixels << " " << m.y;
  }
}

TEST(Slider, EmptyRecordingKeepsTheKnobAtTheStart) {
  const TempRecording empty({});
  ViewerRig rig(1);
  Viewer& v = rig.start(empty.path());
  for (int button : {9, 10, 0}) v.imgCmd_Click(button);
  v.timPlay_Timer();
  v.imgSuwak_MouseUp();
  EXPECT_EQ(v.screen.imgSuwakLeft, 22.0f);
  EXPECT_TRUE(rig.modal.shown.empty());
}

TEST(CommandPanel, OpenThroughTheDialog) {
  ViewerRig second(kManyFrames, 2), first(kFewFrames, 1);  // `first`'s modal, made last, is in force
  Viewer& v = first.start();
  v.imgCmd_Click(5);
  const auto& asked = first.modal.fileRequests;
  v.imgRightCmd_Click(0);  // cancelled: nothing changes
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, "Wybierz plik z zapisanym obrazem");
  EXPECT_EQ(asked[0].filter, " pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
  EXPECT_EQ(v.st.mode(), PlayMode::Stopped);

  const QString longName = second.folder() + "/nagranie_z_kamery_R208_2026.MJP", missing = first.folder() + "/x.mjp";
  ASSERT_TRUE(QFile::copy(second.path(), longName));
  first.modal.files = {longName, missing};
  v.module.MarkStart = 77;
  v.screen.shIco[3] = Colour::MarkGreen;
  v.imgRightCmd_Click(0);  // a long name: opens, plays, is shortened; the marks survive
  EXPECT_EQ(v.screen.lblFile, "... ery_R208_2026.MJP");
  EXPECT_EQ(std::tuple(v.st.FileLength, v.st.mode(), v.screen.shIco[3], v.module.MarkStart),
            std::tuple(QFileInfo(longName).size(), PlayMode::Forward, Colour::Orange, FilePos{77}));
  EXPECT_EQ(v.st.FrameStart + v.st.WindowPos, second.records[0].jpegPos);

  v.imgRightCmd_Click(0);  // a file that cannot be opened: silently stops, shows nothing stale
  EXPECT_EQ(asked.back().fileName, longName);
  EXPECT_TRUE(first.modal.shown.empty());
  EXPECT_EQ(std::pair(v.st.mode(), v.screen.timPlayEnabled), std::pair(PlayMode::Stopped, false));
  for (int button : {6, 10, 0}) v.imgCmd_Click(button);
  EXPECT_EQ(v.st.FrameStart, -1);
  EXPECT_FALSE(QFile::exists(missing));
}

TEST(CommandPanel, MarkingForwardBackwardAndZeroLength) {
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  const auto& f = rig.records;
  const auto mark = [&](int step) {  // a transport button (-1: none), then the mark row; the marks and the lamp
    if (step >= 0) v.imgCmd_Click(step);
    v.imgRightCmd_Click(3);
    return std::tuple(v.module.MarkStart, v.module.MarkEnd, v.screen.shIco[3]);
  };
  EXPECT_EQ(mark(-1), std::tuple(f[0].jpegPos, FilePos{-1}, Colour::MarkGreen));
  EXPECT_EQ(mark(6), std::tuple(f[0].jpegPos, f[1].EndPos(), Colour::Orange)) << "forward over two: both included";
  const QString size = MegabytesText(f[1].EndPos() - f[0].jpegPos);
  EXPECT_EQ(rig.modal.texts(), QStringList{"Zaznaczono sekwencję o długości " + size + " MB."});
  EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::Information);
  mark(-1);
  EXPECT_EQ(mark(4), std::tuple(f[0].EndPos(), f[1].jpegPos, Colour::Orange)) << "backward over them: both excluded";
  mark(-1);
  EXPECT_EQ(mark(-1), std::tuple(FilePos{-1}, FilePos{-1}, Colour::Orange)) << "the same frame twice";
  EXPECT_EQ(rig.modal.shown.back().text, "Wybrano sekwencję o zerowej długości !");
  QLocale::setDefault(QLocale::c());
}

// Rounded to two decimals, trailing zeros dropped, the locale's separator kept.
TEST(CommandPanel, SizeTextRoundsAndKeepsTheLocalesSeparator) {
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  struct Case { std::int64_t bytes; const char* text; };
  for (const Case& c : {Case{2'000'000, "2,"}, {1'500'000, "1,5"}, {1'234'567, "1,23"}, {999, "0,"},
                        {12'345'678'901, "12345,68"}, {5'000, "0,01"}})
    EXPECT_EQ(MegabytesText(c.bytes), c.text) << c.bytes;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(MegabytesText(12'345'678'901), "12345.68");
  QLocale::setDefault(QLocale::c());
}

}  // namespace
