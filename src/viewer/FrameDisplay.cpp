#include "viewer/FrameDisplay.h"

#include <cmath>

#include "recording/JpegModule.h"

int CentreOffset(int box, int size) {
  // (box - size) / 2 is a whole number or a half; nearbyint rounds halves to even.
  return static_cast<int>(std::nearbyint((box - size) / 2.0));
}

cDIBSection& FrameDisplay::MakeDib() {
  if (!FrameDib_) FrameDib_ = std::make_unique<cDIBSection>();
  return *FrameDib_;
}

void FrameDisplay::PaintAt(int x, int y) {
  if (!canvas_ || !FrameDib_ || !FrameDib_->hDib()) return;
  canvas_->Paint(*FrameDib_, x, y);
}

void FrameDisplay::PaintFrame() {
  if (!FrameDib_) return;
  if (loupe_.factor > 1 && canvas_ && FrameDib_->hDib()) {
    const QSize frame(FrameDib_->Width(), FrameDib_->Height()), box(kPictureWidth, kPictureHeight);
    canvas_->PaintMagnified(*FrameDib_, LoupeOffset(loupe_, frame, box), loupe_.factor, loupe_.smooth);
    return;
  }
  PaintAt(CentreOffset(kPictureWidth, FrameDib_->Width()), CentreOffset(kPictureHeight, FrameDib_->Height()));
}

void FrameDisplay::ClearBox() {
  if (canvas_) canvas_->Clear();
}

bool FrameDisplay::Decode(const FrameBytes& frame) {
  decodedAt_ = -1;
  if (!LoadJpegFromMemory(MakeDib(), frame.bytes.data(), static_cast<std::int32_t>(frame.bytes.size()))) return false;
  decodedAt_ = frame.start;
  return true;
}

bool FrameDisplay::Show(const FrameBytes& frame) {
  if (!decoding_) {
    decodedAt_ = -1;
    return true;
  }
  if (!Decode(frame)) return false;
  PaintFrame();
  return true;
}
