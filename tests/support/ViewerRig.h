#pragma once
// A viewer core started on a recording of its own, with a scripted Modal: what the window
// would run, without the window.

#include <gtest/gtest.h>

#include <tuple>

#include "viewer/Viewer.h"
#include "support/ScriptedModal.h"
#include "support/TempRecording.h"

using enum TransportCommand;

class ViewerRig : public TempRecording {
 public:
  // frames: how many frames the generated recording holds (small pictures, about 16 kB each).
  explicit ViewerRig(int frames, std::uint64_t seed = 1)
      : TempRecording(recgen::Options{.seed = seed, .frames = frames, .width = 320, .height = 240, .quality = 95}) {}
  explicit ViewerRig(const recgen::Bytes& bytes) : TempRecording(bytes) {}
  // Starts the core as the window does, with this recording (or `path`) on the command line.
  Viewer& start(const QString& path = {}) {
    v.StartUp(path.isNull() ? this->path() : path);
    return v;
  }
  FilePos shownStart() const { return v.scanner().FrameStartPos(); }
  // Index of the frame on screen in `records`, or -1.
  int shownFrame() const { return FrameIndex(shownStart()); }
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

  ScriptedModal modal;
  ModalScope scope{modal};
  Viewer v;
};

// After an export, whatever its end: stopped, the save lamp orange, no caption, every
// transport button ready.
inline void ExpectIdleAfterExport(const Viewer& v) {
  EXPECT_EQ(std::tuple(v.mode(), v.screen().shIco[2], v.screen().lblSaveVisible),
            std::tuple(PlayMode::Stopped, Colour::Orange, false));
  for (std::uint32_t lamp : v.screen().shCmd) EXPECT_EQ(lamp, Colour::Blue);
}
