#include "dib/cDIBSection.h"

#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <stdexcept>

namespace {

int32_t checkedInt32(int64_t value, const char* what) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw std::overflow_error(what);
  return static_cast<int32_t>(value);
}

uint8_t toByte(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

// Round to nearest, ties to even (the default rounding mode).
double roundEven(double v) { return std::nearbyint(v); }

}  // namespace

cDIBSection::~cDIBSection() { ClearUp(); }

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

bool cDIBSection::Create(int32_t lWidth, int32_t lHeight) {
  ClearUp();
  std::uintptr_t handle = 0;
  if (!CreateDIB(lWidth, lHeight, handle)) return false;
  m_hDib = handle;
  return true;
}

int32_t cDIBSection::BytesPerScanLine() const {
  const int32_t unpadded = checkedInt32(int64_t{Width()} * 3 + 3, "cDIBSection: width × 3 + 3 overflows");
  return unpadded & ~3;
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
