#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <stdexcept>

#include "dib/cDIBSection.h"
#include "support/ScriptedModal.h"

namespace {

constexpr QRgb kSentinel = 0xFF123456;

// Byte address of pixel x in memory row y (row 0 = bottom of the picture).
uint8_t* pixelAt(const cDIBSection& dib, int x, int memoryRow) {
  return dib.DIBSectionBitsPtr() + static_cast<size_t>(memoryRow) * dib.BytesPerScanLine() + 3 * x;
}

void setPixel(const cDIBSection& dib, int x, int memoryRow, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = pixelAt(dib, x, memoryRow);
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

// A colour unique to each memory position, so a misplaced pixel cannot look right.
QRgb colourOf(int x, int memoryRow) { return qRgb(200 + memoryRow, 100 + x, 10 * x + memoryRow + 1); }

void fillDistinct(const cDIBSection& dib) {
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) {
      const QRgb c = colourOf(x, y);
      setPixel(dib, x, y, qBlue(c), qGreen(c), qRed(c));
    }
}

QImage sentinelImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(kSentinel);
  return img;
}

uint32_t readU32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
uint16_t readU16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// ---- sizes and header ----

struct RowCase {
  int32_t width;
  int32_t bytesPerScanLine;
};

class DibRowSize : public testing::TestWithParam<RowCase> {};

TEST_P(DibRowSize, RowsArePaddedToFourBytesAndSizeImageFollows) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(GetParam().width, 3));
  EXPECT_EQ(dib.BytesPerScanLine(), GetParam().bytesPerScanLine);
  EXPECT_EQ(dib.SizeImage(), 3u * GetParam().bytesPerScanLine);
  EXPECT_EQ(dib.hdc().bytesPerLine(), GetParam().bytesPerScanLine);
}

INSTANTIATE_TEST_SUITE_P(Widths, DibRowSize,
                         testing::Values(RowCase{1, 4}, RowCase{2, 8}, RowCase{3, 12}, RowCase{4, 12},
                                         RowCase{5, 16}, RowCase{640, 1920}));

TEST(DibSection, FrameSizeImage) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(640, 480));
  EXPECT_EQ(dib.SizeImage(), 921600u);
  EXPECT_EQ(dib.SizeFileHeader(), 921655u);
  EXPECT_EQ(dib.Width(), 640);
  EXPECT_EQ(dib.Height(), 480);
}

TEST(DibSection, HeaderBytesAreTheBitmapInfoHeader) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 3));
  const uint8_t* h = dib.PointerToBitmapInfo();
  ASSERT_EQ(dib.SizeBitmapInfo(), 40);
  EXPECT_EQ(readU32(h + 0), 40u);              // biSize
  EXPECT_EQ(static_cast<int32_t>(readU32(h + 4)), 5);  // biWidth
  EXPECT_EQ(static_cast<int32_t>(readU32(h + 8)), 3);  // biHeight, positive: bottom-up
  EXPECT_EQ(readU16(h + 12), 1u);              // biPlanes
  EXPECT_EQ(readU16(h + 14), 24u);             // biBitCount
  EXPECT_EQ(readU32(h + 16), 0u);              // biCompression
  EXPECT_EQ(readU32(h + 20), 48u);             // biSizeImage = 3 rows of 16
  for (int offset = 24; offset < 40; offset += 4) EXPECT_EQ(readU32(h + offset), 0u) << offset;

  EXPECT_EQ(dib.SizeInfoHeader(), 40u);
  EXPECT_EQ(dib.Planes(), 1);
  EXPECT_EQ(dib.BitCount(), 24);
  EXPECT_EQ(dib.Compression(), 0u);
  EXPECT_EQ(dib.XPPM(), 0);
  EXPECT_EQ(dib.YPPM(), 0);
  EXPECT_EQ(dib.ClrUsed(), 0u);
  EXPECT_EQ(dib.ClrImportant(), 0u);
}

TEST(DibSection, HeaderCopyIsASnapshotThatOutlivesClearUp) {
  cDIBSection dib;
  EXPECT_THROW(dib.SizeBitmapInfo(), std::out_of_range);
  ASSERT_TRUE(dib.Create(5, 3));
  EXPECT_THROW(dib.SizeBitmapInfo(), std::out_of_range);  // Create alone makes no copy
  const uint8_t* h = dib.PointerToBitmapInfo();
  ASSERT_TRUE(dib.Create(7, 2));
  EXPECT_EQ(static_cast<int32_t>(readU32(h + 4)), 5);  // not refreshed by Create
  h = dib.PointerToBitmapInfo();
  EXPECT_EQ(static_cast<int32_t>(readU32(h + 4)), 7);
  dib.ClearUp();
  EXPECT_EQ(dib.SizeBitmapInfo(), 40);
}

TEST(DibSection, FileConstantsWhateverTheState) {
  cDIBSection dib;
  EXPECT_EQ(dib.FileType(), 19778);
  EXPECT_EQ(dib.BitOffset(), 54);
  ASSERT_TRUE(dib.Create(2, 2));
  EXPECT_EQ(dib.FileType(), 19778);
  EXPECT_EQ(dib.BitOffset(), 54);
}

// ---- creation and failure ----

void expectEmpty(const cDIBSection& dib) {
  EXPECT_EQ(dib.hDib(), 0u);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.PointerToBits(), nullptr);
  EXPECT_TRUE(dib.hdc().isNull());
}

TEST(DibSection, CreatedSurfaceHandsOutItsMemory) {
  cDIBSection dib;
  expectEmpty(dib);
  ASSERT_TRUE(dib.Create(3, 2));
  ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.PointerToBits(), dib.DIBSectionBitsPtr());
  EXPECT_NE(dib.hDib(), 0u);
  EXPECT_EQ(dib.hdc().constBits(), dib.DIBSectionBitsPtr());  // the DC views the memory, no copy
  EXPECT_EQ(dib.hdc().size(), QSize(3, 2));
}

TEST(DibSection, CreateDibHandsBackTheHandle) {
  cDIBSection dib;
  std::uintptr_t handle = 0;
  ASSERT_TRUE(dib.CreateDIB(4, 4, handle));
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(handle, reinterpret_cast<std::uintptr_t>(dib.DIBSectionBitsPtr()));
  EXPECT_FALSE(dib.CreateDIB(0, 4, handle));
  EXPECT_EQ(handle, 0u);
}

struct BadSize {
  int32_t width, height;
};

class DibBadSize : public testing::TestWithParam<BadSize> {};

TEST_P(DibBadSize, FailedCreateAfterAGoodOneLeavesTheObjectEmpty) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(8, 8));
  EXPECT_FALSE(dib.Create(GetParam().width, GetParam().height));
  expectEmpty(dib);
  EXPECT_FALSE(dib.CopyToClipboard(false));
  EXPECT_EQ(dib.Resample(4, 4), nullptr);
  QImage target = sentinelImage(4, 4);
  QPainter painter(&target);
  dib.PaintPicture(painter);  // nothing to paint, nothing happens
  painter.end();
  EXPECT_EQ(target, sentinelImage(4, 4));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibBadSize,
                         testing::Values(BadSize{0, 4}, BadSize{4, 0}, BadSize{-1, 4}, BadSize{4, -1},
                                         BadSize{-640, -480}));

class DibOverflow : public testing::TestWithParam<BadSize> {};

TEST_P(DibOverflow, ThrowsAndLeavesTheObjectEmpty) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(8, 8));
  EXPECT_THROW(dib.Create(GetParam().width, GetParam().height), std::overflow_error);
  expectEmpty(dib);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibOverflow,
                         testing::Values(BadSize{65535, 65535},   // height × row size
                                         BadSize{800000000, 1},   // width × 3 + 3
                                         BadSize{715827882, 1},   // × 3 fits, + 3 does not
                                         BadSize{46341, 46341})); // 139024 × 46341 > 2^31

TEST(DibSection, ClearUpEmptiesAndCanBeRepeated) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  dib.ClearUp();
  expectEmpty(dib);
  dib.ClearUp();
  expectEmpty(dib);
  EXPECT_TRUE(dib.Create(2, 2));
}

// ---- painting out ----

TEST(DibSection, FirstMemoryRowIsPaintedAtTheBottomInBlueGreenRedOrder) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  setPixel(dib, 0, 0, 0x11, 0x22, 0x33);  // memory row 0, first pixel
  setPixel(dib, 1, 0, 0x01, 0x02, 0x03);
  setPixel(dib, 2, 0, 0xFF, 0x00, 0x80);
  setPixel(dib, 0, 1, 0x44, 0x55, 0x66);
  setPixel(dib, 1, 1, 0x00, 0x00, 0x00);
  setPixel(dib, 2, 1, 0xFE, 0xFD, 0xFC);

  QImage target = sentinelImage(3, 2);
  QPainter painter(&target);
  dib.PaintPicture(painter, 0, 0, -1, -1, 0, 0, cDIBSection::SRCCOPY);
  painter.end();

  EXPECT_EQ(target.pixel(0, 1), qRgb(0x33, 0x22, 0x11));  // bottom row of the picture
  EXPECT_EQ(target.pixel(1, 1), qRgb(0x03, 0x02, 0x01));
  EXPECT_EQ(target.pixel(2, 1), qRgb(0x80, 0x00, 0xFF));
  EXPECT_EQ(target.pixel(0, 0), qRgb(0x66, 0x55, 0x44));
  EXPECT_EQ(target.pixel(1, 0), qRgb(0x00, 0x00, 0x00));
  EXPECT_EQ(target.pixel(2, 0), qRgb(0xFC, 0xFD, 0xFE));
}

struct PaintCase {
  const char* name;
  int destLeft, destTop, destWidth, destHeight, srcLeft, srcTop;
  QRect expectedRect;  // where the picture lands in the 12 × 10 target
};

class DibPaint : public testing::TestWithParam<PaintCase> {};

// Every target pixel is either the picture pixel the offsets say, or untouched.
TEST_P(DibPaint, LandsOneToOneWhereTheOffsetsSay) {
  const PaintCase& c = GetParam();
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 4));
  fillDistinct(dib);
  QImage target = sentinelImage(12, 10);
  QPainter painter(&target);
  dib.PaintPicture(painter, c.destLeft, c.destTop, c.destWidth, c.destHeight, c.srcLeft, c.srcTop,
                   cDIBSection::SRCCOPY);
  painter.end();

  for (int ty = 0; ty < target.height(); ++ty)
    for (int tx = 0; tx < target.width(); ++tx) {
      QRgb expected = kSentinel;
      if (c.expectedRect.contains(tx, ty)) {
        const int pictureX = tx - c.destLeft + c.srcLeft;
        const int pictureY = ty - c.destTop + c.srcTop;
        expected = colourOf(pictureX, dib.Height() - 1 - pictureY);
      }
      ASSERT_EQ(target.pixel(tx, ty), expected) << c.name << " at " << tx << "," << ty;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rects, DibPaint,
    testing::Values(PaintCase{"own size", 2, 1, -1, -1, 0, 0, QRect(2, 1, 5, 4)},
                    PaintCase{"own width only", 0, 0, -1, 2, 0, 0, QRect(0, 0, 5, 2)},
                    PaintCase{"sub-rect with offsets", 6, 5, 2, 1, 1, 2, QRect(6, 5, 2, 1)},
                    PaintCase{"lower right corner", 0, 0, 3, 2, 2, 2, QRect(0, 0, 3, 2)},
                    PaintCase{"top row", 7, 9, 5, 1, 0, 0, QRect(7, 9, 5, 1)},
                    PaintCase{"zero size", 0, 0, 0, 0, 0, 0, QRect()}),
    [](const testing::TestParamInfo<PaintCase>& i) { return "case" + std::to_string(i.index); });

TEST(DibSection, SrcCopyReplacesAndThePainterIsRestored) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  fillDistinct(dib);
  QImage target(2, 2, QImage::Format_ARGB32_Premultiplied);
  target.fill(Qt::white);
  QPainter painter(&target);
  painter.setCompositionMode(QPainter::CompositionMode_Destination);  // would draw nothing
  painter.setOpacity(0.5);
  const QTransform before = painter.transform();
  dib.PaintPicture(painter);
  EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_Destination);
  EXPECT_EQ(painter.transform(), before);
  EXPECT_EQ(painter.opacity(), 0.5);
  painter.end();
  EXPECT_EQ(target.pixel(0, 1), colourOf(0, 0));
  EXPECT_EQ(target.pixel(1, 0), colourOf(1, 1));
}

TEST(DibSection, PaintingFollowsThePaintersOwnTranslation) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  fillDistinct(dib);
  QImage target = sentinelImage(6, 6);
  QPainter painter(&target);
  painter.translate(3, 2);
  dib.PaintPicture(painter, 1, 1);
  painter.end();
  EXPECT_EQ(target.pixel(4, 3), colourOf(0, 1));
  EXPECT_EQ(target.pixel(5, 4), colourOf(1, 0));
  EXPECT_EQ(target.pixel(3, 2), kSentinel);
}

struct RopCase {
  uint32_t rop;
  uint8_t expected;  // per channel, with source 0x0F and destination 0x35
};

class DibRasterOp : public testing::TestWithParam<RopCase> {};

TEST_P(DibRasterOp, CombinesSourceAndDestination) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(1, 1));
  setPixel(dib, 0, 0, 0x0F, 0x0F, 0x0F);
  QImage target(1, 1, QImage::Format_RGB32);
  target.fill(qRgb(0x35, 0x35, 0x35));
  QPainter painter(&target);
  dib.PaintPicture(painter, 0, 0, -1, -1, 0, 0, GetParam().rop);
  painter.end();
  const QRgb got = target.pixel(0, 0);
  const uint8_t e = GetParam().expected;
  EXPECT_EQ(qRed(got), e);
  EXPECT_EQ(qGreen(got), e);
  EXPECT_EQ(qBlue(got), e);
}

INSTANTIATE_TEST_SUITE_P(
    Rops, DibRasterOp,
    testing::Values(RopCase{cDIBSection::SRCCOPY, 0x0F}, RopCase{cDIBSection::SRCPAINT, 0x3F},
                    RopCase{cDIBSection::SRCAND, 0x05}, RopCase{cDIBSection::SRCINVERT, 0x3A},
                    RopCase{cDIBSection::SRCERASE, 0x0A}, RopCase{cDIBSection::NOTSRCCOPY, 0xF0},
                    RopCase{cDIBSection::NOTSRCERASE, 0xC0}, RopCase{cDIBSection::MERGEPAINT, 0xF5},
                    RopCase{cDIBSection::DSTINVERT, 0xCA}, RopCase{cDIBSection::BLACKNESS, 0x00},
                    RopCase{cDIBSection::WHITENESS, 0xFF},
                    RopCase{0x00F00021 /* PATCOPY: no brush here, ignored */, 0x35}));

// ---- loading in ----

QImage distinctTopDown(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(10 * x + 1, 20 * y + 2, 30 + x + y));
  return img;
}

TEST(DibSection, LoadPictureBltLandsUprightAndPaintsBackEqual) {
  const QImage source = distinctTopDown(3, 2);
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  dib.LoadPictureBlt(source, 0, 0, -1, -1, cDIBSection::SRCCOPY);

  // The source's top row is the last row in memory, blue first.
  const uint8_t* top = pixelAt(dib, 1, 1);
  EXPECT_EQ(top[0], qBlue(source.pixel(1, 0)));
  EXPECT_EQ(top[1], qGreen(source.pixel(1, 0)));
  EXPECT_EQ(top[2], qRed(source.pixel(1, 0)));

  QImage back(3, 2, QImage::Format_RGB32);
  QPainter painter(&back);
  dib.PaintPicture(painter);
  painter.end();
  EXPECT_EQ(back, source);
}

TEST(DibSection, LoadPictureBltTakesASourceRectIntoTheTopLeft) {
  const QImage source = distinctTopDown(4, 3);
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  std::memset(dib.DIBSectionBitsPtr(), 0x77, dib.SizeImage());
  dib.LoadPictureBlt(source, 1, 1, 2, 1, cDIBSection::SRCCOPY);

  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      const uint8_t* p = pixelAt(dib, x, y);
      const bool copied = (y == 2 && x < 2);  // picture row 0 = memory row 2
      const QRgb want = copied ? source.pixel(x + 1, 1) : qRgb(0x77, 0x77, 0x77);
      EXPECT_EQ(qRgb(p[2], p[1], p[0]), want) << x << "," << y;
    }
  // Padding (3 × 3 = 9 bytes of a 12-byte row) is not written.
  for (int y = 0; y < 3; ++y)
    for (int b = 9; b < 12; ++b) EXPECT_EQ(dib.DIBSectionBitsPtr()[y * 12 + b], 0x77);
}

TEST(DibSection, CreateFromPictureTakesSizeAndPixels) {
  const QImage source = distinctTopDown(5, 4);
  cDIBSection dib;
  dib.CreateFromPicture(source);
  ASSERT_EQ(dib.Width(), 5);
  ASSERT_EQ(dib.Height(), 4);
  QImage back(5, 4, QImage::Format_RGB32);
  QPainter painter(&back);
  dib.PaintPicture(painter);
  painter.end();
  EXPECT_EQ(back, source);

  dib.CreateFromPicture(QImage());
  expectEmpty(dib);
}

// ---- random fill ----

class DibRandom : public testing::TestWithParam<bool> {};

TEST_P(DibRandom, FillsPixelsAndLeavesPadding) {
  const bool gray = GetParam();
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 7));  // 15 bytes of pixels in a 16-byte row
  std::memset(dib.DIBSectionBitsPtr(), 0xAB, dib.SizeImage());
  dib.RandomiseBits(gray);
  bool anyChanged = false;
  for (int y = 0; y < dib.Height(); ++y) {
    EXPECT_EQ(dib.DIBSectionBitsPtr()[y * 16 + 15], 0xAB) << "padding of row " << y;
    for (int x = 0; x < dib.Width(); ++x) {
      const uint8_t* p = pixelAt(dib, x, y);
      if (gray) {
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      } else {
        EXPECT_EQ(p[0], 0) << x << "," << y;
      }
      anyChanged |= p[1] != 0xAB;
    }
  }
  EXPECT_TRUE(anyChanged);
}

INSTANTIATE_TEST_SUITE_P(GrayOrColour, DibRandom, testing::Bool());

// ---- resampling ----

TEST(DibSection, ResampleTwoByTwoToFourByFourStopsShortOfTheLastColumn) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  for (int y = 0; y < 2; ++y) {
    setPixel(dib, 0, y, 0, 0, 0);
    setPixel(dib, 1, y, 100, 0, 0);
  }
  const auto out = dib.Resample(4, 4);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->Width(), 4);
  ASSERT_EQ(out->Height(), 4);
  const uint8_t blues[] = {0, 25, 50, 75};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* p = pixelAt(*out, x, y);
      EXPECT_EQ(p[0], blues[x]) << x << "," << y;
      EXPECT_EQ(p[1], 0);
      EXPECT_EQ(p[2], 0);
    }
}

struct BlendCase {
  const char* why;
  uint8_t a, b, c, d;  // source: a, b = memory row 0 left/right; c, d = memory row 1 left/right
  int x, y;            // target pixel in the 4 × 4 result (x/4 and y/4 are the weights)
  uint8_t expected;
};

class DibBlend : public testing::TestWithParam<BlendCase> {};

TEST_P(DibBlend, RoundsHalfToEvenAndVerticalFirst) {
  const BlendCase& c = GetParam();
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  setPixel(dib, 0, 0, c.a, c.a, c.a);
  setPixel(dib, 1, 0, c.b, c.b, c.b);
  setPixel(dib, 0, 1, c.c, c.c, c.c);
  setPixel(dib, 1, 1, c.d, c.d, c.d);
  const auto out = dib.Resample(4, 4);
  ASSERT_NE(out, nullptr);
  const uint8_t* p = pixelAt(*out, c.x, c.y);
  EXPECT_EQ(p[0], c.expected) << c.why;
  EXPECT_EQ(p[1], c.expected) << c.why;
  EXPECT_EQ(p[2], c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DibBlend,
    testing::Values(BlendCase{"2.5 rounds down to even", 2, 3, 2, 3, 2, 0, 2},
                    BlendCase{"3.5 rounds up to even", 3, 4, 3, 4, 2, 0, 4},
                    BlendCase{"vertical 0.5 -> 0 and 2.5 -> 2 before the horizontal blend", 0, 2, 1, 3,
                              2, 2, 1},
                    BlendCase{"left blend 0.5 rounds to 0 before meeting right 1", 0, 1, 1, 1, 2, 2, 0},
                    BlendCase{"right blend 0.5 rounds to 0 before meeting left 1", 1, 0, 1, 1, 2, 2, 0},
                    BlendCase{"a quarter of the way down", 0, 0, 200, 200, 0, 1, 50},
                    BlendCase{"corner weights 0.75 × 0.75", 255, 0, 0, 0, 1, 1, 143},
                    BlendCase{"origin is the source's first pixel", 77, 1, 1, 1, 0, 0, 77}));

TEST(DibSection, ResampleShrinkSamplesEveryScaleStep) {
  // 5 × 5 to 2 × 2: xScale = yScale = 4 / 2 = 2, so the target samples source pixels 0 and 2 exactly.
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 5));
  fillDistinct(dib);
  const auto out = dib.Resample(2, 2);
  ASSERT_NE(out, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      const uint8_t* p = pixelAt(*out, x, y);
      EXPECT_EQ(qRgb(p[2], p[1], p[0]), colourOf(2 * x, 2 * y)) << x << "," << y;
    }
}

TEST(DibSection, ResampleToTheSameSizeIsAPixelExactCopy) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(7, 3));
  fillDistinct(dib);
  const auto out = dib.Resample(3, 7);
  ASSERT_NE(out, nullptr);
  ASSERT_NE(out->DIBSectionBitsPtr(), dib.DIBSectionBitsPtr());
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(std::memcmp(pixelAt(*out, 0, y), pixelAt(dib, 0, y), 7 * 3), 0) << "row " << y;
}

TEST(DibSection, ResampleTakesTheHeightFirst) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  fillDistinct(dib);
  const auto out = dib.Resample(100, 200);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Width(), 200);
  EXPECT_EQ(out->Height(), 100);
}

class DibNarrowSource : public testing::TestWithParam<BadSize> {};

TEST_P(DibNarrowSource, ResamplingWithoutNeighboursThrowsButSameSizeCopies) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(GetParam().width, GetParam().height));
  fillDistinct(dib);
  EXPECT_THROW(dib.Resample(4, 4), std::out_of_range);
  const auto same = dib.Resample(GetParam().height, GetParam().width);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(std::memcmp(pixelAt(*same, 0, 0), pixelAt(dib, 0, 0), 3), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibNarrowSource,
                         testing::Values(BadSize{1, 5}, BadSize{5, 1}, BadSize{1, 1}));

TEST(DibSection, ResampleToANonPositiveSizeAnswersNone) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  EXPECT_EQ(dib.Resample(0, 4), nullptr);
  EXPECT_EQ(dib.Resample(4, -1), nullptr);
}

// ---- clipboard ----

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
  EXPECT_EQ(modal.shown[0].icon, MsgIcon::None);
  EXPECT_EQ(modal.shown[0].buttons, MsgButtons::Ok);
}

TEST(DibSection, CopyToClipboardAsBitmapPutsTheUprightPicture) {
  ASSERT_NE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);
  ScriptedModal modal;
  ModalScope scope(modal);
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  fillDistinct(dib);
  ASSERT_TRUE(dib.CopyToClipboard(false));
  EXPECT_TRUE(modal.shown.empty());
  const QImage held = QGuiApplication::clipboard()->image();
  ASSERT_EQ(held.size(), QSize(3, 2));
  EXPECT_EQ(held.pixel(0, 1), colourOf(0, 0));
  EXPECT_EQ(held.pixel(2, 0), colourOf(2, 1));
}

}  // namespace
