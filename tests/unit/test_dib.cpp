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

// Unique per memory position, with three different channels, so neither a misplaced pixel
// nor swapped channels can look right.
QRgb colourOf(int x, int memoryRow) { return qRgb(200 + memoryRow, 100 + x, 10 * x + memoryRow + 1); }

void fillDistinct(const cDIBSection& dib) {
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) {
      uint8_t* p = pixelAt(dib, x, y);
      const QRgb c = colourOf(x, y);
      p[0] = qBlue(c);
      p[1] = qGreen(c);
      p[2] = qRed(c);
    }
}

TEST(DibSection, RowsArePaddedToFourBytes) {
  struct Case {
    int32_t width, height, bytesPerScanLine;
    uint32_t sizeImage;
  };
  for (const Case c : {Case{1, 3, 4, 12}, {2, 3, 8, 24}, {3, 3, 12, 36}, {4, 3, 12, 36}, {5, 3, 16, 48},
                       {640, 480, 1920, 921600}}) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(c.width, c.height));
    EXPECT_EQ(dib.BytesPerScanLine(), c.bytesPerScanLine) << c.width;
    EXPECT_EQ(dib.SizeImage(), c.sizeImage) << c.width;
    EXPECT_EQ(dib.hdc().bytesPerLine(), c.bytesPerScanLine) << c.width;  // the view strides as the memory
  }
}

TEST(DibSection, HeaderBytesOnlyOncePointerToBitmapInfoWasRead) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 3));
  EXPECT_THROW(dib.SizeBitmapInfo(), std::out_of_range);  // Create alone makes no copy
  const uint8_t* h = dib.PointerToBitmapInfo();
  ASSERT_EQ(dib.SizeBitmapInfo(), 40);
  // biSize 40, width 5, height +3 (bottom-up), 1 plane, 24 bits, uncompressed, 3 rows of 16 bytes.
  const std::vector<uint8_t> expected = {40, 0, 0, 0, 5, 0,  0, 0, 3, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                         48, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(h, h + 40), expected);
}

TEST(DibSection, FailedCreateAfterAGoodOneLeavesItEmpty) {
  struct Case {
    int32_t width, height;
    bool overflows;
  };
  for (const Case c : {Case{0, 4, false}, {4, 0, false}, {-1, 4, false}, {4, -1, false},
                       {65535, 65535, true},     // height × row size
                       {715827882, 1, true},     // width × 3 fits, + 3 does not
                       {46341, 46341, true}}) {  // 139024 × 46341 just above 2^31
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(8, 8));
    if (c.overflows)
      EXPECT_THROW(dib.Create(c.width, c.height), std::overflow_error) << c.width << "x" << c.height;
    else
      EXPECT_FALSE(dib.Create(c.width, c.height)) << c.width << "x" << c.height;
    EXPECT_EQ(dib.hDib(), 0u);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_TRUE(dib.hdc().isNull());
    EXPECT_EQ(dib.Resample(4, 4), nullptr);
  }
}

// Memory row 0 lands at the bottom, B,G,R become R,G,B, and every pixel outside the
// rectangle the arguments name stays as it was.
TEST(DibSection, PaintPictureLandsUprightOneToOne) {
  struct Case {
    const char* name;
    int destLeft, destTop, destWidth, destHeight, srcLeft, srcTop;
    QRect lands;  // in the 12 × 10 target
  };
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 4));
  fillDistinct(dib);
  for (const Case c : {Case{"own size", 2, 1, -1, -1, 0, 0, QRect(2, 1, 5, 4)},
                       {"own width only", 0, 0, -1, 2, 0, 0, QRect(0, 0, 5, 2)},
                       {"sub-rectangle with source offsets", 6, 5, 2, 1, 1, 2, QRect(6, 5, 2, 1)},
                       {"lower right corner", 0, 0, 3, 2, 2, 2, QRect(0, 0, 3, 2)},
                       {"zero size", 0, 0, 0, 0, 0, 0, QRect()}}) {
    QImage target(12, 10, QImage::Format_RGB32);
    target.fill(kUntouched);
    QImage expected = target;
    for (int ty = c.lands.top(); ty <= c.lands.bottom(); ++ty)
      for (int tx = c.lands.left(); tx <= c.lands.right(); ++tx)
        expected.setPixel(tx, ty, colourOf(tx - c.destLeft + c.srcLeft, 3 - (ty - c.destTop + c.srcTop)));
    {
      QPainter painter(&target);
      dib.PaintPicture(painter, c.destLeft, c.destTop, c.destWidth, c.destHeight, c.srcLeft, c.srcTop,
                       cDIBSection::SRCCOPY);
    }
    EXPECT_TRUE(target == expected) << c.name;
  }
}

TEST(DibSection, LoadPictureBltStoresBottomUpAndPaintsBackEqual) {
  QImage source(3, 2, QImage::Format_RGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.setPixel(x, y, qRgb(10 * x + 1, 20 * y + 2, 30 + x + y));
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  dib.LoadPictureBlt(source, 0, 0, -1, -1, cDIBSection::SRCCOPY);
  const uint8_t* top = pixelAt(dib, 1, 1);  // the source's top row is the last memory row
  EXPECT_EQ(qRgb(top[2], top[1], top[0]), source.pixel(1, 0));
  QImage back(3, 2, QImage::Format_RGB32);
  {
    QPainter painter(&back);
    dib.PaintPicture(painter, 0, 0, -1, -1, 0, 0, cDIBSection::SRCCOPY);
  }
  EXPECT_TRUE(back == source);

}

// Every row of the 2 × 2 source holds the same two pixels; the 4 × 4 result samples them at
// x / 4, so its last column stops short of the right one. At x = 2 green blends to 2.5 and
// red to 3.5: ties go to the even neighbour.
TEST(DibSection, ResampleBlendsAndRoundsTiesToEven) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  for (int y = 0; y < 2; ++y) {
    std::memcpy(pixelAt(dib, 0, y), "\x00\x02\x03", 3);
    std::memcpy(pixelAt(dib, 1, y), "\x64\x03\x04", 3);  // blue 100
  }
  const auto out = dib.Resample(4, 4);
  ASSERT_NE(out, nullptr);
  const uint8_t blue[] = {0, 25, 50, 75}, green[] = {2, 2, 2, 3}, red[] = {3, 3, 4, 4};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* p = pixelAt(*out, x, y);
      EXPECT_EQ(qRgb(p[2], p[1], p[0]), qRgb(red[x], green[x], blue[x])) << x << "," << y;
    }
}

TEST(DibSection, ResampleToTheSameSizeIsAnExactCopyAndTakesTheHeightFirst) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(7, 3));
  fillDistinct(dib);
  const auto same = dib.Resample(3, 7);
  ASSERT_NE(same, nullptr);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(pixelAt(*same, 0, y), pixelAt(dib, 0, y), 21), 0) << y;
  const auto wide = dib.Resample(100, 200);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Width(), 200);
  EXPECT_EQ(wide->Height(), 100);
}

TEST(DibSection, ResampleWithoutARightOrLowerNeighbourThrows) {
  for (const QSize size : {QSize(1, 5), QSize(5, 1)}) {
    cDIBSection dib;
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
  ASSERT_EQ(modal.shown.size(), 1u);
  EXPECT_EQ(modal.shown[0].text,
            QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"));
}

}  // namespace
