#include "recording/FrameDisplay.h"

#include <cmath>

#include "recording/JpegModule.h"

int CentreOffset(int box, int size) {
  // (box - size) / 2 is a whole number or a half; nearbyint rounds halves to even.
  return static_cast<int>(std::nearbyint((box - size) / 2.0));
}

FrameDisplay::FrameDisplay(ViewerState& state, ScreenState& screen, std::function<void()> showInfo)
    : st_(state), screen_(screen), showInfo_(std::move(showInfo)) {}

void FrameDisplay::PaintAt(int x, int y) {
  if (!canvas_ || !st_.FrameDib || !st_.FrameDib->hDib()) return;
  canvas_->Paint(*st_.FrameDib, x, y);
}

void FrameDisplay::PaintFrame() {
  if (!st_.FrameDib) return;
  PaintAt(CentreOffset(kPictureWidth, st_.FrameDib->Width()), CentreOffset(kPictureHeight, st_.FrameDib->Height()));
}

void FrameDisplay::ClearBox() {
  if (canvas_) canvas_->Clear();
}

bool FrameDisplay::HoldsCurrentFrame() const {
  return decodedAt_ != -1 && decodedAt_ == st_.WindowPos + st_.FrameStart;
}

bool FrameDisplay::ShowJpeg() {
  // The scanner hands over a frame inside the window only.
  if (st_.FrameStart < 0 || st_.FrameEnd > kWindowLast || st_.FrameStart >= st_.FrameEnd) return false;
  decodedAt_ = -1;
  if (!decoding_) {
    if (showInfo_) showInfo_();
    return true;
  }
  if (!st_.FrameDib) st_.FrameDib = std::make_unique<cDIBSection>();
  const std::uint8_t* frame = st_.WindowBuffer + st_.FrameStart;
  const auto size = static_cast<std::int32_t>(st_.FrameEnd - st_.FrameStart + 1);
  if (!LoadJpegFromMemory(*st_.FrameDib, frame, size)) return false;
  decodedAt_ = st_.WindowPos + st_.FrameStart;
  PaintFrame();
  screen_.lblPicInfo[2] = QStringLiteral("%1x%2").arg(st_.FrameDib->Width()).arg(st_.FrameDib->Height());
  if (showInfo_) showInfo_();
  return true;
}

void FrameDisplay::picTV_Paint() {
  if (st_.mode() == PlayMode::NoRecording || st_.mode() == PlayMode::Exporting) return;
  if (!st_.FrameDib) st_.FrameDib = std::make_unique<cDIBSection>();
  PaintFrame();
}
