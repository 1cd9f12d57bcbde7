#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "dib/cDIBSection.h"
#include "support/ScriptedModal.h"

namespace {

constexpr QRgb kUntouched = 0xFF123456;

// Pixel x of memory row y (row 0 = bottom of the picture), blue first.
uint8_t* pixelAt(const cDIBSection& dib, int x, int memoryRow) {
  return dib.DIBSectionBitsPtr() + static_cast<size_t>(memoryRow) * dib.BytesPerScanLine() + 3 * x;
}
QRgb rgbAt(const cDIBSection& dib, int x, int memoryRow) {
  const uint8_t* p = pixelAt(dib, x, memoryRow);
  return qRgb(p[2], p[1], p[0]);
}
void setRgb(const cDIBSection& dib, int x, int memoryRow, QRgb c) {
  uint8_t* p = pixelAt(dib, x, memoryRow);
  p[0] = qBlue(c), p[1] = qGreen(c), p[2] = qRed(c);
}

// Unique per memory position and channel: a misplaced pixel or swapped channels cannot look right.
QRgb colourOf(int x, int memoryRow) { return qRgb(200 + memoryRow, 100 + x, 10 * x + memoryRow + 1); }

void fillDistinct(const cDIBSection& dib) {
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) setRgb(dib, x, y, colourOf(x, y));
}

// The target after PaintPicture(dest, src) onto it with SRCCOPY.
QImage painted(const cDIBSection& dib, QImage target, QRect dest, QPoint src = {}) {
  QPainter painter(&target);
  dib.PaintPicture(painter, dest.x(), dest.y(), dest.width(), dest.height(), src.x(), src.y(), cDIBSection::SRCCOPY);
  painter.end();
  return target;
}

// The view strides as the memory; the header exists only once PointerToBitmapInfo was read.
TEST(DibSection, RowsArePaddedToFourBytesAndTheHeaderSaysSo) {
  using Case = std::tuple<int32_t, int32_t, int32_t, uint32_t>;
  for (const auto& [width, height, bytesPerScanLine, sizeImage] :
       {Case{1, 3, 4, 12}, {2, 3, 8, 24}, {3, 3, 12, 36}, {4, 3, 12, 36}, {5, 3, 16, 48}, {640, 480, 1920, 921600}}) {
    SCOPED_TRACE(width);
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(width, height));
    EXPECT_EQ(std::tuple(dib.BytesPerScanLine(), dib.SizeImage(), dib.hdc().bytesPerLine()),
              std::tuple(bytesPerScanLine, sizeImage, qsizetype{bytesPerScanLine}));
    EXPECT_THROW(dib.SizeBitmapInfo(), std::out_of_range);
    const uint8_t* h = dib.PointerToBitmapInfo();
    ASSERT_EQ(dib.SizeBitmapInfo(), 40);
    uint8_t expected[40] = {};  // biSize, width, height, 1 plane + 24 bits, BI_RGB, image size
    for (const auto& [at, value] :
         {std::pair{0, 40u}, {4, uint32_t(width)}, {8, uint32_t(height)}, {12, 1u | 24u << 16}, {20, sizeImage}})
      std::memcpy(expected + at, &value, 4);
    EXPECT_EQ(std::vector<uint8_t>(h, h + 40), std::vector<uint8_t>(expected, expected + 40));
  }
}

TEST(DibSection, FailedCreateAfterAGoodOneLeavesItEmpty) {
  using Case = std::tuple<int32_t, int32_t, bool>;
  // Overflows: height x row size; width x 3 fitting but not + 3; 139024 x 46341 just above 2^31.
  const Case kCases[] = {{0, 4, false},        {4, 0, false},        {-1, 4, false},      {4, -1, false},
                         {65535, 65535, true}, {715827882, 1, true}, {46341, 46341, true}};
  for (const auto& [width, height, overflows] : kCases) {
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(8, 8));
    if (overflows) EXPECT_THROW(dib.Create(width, height), std::overflow_error);
    else EXPECT_FALSE(dib.Create(width, height));
    EXPECT_TRUE(dib.hDib() == 0 && !dib.DIBSectionBitsPtr() && dib.hdc().isNull() && !dib.Resample(4, 4));
  }
}

// Row 0 at the bottom, BGR to RGB, nothing outside the named rectangle touched; a loaded picture's top row is the
// last memory row, and it paints back equal.
TEST(DibSection, PaintPictureLandsUprightOneToOneAndLoadPictureBltStoresBottomUp) {
  using Case = std::tuple<const char*, QRect, QPoint, QRect>;  // in the 12 × 10 target
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 4));
  fillDistinct(dib);
  QImage untouched(12, 10, QImage::Format_RGB32);
  untouched.fill(kUntouched);
  const Case kCases[] = {{"own size", {2, 1, -1, -1}, {}, {2, 1, 5, 4}},
                         {"own width only", {0, 0, -1, 2}, {}, {0, 0, 5, 2}},
                         {"sub-rectangle with source offsets", {6, 5, 2, 1}, {1, 2}, {6, 5, 2, 1}},
                         {"lower right corner", {0, 0, 3, 2}, {2, 2}, {0, 0, 3, 2}},
                         {"zero size", {}, {}, {}}};
  for (const auto& [name, dest, src, lands] : kCases) {
    QImage expected = untouched;
    for (int ty = lands.top(); ty <= lands.bottom(); ++ty)
      for (int tx = lands.left(); tx <= lands.right(); ++tx)
        expected.setPixel(tx, ty, colourOf(tx - dest.x() + src.x(), 3 - (ty - dest.y() + src.y())));
    EXPECT_TRUE(painted(dib, untouched, dest, src) == expected) << name;
  }
  QImage source(3, 2, QImage::Format_RGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.setPixel(x, y, colourOf(x, y));
  ASSERT_TRUE(dib.Create(3, 2));
  dib.LoadPictureBlt(source, 0, 0, -1, -1, cDIBSection::SRCCOPY);
  EXPECT_EQ(rgbAt(dib, 1, 1), source.pixel(1, 0)) << "the source's top row is the last memory row";
  EXPECT_TRUE(painted(dib, QImage(3, 2, QImage::Format_RGB32), {0, 0, -1, -1}) == source);
}

// 2x2 to 4x4 samples at x/4; green 2.5 and red 3.5 at x = 2: ties go to the even neighbour. Height first; the same
// size is an exact copy; a picture narrower or lower than 2 has no neighbour to blend with.
TEST(DibSection, ResampleBlendsRoundsTiesToEvenAndNeedsTwoByTwo) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  for (int y = 0; y < 2; ++y) setRgb(dib, 0, y, qRgb(3, 2, 0)), setRgb(dib, 1, y, qRgb(4, 3, 100));
  const auto out = dib.Resample(4, 4);
  ASSERT_NE(out, nullptr);
  const uint8_t blue[] = {0, 25, 50, 75}, green[] = {2, 2, 2, 3}, red[] = {3, 3, 4, 4};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(rgbAt(*out, x, y), qRgb(red[x], green[x], blue[x])) << x << "," << y;
  ASSERT_TRUE(dib.Create(7, 3));
  fillDistinct(dib);
  const auto same = dib.Resample(3, 7);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(std::pair(same->Width(), same->Height()), std::pair(7, 3));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(pixelAt(*same, 0, y), pixelAt(dib, 0, y), 21), 0) << y;
  for (const QSize size : {QSize(1, 5), QSize(5, 1)}) {
    ASSERT_TRUE(dib.Create(size.width(), size.height()));
    EXPECT_THROW(dib.Resample(4, 4), std::out_of_range) << size.width() << "x" << size.height();
  }
}

TEST(DibSection, CopyToClipboardAsDibRefusesWithTheMessage) {
  ASSERT_NE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);
  ScriptedModal modal;
  ModalScope scope(modal);
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  EXPECT_FALSE(dib.CopyToClipboard(true));
  EXPECT_EQ(modal.texts(), QStringList{"I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"});
}

}  // namespace
