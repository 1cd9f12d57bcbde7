#include "dib/cDIBSection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QTime>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>

#include "platform/Modal.h"

namespace {

int32_t checkedInt32(int64_t value, const char* what) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw std::overflow_error(what);
  return static_cast<int32_t>(value);
}

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

uint8_t toByte(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

// Round to nearest, ties to even (the default rounding mode).
double roundEven(double v) { return std::nearbyint(v); }

}  // namespace

cDIBSection::~cDIBSection() { ClearUp(); }

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

bool cDIBSection::CreateDIB(int32_t lWidth, int32_t lHeight, std::uintptr_t& hDib) {
  hDib = 0;
  // The memory about to be replaced is what the current image views.
  ClearUp();

  BITMAPINFOHEADER& h = m_bmi.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = lWidth;
  h.biHeight = lHeight;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = 0;
  // Only positive sizes: a zero size has no memory to hand out, and a negative height would
  // mean top-down rows, which nothing here is written for. Refused like a failed allocation.
  if (lWidth <= 0 || lHeight <= 0) {
    h.biSizeImage = 0;
    return false;
  }
  const int32_t sizeImage =
      checkedInt32(int64_t{lHeight} * BytesPerScanLine(), "cDIBSection: height × row size overflows");
  h.biSizeImage = static_cast<uint32_t>(sizeImage);

  // Left uninitialised on purpose: the decoder overwrites every byte of every frame.
  std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[static_cast<size_t>(sizeImage)]);
  if (!bits) return false;
  m_bits = std::move(bits);
  hDib = reinterpret_cast<std::uintptr_t>(m_bits.get());
  return true;
}

void cDIBSection::CreateFromPicture(const QImage& picThis) {
  if (!Create(picThis.width(), picThis.height())) return;
  LoadPictureBlt(picThis, 0, 0, -1, -1, SRCCOPY);
}

bool cDIBSection::Create(int32_t lWidth, int32_t lHeight) {
  ClearUp();
  std::uintptr_t handle = 0;
  if (!CreateDIB(lWidth, lHeight, handle)) return false;
  QImage view(m_bits.get(), lWidth, lHeight, BytesPerScanLine(), QImage::Format_BGR888);
  if (view.isNull()) {
    ClearUp();
    return false;
  }
  m_hdc = std::move(view);
  m_hDib = handle;
  return true;
}

int32_t cDIBSection::BytesPerScanLine() const {
  const int32_t unpadded = checkedInt32(int64_t{Width()} * 3 + 3, "cDIBSection: width × 3 + 3 overflows");
  return unpadded & ~3;
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

void cDIBSection::RandomiseBits(bool bGray) {
  if (!m_bits) return;
  std::mt19937 generator(static_cast<uint32_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  auto draw = [&] { return static_cast<uint8_t>(roundEven(uniform(generator) * 255)); };

  const size_t stride = static_cast<size_t>(BytesPerScanLine());
  const int32_t xEnd = (Width() - 1) * 3;
  uint8_t* const bits = m_bits.get();
  if (bGray) {
    for (int32_t y = 0; y < Height(); ++y) {
      for (int32_t x = 0; x <= xEnd; x += 3) {
        uint8_t* pixel = bits + y * stride + x;
        pixel[0] = pixel[1] = pixel[2] = draw();
      }
    }
    return;
  }
  for (int32_t x = 0; x <= xEnd; x += 3) {
    for (int32_t y = 0; y < Height(); ++y) {
      uint8_t* pixel = bits + y * stride + x;
      pixel[0] = 0;
      pixel[1] = draw();
      pixel[2] = draw();
    }
  }
}

void cDIBSection::ClearUp() {
  m_hdc = QImage();  // the view goes before the memory it views
  m_bits.reset();
  m_hDib = 0;
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t lNewHeight, int32_t lNewWidth) const {
  if (!m_bits) return nullptr;
  auto target = std::make_unique<cDIBSection>();
  if (!target->Create(lNewWidth, lNewHeight)) return nullptr;
  if (lNewWidth == Width() && lNewHeight == Height()) {
    // Same layout byte for byte, so the rows are copied as they lie.
    std::memcpy(target->m_bits.get(), m_bits.get(), SizeImage());
  } else {
    ResampleBilinear(*target);
  }
  return target;
}

const uint8_t* cDIBSection::PointerToBitmapInfo() {
  m_headerCopy.assign(sizeof(BITMAPINFOHEADER), 0);
  std::memcpy(m_headerCopy.data(), &m_bmi.bmiHeader, sizeof(BITMAPINFOHEADER));
  return m_headerCopy.data();
}

int32_t cDIBSection::SizeBitmapInfo() const {
  if (m_headerCopy.empty()) throw std::out_of_range("cDIBSection: header copy not made yet");
  return static_cast<int32_t>(m_headerCopy.size());
}

// Bilinear, in memory row order in both surfaces (both bottom-up, so orientation is kept).
// The scales divide by the target's size, not size - 1, so the right and lower neighbours
// exist for every target pixel of a source at least 2 × 2; a source without them throws
// instead of reading outside its memory. Weights are floats, blends are doubles, and the
// vertical blends are rounded before the horizontal one: the numbers depend on all three.
void cDIBSection::ResampleBilinear(cDIBSection& target) const {
  const int32_t srcWidth = Width();
  const int32_t srcHeight = Height();
  const int32_t newWidth = target.Width();
  const int32_t newHeight = target.Height();
  const float xScale = static_cast<float>(static_cast<double>(srcWidth - 1) / newWidth);
  const float yScale = static_cast<float>(static_cast<double>(srcHeight - 1) / newHeight);

  // Every row uses the same columns: work them out once.
  std::vector<int32_t> leftByte(static_cast<size_t>(newWidth));
  std::vector<float> fracX(static_cast<size_t>(newWidth));
  for (int32_t x = 0; x < newWidth; ++x) {
    const float fX = static_cast<float>(static_cast<double>(x) * xScale);
    const int32_t iX = static_cast<int32_t>(std::floor(fX));
    if (iX + 1 >= srcWidth) throw std::out_of_range("cDIBSection: no right neighbour to resample from");
    leftByte[x] = iX * 3;
    fracX[x] = static_cast<float>(static_cast<double>(fX) - iX);
  }

  const size_t srcStride = static_cast<size_t>(BytesPerScanLine());
  const size_t newStride = static_cast<size_t>(target.BytesPerScanLine());
  for (int32_t y = 0; y < newHeight; ++y) {
    const float fY = static_cast<float>(static_cast<double>(y) * yScale);
    const int32_t iY = static_cast<int32_t>(std::floor(fY));
    if (iY + 1 >= srcHeight) throw std::out_of_range("cDIBSection: no next row to resample from");
    const double dy = static_cast<float>(static_cast<double>(fY) - iY);
    const uint8_t* row = m_bits.get() + static_cast<size_t>(iY) * srcStride;
    const uint8_t* nextRow = row + srcStride;
    uint8_t* out = target.m_bits.get() + static_cast<size_t>(y) * newStride;

    for (int32_t x = 0; x < newWidth; ++x) {
      const double dx = fracX[x];
      const uint8_t* a = row + leftByte[x];
      const uint8_t* c = nextRow + leftByte[x];
      for (int k = 0; k < 3; ++k) {
        const double left = roundEven((1 - dy) * a[k] + dy * c[k]);
        const double right = roundEven((1 - dy) * a[k + 3] + dy * c[k + 3]);
        out[3 * x + k] = toByte(roundEven((1 - dx) * left + dx * right));
      }
    }
  }
}
