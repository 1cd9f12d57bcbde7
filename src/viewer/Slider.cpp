// The position slider: a knob whose place shows how far into the file (in bytes)
// the current frame lies, and the seek that dragging it or releasing on the bar does.

#include <algorithm>
#include <cmath>

#include "viewer/Viewer.h"

namespace {

constexpr float kKnobFrom = 22.0f;  // knob left edge at the start of the file
constexpr float kKnobTo = 501.0f;   // and at its end
constexpr float kKnobTravel = 479.0f;
constexpr double kKnobHeightTwips = 16 * 15;
constexpr int kTwips = 15;

// The file position the knob stands for, halves to the even number.
FilePos knobToPosition(float left, FilePos fileLength) {
  return static_cast<FilePos>(
      std::nearbyint((static_cast<double>(left) - kKnobFrom) / kKnobTravel * static_cast<double>(fileLength)));
}

// While an export runs it reads through the window between frames: the slider and
// the bar leave it alone, as the transport does.
bool sliderIgnores(PlayMode m) { return m == PlayMode::NoRecording || m == PlayMode::Exporting; }

}  // namespace

void Viewer::UpdateProgresBar() {
  const FilePos p = scanner_.FrameStartPos();
  const FilePos length = FileLength();
  // An empty recording has no position to show: the knob stays at the start.
  if (length <= 0) {
    screen_.imgSuwakLeft = kKnobFrom;
    return;
  }
  const auto ratio = static_cast<float>(static_cast<double>(p) / static_cast<double>(length));
  screen_.imgSuwakLeft = ratio * kKnobTravel + kKnobFrom;
}

void Viewer::ShowTotalIndex() {
  const FilePos length = FileLength();
  if (length - scanner_.WindowPos() < kWindowSize && length > kWindowSize) {
    scanner_.SetWindowPos(length - kWindowSize);  // the window ends at the next-to-last byte
  }
  SeekToWindowPos();
}

// The seek's common steps: WindowPos raised to 1, the window read, its first frame shown.
void Viewer::SeekToWindowPos() {
  scanner_.SeekTo(scanner_.WindowPos());
  if (!FindJpegF(0)) ErrorHandler();
  UpdateProgresBar();
}

void Viewer::imgSuwak_MouseDown(int, double X, double) {
  if (sliderIgnores(st_.mode())) return;
  st_.SliderDragging = true;
  st_.SliderGrabX = static_cast<std::int16_t>(std::nearbyint(X));
  Halt();
  CmdAllUp();
}

void Viewer::imgSuwak_MouseMove(int Button, double X, double Y) {
  if (sliderIgnores(st_.mode()) || !st_.SliderDragging) return;
  if (Button != 1) {
    st_.SliderDragging = false;
    return;
  }
  const double newLeft = std::nearbyint((X - st_.SliderGrabX) / kTwips + screen_.imgSuwakLeft);
  // Only while the pointer is within the knob's height; otherwise the drag goes on
  // but the knob stays.
  if (Y < 0 || Y > kKnobHeightTwips) return;
  screen_.imgSuwakLeft = static_cast<float>(std::clamp<double>(newLeft, kKnobFrom, kKnobTo));
}

void Viewer::imgSuwak_MouseUp() {
  if (sliderIgnores(st_.mode())) return;
  scanner_.SetWindowPos(knobToPosition(screen_.imgSuwakLeft, FileLength()));
  ShowTotalIndex();
}

void Viewer::imgBottom_MouseUp() {
  if (sliderIgnores(st_.mode())) return;
  const FilePos length = FileLength();
  scanner_.SetWindowPos(knobToPosition(screen_.imgSuwakLeft, length));
  // Unlike the seek's own clamp this one has no condition on the file's length: in a
  // file of a window or less it always comes to the first frame.
  if (length - scanner_.WindowPos() < kWindowSize) scanner_.SetWindowPos(length - kWindowSize);
  SeekToWindowPos();
}

SearchResult Viewer::ShowFrameAt(FilePos start) {
  if (sliderIgnores(st_.mode())) return SearchResult::NoFrame;
  Halt();
  CmdAllUp();
  // A frame's block lies in the window only when the frame starts past its 33rd byte:
  // the window starts two blocks early, and the search starts at the frame itself, so
  // that no marker inside the block is taken for it.
  if (!scanner_.SeekTo(std::max<FilePos>(1, start - 2 * kBlockSize))) return SearchResult::ReadFailed;
  const SearchResult found = SearchForward(start - scanner_.WindowPos());
  UpdateProgresBar();
  return found;
}
