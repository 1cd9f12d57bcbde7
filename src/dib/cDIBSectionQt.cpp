// The surface's Qt face: painting it, loading it from a Qt picture, the clipboard and the
// memory seen as a QImage. Built into its own library with QtGui, so that what only
// decodes and writes pictures needs QtCore alone.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QTransform>

#include <optional>

#include "dib/cDIBSection.h"
#include "platform/Modal.h"

namespace {

// Qt has no ternary raster operations; the ones below are the binary source/destination
// operations it does have. The rest are ignored, as a failed bit-block transfer would be.
std::optional<QPainter::CompositionMode> compositionFor(uint32_t eRop) {
  switch (eRop) {
    case cDIBSection::SRCCOPY: return QPainter::CompositionMode_Source;
    case cDIBSection::SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
    case cDIBSection::SRCAND: return QPainter::RasterOp_SourceAndDestination;
    case cDIBSection::SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
    case cDIBSection::SRCERASE: return QPainter::RasterOp_SourceAndNotDestination;
    case cDIBSection::NOTSRCCOPY: return QPainter::RasterOp_NotSource;
    case cDIBSection::NOTSRCERASE: return QPainter::RasterOp_NotSourceAndNotDestination;
    case cDIBSection::MERGEPAINT: return QPainter::RasterOp_NotSourceOrDestination;
    case cDIBSection::DSTINVERT: return QPainter::RasterOp_NotDestination;
    case cDIBSection::BLACKNESS: return QPainter::RasterOp_ClearDestination;
    case cDIBSection::WHITENESS: return QPainter::RasterOp_SetDestination;
    default: return std::nullopt;
  }
}

// Sets up a painter for a one-to-one transfer; the caller has saved its state.
void prepareTransfer(QPainter& painter, const QTransform& flip, QPainter::CompositionMode mode) {
  painter.setTransform(flip, true);
  painter.setCompositionMode(mode);
  painter.setOpacity(1.0);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

}  // namespace

QImage cDIBSection::hdc() const {
  if (!m_bits) return {};
  return QImage(m_bits.get(), Width(), Height(), BytesPerScanLine(), QImage::Format_BGR888);
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
  // No GUI application means no screen to make a bitmap for and no clipboard.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
  if (bAsDIB) {
    Modal::current().message(
        QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"), MsgIcon::None,
        MsgButtons::Ok);
    return false;
  }
  if (!m_bits) return false;
  QImage upright(Width(), Height(), QImage::Format_RGB32);
  if (upright.isNull()) return false;
  {
    QPainter painter(&upright);
    if (!painter.isActive()) return false;
    PaintPicture(painter, 0, 0, -1, -1, 0, 0, SRCCOPY);
  }
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setImage(upright);
  const QMimeData* held = clipboard->mimeData();
  return held != nullptr && held->hasImage();
}

void cDIBSection::CreateFromPicture(const QImage& picThis) {
  if (!Create(picThis.width(), picThis.height())) return;
  LoadPictureBlt(picThis, 0, 0, -1, -1, SRCCOPY);
}

void cDIBSection::LoadPictureBlt(const QImage& lhDC, int32_t lSrcLeft, int32_t lSrcTop, int32_t lSrcWidth,
                                 int32_t lSrcHeight, uint32_t eRop) {
  const auto mode = compositionFor(eRop);
  if (!m_bits || lhDC.isNull() || !mode) return;
  const double width = lSrcWidth < 0 ? Width() : lSrcWidth;
  const double height = lSrcHeight < 0 ? Height() : lSrcHeight;

  // A fresh view of the memory: painting into an image that someone else also holds would
  // detach it and the pixels would land in a copy.
  QImage target(m_bits.get(), Width(), Height(), BytesPerScanLine(), QImage::Format_BGR888);
  QPainter painter(&target);
  if (!painter.isActive()) return;
  // Picture row r is memory row Height - 1 - r.
  prepareTransfer(painter, QTransform(1, 0, 0, -1, 0, Height()), *mode);
  painter.drawImage(QRectF(0, 0, width, height), lhDC, QRectF(lSrcLeft, lSrcTop, width, height));
}

void cDIBSection::PaintPicture(QPainter& lhDC, int32_t lDestLeft, int32_t lDestTop, int32_t lDestWidth,
                               int32_t lDestHeight, int32_t lSrcLeft, int32_t lSrcTop, uint32_t eRop) const {
  const auto mode = compositionFor(eRop);
  if (!m_bits || !mode) return;
  const double width = lDestWidth < 0 ? Width() : lDestWidth;
  const double height = lDestHeight < 0 ? Height() : lDestHeight;
  const double pictureHeight = Height();

  // A new read-only view per paint: the decoder writes the memory behind Qt's back, so no
  // paint engine may recognise (and reuse a cached upload of) an earlier frame.
  const QImage source(static_cast<const uchar*>(m_bits.get()), Width(), Height(), BytesPerScanLine(),
                      QImage::Format_BGR888);
  lhDC.save();
  // Mirror memory rows so that memory row 0 (the bottom row) lands at the bottom, and move
  // picture point (lSrcLeft, lSrcTop) to (lDestLeft, lDestTop). Memory y = Height - picture y.
  const QTransform flip(1, 0, 0, -1, static_cast<double>(lDestLeft) - lSrcLeft,
                        static_cast<double>(lDestTop) - lSrcTop + pictureHeight);
  prepareTransfer(lhDC, flip, *mode);
  const QRectF rectInMemory(lSrcLeft, pictureHeight - lSrcTop - height, width, height);
  lhDC.drawImage(rectInMemory, source, rectInMemory);
  lhDC.restore();
}
