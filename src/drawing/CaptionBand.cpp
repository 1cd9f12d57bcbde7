#include "drawing/CaptionBand.h"

#include <algorithm>
#include <cstring>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

constexpr int kBandAlpha = 150;  // of 255: the picture shows through, the text stands out

}  // namespace

std::vector<std::uint32_t> PaintCaptionBand(int width, int height, const QString& caption) {
  QImage band(width, height, QImage::Format_ARGB32_Premultiplied);
  band.fill(qPremultiply(qRgba(0, 0, 0, kBandAlpha)));
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
  {
    QPainter p(&band);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(margin, 0, width - 2 * margin, height), Qt::AlignLeft | Qt::AlignVCenter, caption);
  }
  std::vector<std::uint32_t> pixelsOut(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    std::memcpy(pixelsOut.data() + static_cast<std::ptrdiff_t>(y) * width, band.constScanLine(y),
                static_cast<std::size_t>(width) * sizeof(std::uint32_t));
  return pixelsOut;
}
