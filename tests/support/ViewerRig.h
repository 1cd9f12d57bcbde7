#pragma once
// A viewer core started on a generated recording, with a scripted Modal: what the window
// would run, without the window.

#include <gtest/gtest.h>

#include <tuple>

#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "viewer/Viewer.h"
#include "support/ScriptedModal.h"

using enum TransportCommand;

class ViewerRig {
 public:
  // frames: how many frames the generated recording holds (small pictures, about 16 kB each).
  explicit ViewerRig(int frames, std::uint64_t seed = 1) : path_(dir_.filePath("rec.mjp")) {
    records = recgen::WriteRecording(path_.toStdString(),
                                     {.seed = seed, .frames = frames, .width = 320, .height = 240, .quality = 95});
  }
  // Starts the core as the window does, with this recording (or `path`) on the command line.
  Viewer& start(const QString& path = {}) {
    v.StartUp(path.isNull() ? path_ : path);
    return v;
  }
  FilePos shownStart() const { return v.scanner().FrameStartPos(); }
  // Index of the frame on screen in `records`, or -1.
  int shownFrame() const {
    for (std::size_t k = 0; k < records.size(); ++k)
      if (records[k].jpegPos == shownStart()) return static_cast<int>(k);
    return -1;
  }
  // Clicks each command in turn.
  void click(std::initializer_list<TransportCommand> commands) {
    for (TransportCommand c : commands) v.Transport(c);
  }
  // Marks frames [first, last] forward as a user would, on a stopped viewer; forgets what
  // marking said.
  void markForward(int first, int last) {
    v.Transport(ToStart);
    for (int k = 0; k < first; ++k) v.Transport(StepForward);
    v.MarkCommand();
    for (int k = first; k < last; ++k) v.Transport(StepForward);
    v.MarkCommand();
    modal.shown.clear();
  }
  // Drags the knob to `left` (window pixels) and lets it go there.
  void releaseKnobAt(float left) {
    v.imgSuwak_MouseDown(1, 0, 0);
    v.imgSuwak_MouseMove(1, (left - v.screen().imgSuwakLeft) * 15.0, 0);
    v.imgSuwak_MouseUp();
  }
  const QString& path() const { return path_; }
  QString folder() const { return dir_.path(); }

  std::vector<recgen::FrameRecord> records;
  ScriptedModal modal;
  ModalScope scope{modal};
  Viewer v;

 private:
  QTemporaryDir dir_;
  QString path_;
};

// After an export, whatever its end: stopped, the save lamp orange, no caption, every
// transport button ready.
inline void ExpectIdleAfterExport(const Viewer& v) {
  EXPECT_EQ(std::tuple(v.mode(), v.screen().shIco[2], v.screen().lblSaveVisible),
            std::tuple(PlayMode::Stopped, Colour::Orange, false));
  for (std::uint32_t lamp : v.screen().shCmd) EXPECT_EQ(lamp, Colour::Blue);
}
