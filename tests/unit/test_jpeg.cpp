// Decoding into the surface, its failures and messages, and where frames are painted.

#include <gtest/gtest.h>

#include <turbojpeg.h>

#include "dib/cDIBSection.h"
#include "viewer/FrameDisplay.h"
#include "recording/JpegModule.h"
#include "RecordingGenerator.h"
#include "support/ScriptedModal.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Highest quality: a green left quarter, the rest red above and blue below the middle; or a grey ramp.
Bytes encodePattern(int w, int h, bool grey = false) {
  using Rgb = std::array<std::uint8_t, 3>;
  Bytes rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto ramp = static_cast<std::uint8_t>(x * 255 / (w - 1));
      const Rgb colour = x < w / 4 ? Rgb{0, 255, 0} : y < h / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
      const Rgb c = grey ? Rgb{ramp, ramp, ramp} : colour;
      rgb.insert(rgb.end(), c.begin(), c.end());
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(0, tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, grey ? TJSAMP_GRAY : TJSAMP_444, 100, 0));
  Bytes jpeg(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return jpeg;
}

// Whether the picture's pixel (x, y), y counted from the top, is within 6 of B, G, R.
bool near(cDIBSection& dib, int x, int y, std::array<int, 3> bgr) {
  const std::uint8_t* p =
      dib.DIBSectionBitsPtr() + static_cast<std::size_t>(dib.Height() - 1 - y) * dib.BytesPerScanLine() + 3 * x;
  return std::abs(p[0] - bgr[0]) <= 6 && std::abs(p[1] - bgr[1]) <= 6 && std::abs(p[2] - bgr[2]) <= 6;
}

// The first FF xx marker of the given kind.
std::size_t findMarker(const Bytes& b, std::uint8_t kind) {
  for (std::size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == kind) return i;
  return b.size();
}

struct JpegTest : ::testing::Test {
  ScriptedModal modal;
  ModalScope scope{modal};
  cDIBSection dib;
  bool load(const Bytes& b) { return LoadJpegFromMemory(dib, b.data(), static_cast<std::int32_t>(b.size())); }
};

// An odd width: 189 bytes of pixels, 192 a row.
TEST_F(JpegTest, PictureIsUprightInPaddedBottomUpRowsInBlueGreenRedOrderAndGreyStaysGrey) {
  ASSERT_TRUE(load(encodePattern(63, 40)));
  EXPECT_EQ(std::tuple(dib.Width(), dib.Height(), dib.BytesPerScanLine()), std::tuple(63, 40, 192));
  EXPECT_TRUE(near(dib, 40, 2, {0, 0, 255})) << "top is red";
  EXPECT_TRUE(near(dib, 40, 37, {255, 0, 0})) << "bottom is blue";
  EXPECT_TRUE(near(dib, 3, 20, {0, 255, 0})) << "left is green";
  ASSERT_TRUE(load(encodePattern(64, 16, true)));
  for (int x : {0, 20, 40, 63}) EXPECT_TRUE(near(dib, x, 8, {x * 255 / 63, x * 255 / 63, x * 255 / 63})) << x;
}

// Each damage over a 20x10 picture: decoded?, the warning, the width after (20 kept, 640 new, 0 unchecked).
TEST_F(JpegTest, FailuresAndDamage) {
  const Bytes good = recgen::EncodeScene(5, 2);
  const auto declaring = [](int w, int h) {  // a header declaring w x h
    return [=](Bytes b) {
      const std::size_t sof = findMarker(b, 0xC0);
      b[sof + 5] = std::uint8_t(h >> 8), b[sof + 6] = std::uint8_t(h), b[sof + 7] = std::uint8_t(w >> 8);
      b[sof + 8] = std::uint8_t(w);
      return b;
    };
  };
  const auto cut = [](std::size_t keep) { return [=](Bytes b) { return Bytes(b.begin(), b.begin() + keep); }; };
  const auto flip = [](std::uint8_t kind, std::size_t after, std::uint8_t to) {  // 0: the middle byte
    return [=](Bytes b) {
      (kind ? b[findMarker(b, kind) + after] : b[b.size() / 2]) = to ? to : b[b.size() / 2] ^ 0x5A;
      return b;
    };
  };
  using Damage = std::tuple<const char*, std::function<Bytes(Bytes)>, bool, const char*, int>;
  const char* kRead = "Failed to read JPG";
  for (const auto& [name, spoil, decoded, message, width] :
       {Damage{"none", [](Bytes b) { return b; }, true, nullptr, 640},
        {"not a JPEG at all", [](Bytes b) { return Bytes(b.size(), 0x41); }, false, kRead, 20},
        {"only the start marker", cut(2), false, kRead, 20},
        {"ends inside the tables", cut(40), false, kRead, 20},
        {"entropy data cut short: shown", cut(good.size() * 2 / 3), true, nullptr, 640},
        {"a corrupt data byte: shown", flip(0, 0, 0), true, nullptr, 640},
        {"scan naming an undefined Huffman table", flip(0xDA, 6, 0x33), false, "Cannot read Image Data from file.",
         640},
        {"40000 x 40000: no camera picture is that big", declaring(40'000, 40'000), false, nullptr, 0},
        {"65535 x 65535, beyond the decoder's limit", declaring(65'535, 65'535), false, nullptr, 0}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(load(encodePattern(20, 10)));
    modal.shown.clear();
    EXPECT_EQ(load(spoil(good)), decoded);
    EXPECT_EQ(modal.texts(), message ? QStringList{message} : QStringList{});
    for (const ShownMessage& m : modal.shown) EXPECT_TRUE(m.icon == MsgIcon::Warning && m.buttons == MsgButtons::Ok);
    EXPECT_EQ(width ? dib.Width() : 0, width);
  }
}

TEST(FramePlacement, CentredWithHalvesToEven) {
  using Case = std::tuple<int, int, int>;
  const Case kCases[] = {{640, 640, 0}, {640, 320, 160}, {480, 240, 120}, {640, 704, -32}, {480, 576, -48},
                         {640, 639, 0}, {640, 637, 2},   {640, 641, 0},   {640, 643, -2},  {480, 1, 240}};
  for (const auto& [box, size, at] : kCases) EXPECT_EQ(CentreOffset(box, size), at) << box << " " << size;
}

// A failure keeps the picture and the surface; with decoding off nothing is decoded or painted.
struct RecordingCanvas : FrameCanvas {
  std::vector<std::array<int, 4>> paints;  // x, y, w, h
  void Paint(cDIBSection& dib, int x, int y) override { paints.push_back({x, y, dib.Width(), dib.Height()}); }
  void PaintMagnified(const cDIBSection&, QPoint, int, bool) override {}
  void Clear() override {}
};

TEST_F(JpegTest, ShowPaintsCentredOrKeepsThePreviousFrame) {
  FrameDisplay display;
  RecordingCanvas canvas;
  display.SetCanvas(&canvas);
  const Bytes small = encodePattern(320, 240), broken(small.size(), 0x41);
  const auto at = [](FilePos start, const Bytes& b) {
    return FrameBytes{.start = start, .end = start + FilePos(b.size()) - 1, .bytes = b, .block = {}};
  };
  ASSERT_TRUE(display.Show(at(101, small)));
  EXPECT_EQ(canvas.paints, (std::vector<std::array<int, 4>>{{160, 120, 320, 240}}));
  EXPECT_TRUE(display.Holds(101));
  EXPECT_FALSE(display.Show(at(5'000, broken)));
  EXPECT_EQ(std::tuple(canvas.paints.size(), display.Dib()->Width(), display.Holds(101), display.Holds(5'000)),
            std::tuple(1u, 320, false, false));
  display.SetDecoding(false);
  EXPECT_TRUE(display.Show(at(101, small)));
  EXPECT_EQ(std::tuple(canvas.paints.size(), display.Holds(101)), std::tuple(1u, false));
}

}  // namespace
