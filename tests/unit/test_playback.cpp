// Transport, slider and command panel on a real core with generated recordings.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLocale>

#include "viewer/Loupe.h"
#include "viewer/MarkText.h"
#include "support/ViewerRig.h"

namespace {

constexpr int kManyFrames = 120;  // about 2 MB: several windows
constexpr int kFewFrames = 12;    // well under one window

// Every command in turn: the mode, the timer interval (0: off), only a running command's lamp yellow.
TEST(Transport, CommandTable) {
  using Case = std::tuple<TransportCommand, PlayMode, int>;
  ViewerRig rig(kFewFrames);
  Viewer& v = rig.start();
  const Case kCases[] = {{ToStart, PlayMode::Stopped, 0},
                         {FastestBackward, PlayMode::FastestBackward, 20},
                         {FastBackward, PlayMode::FastBackward, 20},
                         {Backward, PlayMode::Backward, 100},
                         {StepBackward, PlayMode::Stopped, 0},
                         {FastestForward, PlayMode::FastestForward, 20},
                         {Stop, PlayMode::Stopped, 0},
                         {StepForward, PlayMode::Stopped, 0},
                         {Forward, PlayMode::Forward, 100},
                         {FastForward, PlayMode::FastForward, 20},
                         {ToEnd, PlayMode::Stopped, 0}};
  for (const auto& [command, mode, interval] : kCases) {
    const int index = static_cast<int>(command);
    SCOPED_TRACE(index);
    v.Transport(command);
    EXPECT_EQ(std::pair(v.mode(), v.screen().timPlayEnabled ? v.screen().timPlayInterval : 0),
              std::pair(mode, interval));
    for (int k = 0; k < kTransportButtons; ++k)
      EXPECT_EQ(v.screen().shCmd[k], k == index && interval > 0 ? Colour::Yellow : Colour::Blue) << k;
  }
}

// Steps, both ends, playing and the fastest modes on a short and a multi-window file.
TEST(Transport, WalksBothWaysThroughShortAndLongFiles) {
  const std::pair<TransportCommand, int> steps[] = {
      {StepForward, 1}, {StepForward, 2}, {StepBackward, 1}, {StepBackward, 0}, {StepBackward, 0}};
  for (int frames : {kFewFrames, kManyFrames}) {
    SCOPED_TRACE(frames);
    ViewerRig rig(frames);
    Viewer& v = rig.start();
    const Scanner& sc = v.scanner();
    const float knob = v.screen().imgSuwakLeft;
    // The frame shown after, and the window's place.
    const auto play = [&](std::optional<TransportCommand> command, int ticks) {
      if (command) v.Transport(*command);
      for (int k = 0; k < ticks; ++k) v.timPlay_Timer();
      return std::pair(rig.shownFrame(), sc.WindowPos());
    };
    for (const auto& [command, frame] : steps) {
      EXPECT_EQ(play(command, 0).first, frame);
      EXPECT_EQ(v.screen().imgSuwakLeft, knob) << "steps leave the knob";
    }
    // The last window's last frame.
    EXPECT_EQ(play(ToEnd, 0), std::pair(frames - 1, std::max<FilePos>(v.FileLength() - 999'998, 1)));
    EXPECT_EQ(play(ToStart, 0), std::pair(0, FilePos{1}));

    v.Transport(Forward);  // one frame a tick, and no stop at either end: more ticks change nothing
    for (int k = 1; k < frames + 3; ++k) ASSERT_EQ(play({}, 1).first, std::min(k, frames - 1));
    EXPECT_EQ(v.mode(), PlayMode::Forward);
    v.Transport(Backward);
    for (int k = frames - 2; k >= -1; --k) ASSERT_EQ(play({}, 1).first, std::max(k, 0));

    // 200,000 bytes a tick: pinned a window before a long file's end, past a short file's, growing no more there.
    EXPECT_EQ(play(FastestForward, 1).second, 200'001);
    const int shown = play(FastestForward, 30).first;
    if (frames == kManyFrames) EXPECT_EQ(sc.WindowPos(), v.FileLength() - 1'000'000);
    else EXPECT_TRUE(sc.WindowPos() > v.FileLength() && sc.WindowPos() <= v.FileLength() + 200'000);
    EXPECT_EQ(play(FastestForward, 1).first, shown);
    EXPECT_EQ(play(FastestBackward, 30), std::pair(0, FilePos{1}));
  }
}

// An undecodable frame is found, not shown, and stepped past either way; the picture size stays.
TEST(Transport, StepsPassAFrameThatCannotBeDecoded) {
  recgen::RecordingBuilder b;
  const auto before = b.Frames({.frames = 2, .width = 160, .height = 120});
  const FilePos broken = b.NextPos();
  b.Append(recgen::Bytes{0xFF, 0xD8, 0x41, 0x41, 0xFF, 0xD9});
  const auto after = b.Frames({.seed = 2, .frames = 2, .width = 160, .height = 120});
  ViewerRig rig(b.Data());
  Viewer& v = rig.start();
  v.Transport(StepForward);
  EXPECT_EQ(rig.shownStart(), before[1].jpegPos);
  EXPECT_EQ(v.SearchForward(v.scanner().FrameEnd()), SearchResult::NotShown);
  EXPECT_EQ(std::pair(rig.shownStart(), v.screen().lblPicInfo[2]), std::pair(broken, QString("160x120")));
  EXPECT_FALSE(v.HoldsCurrentFrame());
  v.Transport(StepForward);
  EXPECT_EQ(rig.shownStart(), after[0].jpegPos);
  EXPECT_EQ(v.SearchBackward(v.scanner().FrameStart()), SearchResult::NotShown);
  v.Transport(StepBackward);
  EXPECT_EQ(rig.shownStart(), before[1].jpegPos);
  EXPECT_EQ(rig.modal.texts(), QStringList({"Failed to read JPG", "Failed to read JPG"}));
}

// Without a recording, and while an export runs, only the lamps answer; an export's stop acts.
TEST(Panels, IdleAndExportingViewersIgnoreAllButStop) {
  for (bool exporting : {false, true}) {
    SCOPED_TRACE(exporting);
    ViewerRig rig(kFewFrames);
    Viewer& v = rig.start(exporting ? QString() : QStringLiteral(""));
    if (exporting) {
      rig.markForward(1, 3);
      ASSERT_EQ(
          v.OpenAvi({rig.folder() + "/o.avi", v.module().MarkStart, v.module().MarkEnd, 10, std::nullopt}).outcome,
          ExportOutcome::Opened);
    }
    const auto state = std::tuple(v.mode(), v.scanner().WindowPos(), v.scanner().FrameStart(), v.module().MarkStart);
    v.PressTransport(FastestForward);
    EXPECT_EQ(v.screen().shCmd[9], Colour::LightGrey) << "light grey stays while held";
    v.ReleaseTransport(FastestForward);
    EXPECT_EQ(v.screen().shCmd[9], Colour::Grey);
    v.Transport(FastestForward);  // an export's lamps turn blue
    v.PressTransport(Forward);
    EXPECT_EQ(v.screen().shCmd[7], exporting ? Colour::LightCyan : Colour::LightGrey);
    for (int k = 0; k < 3; ++k) v.timPlay_Timer();
    rig.releaseKnobAt(400);
    v.imgBottom_MouseUp();
    for (PanelCommand c : {PanelCommand::Open, PanelCommand::TimeCorrection, PanelCommand::Save, PanelCommand::Mark})
      EXPECT_EQ(v.CommandAvailable(c), !exporting && c == PanelCommand::Open) << static_cast<int>(c);
    EXPECT_EQ(std::tuple(v.mode(), v.scanner().WindowPos(), v.scanner().FrameStart(), v.module().MarkStart), state);
    v.Transport(Stop);
    EXPECT_TRUE(!exporting || v.ConvertAvi(AVICOMPRESSOPTIONS{.codec = "mjpeg"}).outcome == ExportOutcome::Stopped);
  }
}

// Grabbing the knob stops playback; at the right end: a window before a long file's end, none in a short one.
TEST(Slider, DragAndReleaseSeekToTheKnobsPlace) {
  ViewerRig many(kManyFrames), few(kFewFrames);
  Viewer& v = many.start();
  v.imgSuwak_MouseDown(1, 150.4, 10);
  EXPECT_EQ(std::pair(v.mode(), v.screen().timPlayEnabled), std::pair(PlayMode::Stopped, false));
  many.releaseKnobAt(22);
  EXPECT_EQ(many.shownFrame(), 0);
  many.releaseKnobAt(501);
  EXPECT_EQ(v.scanner().WindowPos(), v.FileLength() - 1'000'000);
  const int there = many.shownFrame();
  v.imgSuwak_MouseUp();  // the same knob position shows the same frame
  EXPECT_EQ(many.shownFrame(), there);
  EXPECT_GE(there, 0);

  Viewer& s = few.start();
  few.releaseKnobAt(501);
  EXPECT_EQ(std::pair(s.scanner().WindowPos(), s.scanner().FrameStart()), std::pair(s.FileLength(), kNoFrame));
  few.releaseKnobAt(300);
  EXPECT_GT(s.scanner().WindowPos(), 1) << "proportional";
  s.imgBottom_MouseUp();  // the bar: always the first frame of a short file
  EXPECT_EQ(std::pair(few.shownFrame(), s.scanner().WindowPos()), std::pair(0, FilePos{1}));

  // A drag follows the pointer within the knob's height, clamped to the track, until the button is up.
  using Move = std::tuple<int, int, double, float>;  // pixels from the grab, 15 twips each
  s.imgSuwak_MouseDown(1, 45.4, 60);                 // grabbed 3 px into the knob, at its start
  const Move kMoves[] = {{1, 40, 60, 62},  {1, 10, -1, 62},  {1, 10, 241, 62}, {1, 10, 240, 72},
                         {1, -500, 0, 22}, {1, 900, 0, 501}, {0, 0, 0, 501},   {1, -100, 0, 501}};
  for (const auto& [button, pixels, y, left] : kMoves) {
    s.imgSuwak_MouseMove(button, 45 + 15 * pixels, y);
    EXPECT_EQ(s.screen().imgSuwakLeft, left) << pixels << " " << y;
  }
}

// A long name opens, plays unzoomed and is shortened, marks kept; an unopenable one says why, stops, leaves nothing
// stale.
TEST(CommandPanel, OpenReplacesTheRecording) {
  ViewerRig second(kManyFrames, 2), first(kFewFrames, 1);  // `first`'s modal, made last, is in force
  Viewer& v = first.start();
  v.Transport(Stop);
  v.OpenCommand("");  // cancelled: nothing changes
  EXPECT_EQ(std::tuple(v.mode(), v.FileLength()), std::tuple(PlayMode::Stopped, QFileInfo(first.path()).size()));
  const QString longName = second.folder() + "/nagranie_z_kamery_R208_2026.MJP", missing = first.folder() + "/x.mjp";
  ASSERT_TRUE(QFile::copy(second.path(), longName));
  v.MarkCommand();
  v.ZoomAt(4, {10, 470});
  v.OpenCommand(longName);
  EXPECT_EQ(std::tuple(v.screen().lblFile, v.loupe().factor, v.screen().lblPicInfo[1]),
            std::tuple(QString("... ery_R208_2026.MJP"), 1, QString("Zoom: 1x")));
  EXPECT_EQ(std::tuple(v.FileLength(), v.mode(), v.screen().shIco[3], v.module().MarkStart),
            std::tuple(QFileInfo(longName).size(), PlayMode::Forward, Colour::Orange, first.records[0].jpegPos));
  EXPECT_EQ(first.shownStart(), second.records[0].jpegPos);

  v.OpenCommand(missing);
  EXPECT_EQ(v.RecordingPath(), missing);
  EXPECT_EQ(first.modal.texts(), QStringList{"Plik nie istnieje:\n" + missing}) << "as at start-up";
  EXPECT_EQ(std::tuple(v.mode(), v.screen().timPlayEnabled, v.screen().lblFile),
            std::tuple(PlayMode::Stopped, false, QString()));
  first.click({StepForward, ToEnd, ToStart});
  EXPECT_EQ(v.scanner().FrameStart(), kNoFrame);
  EXPECT_FALSE(QFile::exists(missing));
}

TEST(CommandPanel, MarkingForwardBackwardAndZeroLengthAndTheSizeText) {
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  ViewerRig rig(kManyFrames);
  Viewer& v = rig.start();
  const auto& f = rig.records;
  const auto mark = [&](std::optional<TransportCommand> step) {  // the marks and the lamp after
    if (step) v.Transport(*step);
    v.MarkCommand();
    return std::tuple(v.module().MarkStart, v.module().MarkEnd, v.screen().shIco[3]);
  };
  EXPECT_EQ(mark({}), std::tuple(f[0].jpegPos, FilePos{-1}, Colour::MarkGreen));
  EXPECT_EQ(mark(StepForward), std::tuple(f[0].jpegPos, f[1].EndPos(), Colour::Orange)) << "forward: both included";
  const QString size = MegabytesText(f[1].EndPos() - f[0].jpegPos);
  EXPECT_EQ(rig.modal.texts(), QStringList{"Zaznaczono sekwencję o długości " + size + " MB."});
  EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::Information);
  mark({});
  EXPECT_EQ(mark(StepBackward), std::tuple(f[0].EndPos(), f[1].jpegPos, Colour::Orange)) << "backward: both excluded";
  mark({});
  EXPECT_EQ(mark({}), std::tuple(FilePos{-1}, FilePos{-1}, Colour::Orange)) << "the same frame twice";
  EXPECT_EQ(rig.modal.shown.back().text, "Wybrano sekwencję o zerowej długości !");
  // The size: rounded to two decimals, trailing zeros dropped, the locale's separator kept.
  const std::tuple<std::int64_t, const char*> kCases[] = {
      {2'000'000, "2,"}, {1'500'000, "1,5"},           {1'234'567, "1,23"},
      {999, "0,"},       {12'345'678'901, "12345,68"}, {5'000, "0,01"}};
  for (const auto& [bytes, text] : kCases) EXPECT_EQ(MegabytesText(bytes), text) << bytes;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(MegabytesText(12'345'678'901), "12345.68");
  QLocale::setDefault(QLocale::c());
}

// Zooming in keeps the frame pixel under the pointer there, also near a corner; zooming out and panning stop at
// the frame's edges; a frame that stays smaller than the box is centred.
TEST(Loupe, ZoomsAroundThePointerAndStaysInsideTheFrame) {
  using Case = std::tuple<const char*, QSize, int, QPointF, int, QPointF, QPointF, QPoint>;
  // frame, factor and pointer before, factor and pointer now, a pan after, the frame's corner in the box
  const QSize vga(640, 480), box(640, 480);
  const Case kCases[] = {
      {"2x at a point", vga, 1, {}, 2, {200, 150}, {}, {-200, -150}},
      {"2x near the top-left corner", vga, 1, {}, 2, {5, 5}, {}, {-5, -5}},
      {"8x near the bottom-right corner", vga, 1, {}, 8, {630, 470}, {}, {-4410, -3290}},
      {"2x then 4x elsewhere", vga, 2, {200, 150}, 4, {600, 20}, {}, {-1000, -320}},
      {"back to 1x from 8x", vga, 8, {630, 470}, 1, {10, 10}, {}, {0, 0}},
      {"factors held to 1-8, powers of two", vga, 1, {}, 5, {320, 240}, {}, {-960, -720}},
      {"a pan past the top-left edge stops there", vga, 1, {}, 2, {200, 150}, {900, 900}, {0, 0}},
      {"a pan past the bottom-right edge stops there", vga, 1, {}, 4, {200, 150}, {-9000, -9000}, {-1920, -1440}},
      {"a small frame magnified within the box: centred", {160, 120}, 1, {}, 2, {5, 5}, {50, 50}, {160, 120}},
      {"larger one way only", {320, 120}, 1, {}, 4, {320, 240}, {-9000, 0}, {-640, 0}}};
  for (const auto& [name, frame, before, beforeAt, factor, at, pan, corner] : kCases) {
    SCOPED_TRACE(name);
    const Loupe from = ZoomedAt({}, before, frame, box, beforeAt);
    const QPointF under = (at - QPointF(LoupeOffset(from, frame, box))) / from.factor;
    const Loupe to = ZoomedAt(from, factor, frame, box, at);
    if (factor > before && frame == vga) {
      EXPECT_EQ((at - QPointF(LoupeOffset(to, frame, box))) / to.factor, under) << "the pixel under the pointer";
    }
    EXPECT_EQ(LoupeOffset(PannedBy(to, frame, box, pan), frame, box), corner);
  }
}

}  // namespace
