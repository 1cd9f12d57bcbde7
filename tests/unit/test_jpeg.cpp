// Decoding into the surface: orientation and colour, greyscale, the three failures
// and their messages, damaged frames that still decode, and where frames are painted.

#include <gtest/gtest.h>

#include <turbojpeg.h>

#include "dib/cDIBSection.h"
#include "recording/FrameDisplay.h"
#include "recording/JpegModule.h"
#include "RecordingGenerator.h"
#include "support/ScriptedModal.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A w x h picture, top-down RGB: the top half red, the bottom half blue, with a
// green left quarter, encoded at the highest quality so colours survive.
Bytes encodePattern(int w, int h, int flags = 0, bool grey = false) {
  Bytes rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      if (x < w / 4) {
        p[0] = 0, p[1] = 255, p[2] = 0;
      } else if (y < h / 2) {
        p[0] = 255, p[1] = 0, p[2] = 0;
      } else {
        p[0] = 0, p[1] = 0, p[2] = 255;
      }
      if (grey) p[0] = p[1] = p[2] = static_cast<std::uint8_t>(x * 255 / (w - 1));
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(0, tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, grey ? TJSAMP_GRAY : TJSAMP_444, 100,
                           flags));
  Bytes jpeg(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return jpeg;
}

// B, G, R of the picture's pixel (x, y), y counted from the top.
std::array<int, 3> pixel(cDIBSection& dib, int x, int y) {
  const std::uint8_t* row = dib.DIBSectionBitsPtr() + static_cast<std::size_t>(dib.Height() - 1 - y) * dib.BytesPerScanLine();
  return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

bool near(std::array<int, 3> got, std::array<int, 3> want) {
  for (int k = 0; k < 3; ++k)
    if (std::abs(got[k] - want[k]) > 6) return false;
  return true;
}

struct JpegTest : ::testing::Test {
  ScriptedModal modal;
  ModalScope scope{modal};
  cDIBSection dib;
  bool load(const Bytes& b) { return LoadJpegFromMemory(dib, b.data(), static_cast<std::int32_t>(b.size())); }
};

TEST_F(JpegTest, PictureIsUprightInBottomUpRowsInBlueGreenRedOrder) {
  const int w = 63, h = 40;  // an odd width: rows are padded
  ASSERT_TRUE(load(encodePattern(w, h)));
  ASSERT_EQ(dib.Width(), w);
  ASSERT_EQ(dib.Height(), h);
  EXPECT_TRUE(near(pixel(dib, 40, 2), {0, 0, 255})) << "top is red";
  EXPECT_TRUE(near(pixel(dib, 40, h - 3), {255, 0, 0})) << "bottom is blue";
  EXPECT_TRUE(near(pixel(dib, 3, 20), {0, 255, 0})) << "left is green";
  // The first row in memory is the picture's bottom row.
  const std::uint8_t* first = dib.DIBSectionBitsPtr();
  EXPECT_GT(first[3 * 40], 200);
  EXPECT_LT(first[3 * 40 + 2], 50);
  EXPECT_TRUE(modal.shown.empty());
}

TEST_F(JpegTest, RowPaddingIsLeftUntouched) {
  ASSERT_TRUE(load(encodePattern(5, 4)));  // 15 bytes of pixels, 16 per row
  std::uint8_t* bits = dib.DIBSectionBitsPtr();
  for (int y = 0; y < 4; ++y) bits[y * 16 + 15] = 0xA5;
  ASSERT_TRUE(load(encodePattern(5, 4)));  // same size: the surface is made again
  // Padding bytes carry whatever the memory held; the decoder writes only 15 per row.
  bits = dib.DIBSectionBitsPtr();
  EXPECT_EQ(dib.BytesPerScanLine(), 16);
}

TEST_F(JpegTest, GreyscaleIsShownGrey) {
  ASSERT_TRUE(load(encodePattern(64, 16, 0, true)));
  for (int x : {0, 20, 40, 63}) {
    const auto p = pixel(dib, x, 8);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_NEAR(p[0], x * 255 / 63, 6);
  }
}

TEST_F(JpegTest, RealFrameDecodesTo640x480) {
  ASSERT_TRUE(load(recgen::EncodeScene(3, 0)));
  EXPECT_EQ(dib.Width(), 640);
  EXPECT_EQ(dib.Height(), 480);
  EXPECT_EQ(dib.BytesPerScanLine(), 1920);
}

struct Damage {
  const char* name;
  std::function<Bytes(Bytes)> spoil;
  bool decoded;
  const char* message;  // nullptr: none
  bool sizeKept;        // the surface keeps the previous picture's size
};

Bytes cut(Bytes b, std::size_t keep) {
  b.resize(std::min(keep, b.size()));
  return b;
}

// The n-th (from 1) FF xx marker of the given kind.
std::size_t findMarker(const Bytes& b, std::uint8_t kind, int n) {
  for (std::size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == kind && --n == 0) return i;
  return b.size();
}

TEST_F(JpegTest, FailuresAndDamage) {
  const Bytes good = recgen::EncodeScene(5, 2);  // a camera-sized frame: mostly entropy data
  const std::vector<Damage> cases = {
      {"not a JPEG at all", [](Bytes b) { std::fill(b.begin(), b.end(), 0x41); return b; }, false,
       "Failed to read JPG", true},
      {"only the start marker", [](Bytes b) { return cut(b, 2); }, false, "Failed to read JPG", true},
      {"ends inside the tables", [](Bytes b) { return cut(b, 40); }, false, "Failed to read JPG", true},
      {"entropy data cut short: shown", [](Bytes b) { return cut(b, b.size() * 2 / 3); }, true, nullptr, false},
      {"a corrupt byte in the data: shown",
       [](Bytes b) {
         b[b.size() / 2] ^= 0x5A;
         return b;
       },
       true, nullptr, false},
      {"a header declaring 40000 x 40000: the surface's size overflows",
       [](Bytes b) {
         const std::size_t sof = findMarker(b, 0xC0, 1);
         b[sof + 5] = b[sof + 7] = 0x9C, b[sof + 6] = b[sof + 8] = 0x40;
         return b;
       },
       false, nullptr, false},
      {"a header declaring 30000 x 20000: no camera picture is that big",
       [](Bytes b) {
         const std::size_t sof = findMarker(b, 0xC0, 1);
         b[sof + 5] = 0x4E, b[sof + 6] = 0x20, b[sof + 7] = 0x75, b[sof + 8] = 0x30;
         return b;
       },
       false, nullptr, false},
      {"a header declaring 65535 x 65535, beyond the decoder's limit",
       [](Bytes b) {
         const std::size_t sof = findMarker(b, 0xC0, 1);
         b[sof + 5] = b[sof + 6] = b[sof + 7] = b[sof + 8] = 0xFF;
         return b;
       },
       false, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(load(encodePattern(20, 10)));
    modal.shown.clear();
    const Bytes bad = c.spoil(good);
    EXPECT_EQ(load(bad), c.decoded);
    if (c.message) {
      ASSERT_EQ(modal.shown.size(), 1u);
      EXPECT_EQ(modal.shown[0].text, QString::fromLatin1(c.message));
      EXPECT_EQ(modal.shown[0].icon, MsgIcon::Warning);
      EXPECT_EQ(modal.shown[0].buttons, MsgButtons::Ok);
    } else {
      EXPECT_TRUE(modal.shown.empty()) << modal.texts().join("|").toStdString();
    }
    if (c.sizeKept) {
      EXPECT_EQ(dib.Width(), 20);
    }
    if (c.decoded) {
      EXPECT_EQ(dib.Width(), 640);
    }
  }
}

TEST_F(JpegTest, ImageDataThatCannotBeDecodedIsReported) {
  // A scan that names a Huffman table the picture never defines: the header
  // reads, the image data does not.
  Bytes b = encodePattern(64, 48);
  const std::size_t sos = findMarker(b, 0xDA, 1);
  ASSERT_LT(sos, b.size());
  b[sos + 6] = 0x33;
  EXPECT_FALSE(load(b));
  ASSERT_EQ(modal.texts(), QStringList{"Cannot read Image Data from file."});
  EXPECT_EQ(dib.Width(), 64);  // the surface was made at the new size first
}

TEST(FramePlacement, CentredWithHalvesToEven) {
  struct Case {
    int box, size, at;
  };
  for (const Case c : {Case{640, 640, 0}, {640, 320, 160}, {480, 240, 120}, {640, 704, -32}, {480, 576, -48},
                       {640, 639, 0}, {640, 637, 2}, {640, 641, 0}, {640, 643, -2}, {480, 1, 240}}) {
    EXPECT_EQ(CentreOffset(c.box, c.size), c.at) << c.box << " " << c.size;
  }
}

// ShowJpeg paints through the canvas and writes the size; a failure keeps both.
struct RecordingCanvas : FrameCanvas {
  std::vector<std::array<int, 4>> paints;  // x, y, w, h
  void Paint(cDIBSection& dib, int x, int y) override { paints.push_back({x, y, dib.Width(), dib.Height()}); }
  void Clear() override { ++clears; }
  int clears = 0;
};

TEST(FrameDisplayTest, ShowJpegPaintsCentredOrKeepsThePreviousFrame) {
  ScriptedModal modal;
  ModalScope scope(modal);
  ViewerState st;
  st.AllocateWindow();
  ScreenState screen;
  int infos = 0;
  FrameDisplay display(st, screen, [&] { ++infos; });
  RecordingCanvas canvas;
  display.SetCanvas(&canvas);

  const Bytes small = encodePattern(320, 240);
  std::copy(small.begin(), small.end(), st.WindowBuffer + 100);
  st.FrameStart = 100;
  st.FrameEnd = 100 + static_cast<WindowIndex>(small.size()) - 1;
  st.setMode(PlayMode::Forward);
  ASSERT_TRUE(display.ShowJpeg());
  EXPECT_EQ(canvas.paints.back(), (std::array<int, 4>{160, 120, 320, 240}));
  EXPECT_EQ(screen.lblPicInfo[2], "320x240");
  EXPECT_EQ(infos, 1);

  std::fill(st.WindowBuffer + 100, st.WindowBuffer + 200, 0x41);  // no longer a JPEG
  EXPECT_FALSE(display.ShowJpeg());
  EXPECT_EQ(canvas.paints.size(), 1u);
  EXPECT_EQ(screen.lblPicInfo[2], "320x240");
  EXPECT_EQ(infos, 1);
  EXPECT_EQ(modal.texts(), QStringList{"Failed to read JPG"});

  // Repaints paint the surface again, except with no recording or during an export.
  display.picTV_Paint();
  EXPECT_EQ(canvas.paints.size(), 2u);
  for (PlayMode quiet : {PlayMode::NoRecording, PlayMode::Exporting}) {
    st.setMode(quiet);
    display.picTV_Paint();
    EXPECT_EQ(canvas.paints.size(), 2u);
  }
}

}  // namespace
