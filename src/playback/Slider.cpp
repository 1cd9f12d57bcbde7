// The position slider: a knob whose place shows how far into the file (in bytes)
// the current frame lies, and the seek that dragging it or releasing on the bar does.

#include <algorithm>
#include <cmath>

#include "shell/Viewer.h"

namespace {

constexpr float kKnobFrom = 22.0f;   // knob left edge at the start of the file
constexpr float kKnobTo = 501.0f;    // and at its end
constexpr float kKnobTravel = 479.0f;
constexpr double kKnobHeightTwips = 16 * 15;
constexpr int kTwips = 15;

// The file position the knob stands for, halves to the even number.
FilePos knobToPosition(float left, FilePos fileLength) {
  return static_cast<FilePos>(std::nearbyint((static_cast<double>(left) - kKnobFrom) / kKnobTravel *
                                             static_cast<double>(fileLength)));
}

// While an export runs it reads through the window between frames: the slider and
// the bar leave it alone, as the transport does.
bool sliderIgnores(PlayMode m) { return m == PlayMode::NoRecording || m == PlayMode::Exporting; }

}  // namespace

void Viewer::UpdateProgresBar() {
  const FilePos p = st.WindowPos + st.FrameStart;
  // An empty recording has no position to show: the knob stays at the start.
  if (st.FileLength <= 0) {
    screen.imgSuwakLeft = kKnobFrom;
    return;
  }
  const auto ratio = static_cast<float>(static_cast<double>(p) / static_cast<double>(st.FileLength));
  screen.imgSuwakLeft = ratio * kKnobTravel + kKnobFrom;
}

void Viewer::ShowTotalIndex() {
  if (st.FileLength - st.WindowPos < kWindowSize && st.FileLength > kWindowSize) {
    st.WindowPos = st.FileLength - kWindowSize;  // the window ends at the next-to-last byte
  }
  SeekToWindowPos();
}

void Viewer::SeekToWindowPos() {
  if (st.WindowPos < 1) st.WindowPos = 1;
  st.FrameStart = st.FrameEnd = -1;
  ReadWindow();
  if (!FindJpegF(0)) ErrorHandler();
  UpdateProgresBar();
}

void Viewer::imgSuwak_MouseDown(int, double X, double) {
  if (sliderIgnores(st.mode())) return;
  st.SliderDragging = true;
  st.SliderGrabX = static_cast<std::int16_t>(std::nearbyint(X));
  st.setMode(PlayMode::Stopped);
  SetTimer(false, screen.timPlayInterval);
  CmdAllUp();
}

void Viewer::imgSuwak_MouseMove(int Button, double X, double Y) {
  if (sliderIgnores(st.mode()) || !st.SliderDragging) return;
  if (Button != 1) {
    st.SliderDragging = false;
    return;
  }
  const double newLeft = std::nearbyint((X - st.SliderGrabX) / kTwips + screen.imgSuwakLeft);
  // Only while the pointer is within the knob's height; otherwise the drag goes on
  // but the knob stays.
  if (Y < 0 || Y > kKnobHeightTwips) return;
  screen.imgSuwakLeft = static_cast<float>(std::clamp<double>(newLeft, kKnobFrom, kKnobTo));
}

void Viewer::imgSuwak_MouseUp() {
  if (sliderIgnores(st.mode())) return;
  st.WindowPos = knobToPosition(screen.imgSuwakLeft, st.FileLength);
  ShowTotalIndex();
}

void Viewer::imgBottom_MouseUp() {
  if (sliderIgnores(st.mode())) return;
  st.WindowPos = knobToPosition(screen.imgSuwakLeft, st.FileLength);
  // Unlike the seek's own clamp this one has no condition on the file's length: in a
  // file of a window or less it always comes to the first frame.
  if (st.FileLength - st.WindowPos < kWindowSize) st.WindowPos = st.FileLength - kWindowSize;
  SeekToWindowPos();
}
