#include "viewer/FrameOverlay.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "dib/cDIBSection.h"

namespace {

CaptionPainter captionPainter = nullptr;

// x · keep / 255, rounded, for every byte x and every share kept: the blend without a division.
using ScaledBytes = std::array<std::array<std::uint8_t, 256>, 256>;
const ScaledBytes& scaled() {
  static const ScaledBytes table = [] {
    ScaledBytes t{};
    for (int keep = 0; keep < 256; ++keep)
      for (int x = 0; x < 256; ++x) t[keep][x] = static_cast<std::uint8_t>((x * keep + 127) / 255);
    return t;
  }();
  return table;
}

}  // namespace

void SetCaptionPainter(CaptionPainter painter) { captionPainter = painter; }

PanelTexts PanelTextsOf(const ScreenState& screen) {
  return {screen.lblIdent, screen.lblTime, screen.lblInfoVisible ? screen.lblInfo : QString()};
}

QString OverlayCaption(const QString& format, const PanelTexts& panel) {
  QString text = format;
  text.replace(QLatin1String("{ident}"), panel.ident)
      .replace(QLatin1String("{time}"), panel.time)
      .replace(QLatin1String("{speed}"), panel.speed);
  return text.trimmed();
}

// 8 % of the picture's height, at least 18 pixels (a 240-line picture gets 12-pixel text),
// never more than the picture.
QRect FrameOverlay::BandRect(int width, int height, OverlayPlace place) {
  const int band = std::min(height, std::max(18, static_cast<int>(std::lround(height * 0.08))));
  return QRect(0, place == OverlayPlace::Top ? 0 : height - band, width, band);
}

const std::vector<std::uint32_t>& FrameOverlay::Band(int width, int height, const QString& caption) {
  if (caption == caption_ && bandWidth_ == width && bandHeight_ == height) return band_;
  if (!captionPainter) throw std::logic_error("no caption painter: SetCaptionPainter was not called");
  band_ = captionPainter(width, height, caption);
  if (band_.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::logic_error("the caption painter gave a band of another size");
  caption_ = caption;
  bandWidth_ = width;
  bandHeight_ = height;
  return band_;
}

void FrameOverlay::Draw(cDIBSection& dib, const QString& caption, OverlayPlace place) {
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  if (!bits || dib.Width() <= 0 || dib.Height() <= 0) return;
  const QRect r = BandRect(dib.Width(), dib.Height(), place);
  const std::vector<std::uint32_t>& band = Band(r.width(), r.height(), caption);
  const std::int64_t pitch = dib.BytesPerScanLine();
  // Memory rows are bottom-up: the band's last row lies first.
  const std::int64_t firstRow = dib.Height() - 1 - r.bottom();
  coveredAt_ = firstRow * pitch;
  covered_.assign(bits + coveredAt_, bits + coveredAt_ + r.height() * pitch);
  const ScaledBytes& kept = scaled();
  for (int y = 0; y < r.height(); ++y) {
    const std::uint32_t* src = band.data() + static_cast<std::ptrdiff_t>(y) * r.width();
    std::uint8_t* dst = bits + (dib.Height() - 1 - (r.top() + y)) * pitch;
    for (int x = 0; x < r.width(); ++x, dst += 3) {
      // Premultiplied: the band's channel plus the picture's scaled by what the band lets through.
      const std::uint32_t s = src[x];
      const std::array<std::uint8_t, 256>& keep = kept[255 - (s >> 24)];
      dst[0] = static_cast<std::uint8_t>(s + keep[dst[0]]);
      dst[1] = static_cast<std::uint8_t>((s >> 8) + keep[dst[1]]);
      dst[2] = static_cast<std::uint8_t>((s >> 16) + keep[dst[2]]);
    }
  }
}

void FrameOverlay::Restore(cDIBSection& dib) const {
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  if (!bits || covered_.empty() || coveredAt_ + static_cast<std::int64_t>(covered_.size()) > dib.SizeImage()) return;
  std::memcpy(bits + coveredAt_, covered_.data(), covered_.size());
}
