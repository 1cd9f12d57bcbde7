#include "viewer/FrameOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "dib/cDIBSection.h"

namespace {

constexpr int kBandAlpha = 150;  // of 255: the picture shows through, the text stands out

}  // namespace

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

const QImage& FrameOverlay::Band(int width, int height, const QString& caption) {
  if (caption == caption_ && band_.width() == width && band_.height() == height) return band_;
  caption_ = caption;
  band_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
  band_.fill(qPremultiply(qRgba(0, 0, 0, kBandAlpha)));
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  const int margin = std::max(2, height / 3);
  int pixels = std::max(6, height * 2 / 3);
  font.setPixelSize(pixels);
  // A caption wider than the picture is set smaller until it fits.
  const int room = std::max(1, width - 2 * margin);
  const int wide = QFontMetrics(font).horizontalAdvance(caption);
  if (wide > room) {
    pixels = std::max(6, pixels * room / wide);
    font.setPixelSize(pixels);
  }
  QPainter p(&band_);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(margin, 0, width - 2 * margin, height), Qt::AlignLeft | Qt::AlignVCenter, caption);
  return band_;
}

void FrameOverlay::Draw(cDIBSection& dib, const QString& caption, OverlayPlace place) {
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  if (!bits || dib.Width() <= 0 || dib.Height() <= 0) return;
  const QRect r = BandRect(dib.Width(), dib.Height(), place);
  const QImage& band = Band(r.width(), r.height(), caption);
  const std::int64_t pitch = dib.BytesPerScanLine();
  // Memory rows are bottom-up: the band's last row lies first.
  const std::int64_t firstRow = dib.Height() - 1 - r.bottom();
  coveredAt_ = firstRow * pitch;
  covered_.assign(bits + coveredAt_, bits + coveredAt_ + r.height() * pitch);
  for (int y = 0; y < r.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(band.constScanLine(y));
    std::uint8_t* dst = bits + (dib.Height() - 1 - (r.top() + y)) * pitch;
    for (int x = 0; x < r.width(); ++x, dst += 3) {
      const QRgb s = src[x];
      const int keep = 255 - qAlpha(s);
      dst[0] = static_cast<std::uint8_t>(qBlue(s) + (dst[0] * keep + 127) / 255);
      dst[1] = static_cast<std::uint8_t>(qGreen(s) + (dst[1] * keep + 127) / 255);
      dst[2] = static_cast<std::uint8_t>(qRed(s) + (dst[2] * keep + 127) / 255);
    }
  }
}

void FrameOverlay::Restore(cDIBSection& dib) const {
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  if (!bits || covered_.empty() || coveredAt_ + static_cast<std::int64_t>(covered_.size()) > dib.SizeImage()) return;
  std::memcpy(bits + coveredAt_, covered_.data(), covered_.size());
}
