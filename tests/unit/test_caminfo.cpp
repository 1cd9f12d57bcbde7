// The camera information block: decoding, the panel's texts and colours, and what
// the panel keeps from earlier frames.

#include <gtest/gtest.h>

#include <cstring>

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "caminfo/PanelTexts.h"
#include "support/QtPrinters.h"

namespace {

// A window with the 32 block characters placed right before FrameStart.
struct Window {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kWindowSize, 0);
  FrameInfo decode(const std::string& block, WindowIndex frameStart = 1000) {
    EXPECT_EQ(block.size(), 32u);
    std::memcpy(bytes.data() + frameStart - 32, block.data(), 32);
    return DecodeFrameInfo(bytes.data(), frameStart);
  }
};

// tag(4) ident(12) unread(6) speed(2) battery(2) unread(1) seconds(5)
std::string measurement(const std::string& speed, const std::string& battery, const std::string& seconds,
                        const std::string& tag = "0000") {
  return tag + "CAM-0417-A02" + "000000" + speed + battery + " " + seconds;
}

TEST(DecodeFrameInfo, KindsByTag) {
  struct Case {
    std::string tag;
    FrameKind kind;
  };
  for (const Case& c : {Case{"0000", FrameKind::Measurement}, {"0001", FrameKind::TextTime},
                        {"0002", FrameKind::Unrecognised}, {"000 ", FrameKind::Unrecognised},
                        {" 000", FrameKind::Unrecognised}, {"000O", FrameKind::Unrecognised},
                        {std::string("\xFF\xD9\0\0", 4), FrameKind::Unrecognised}}) {
    Window w;
    const FrameInfo info = w.decode(measurement("5A", "CC", "00E10", c.tag));
    EXPECT_EQ(info.Kind, c.kind) << c.tag;
    if (c.kind == FrameKind::Unrecognised) {
      EXPECT_TRUE(info.Ident.isEmpty());  // nothing else is read
      EXPECT_EQ(info.SpeedKmh, 0);
    }
  }
}

TEST(DecodeFrameInfo, BlockOnlyInsideTheWindowAndAbove32) {
  Window w;
  const std::string block = measurement("5A", "CC", "00E10");
  for (WindowIndex start : {WindowIndex{-1}, WindowIndex{0}, WindowIndex{31}, WindowIndex{32}}) {
    std::memcpy(w.bytes.data(), block.data(), 32);
    EXPECT_EQ(DecodeFrameInfo(w.bytes.data(), start).Kind, FrameKind::NoBlock) << start;
  }
  // At 33 the block is bytes 1 to 32.
  std::memcpy(w.bytes.data() + 1, block.data(), 32);
  EXPECT_EQ(DecodeFrameInfo(w.bytes.data(), 33).Kind, FrameKind::Measurement);
  // A start carried beyond the window has no block to read.
  EXPECT_EQ(DecodeFrameInfo(w.bytes.data(), kWindowSize + 40).Kind, FrameKind::NoBlock);
  EXPECT_EQ(DecodeFrameInfo(w.bytes.data(), WindowIndex{1} << 40).Kind, FrameKind::NoBlock);
}

TEST(DecodeFrameInfo, HexadecimalFields) {
  struct Case {
    std::string chars;
    std::uint32_t value;
  };
  for (const Case& c : {Case{"5A", 90}, {"00", 0}, {"7Q", 7}, {"Q7", 0}, {" 9", 9}, {"a0", 160}, {"ff", 255},
                        {"00E10", 3600}, {"FFFFF", 1'048'575}, {"0FFFF", 65'535}, {"1 2 3", 0x123},
                        {"     ", 0}, {"\t1\n2", 0x12}, {"1\r2", 1}, {"-1", 0}, {"+1", 0}, {"", 0}}) {
    EXPECT_EQ(HexFieldValue(c.chars), c.value) << '"' << c.chars << '"';
  }
}

TEST(DecodeFrameInfo, MeasurementFields) {
  Window w;
  const FrameInfo info = w.decode(measurement("5A", "CC", "00E10"));
  ASSERT_EQ(info.Kind, FrameKind::Measurement);
  EXPECT_EQ(info.Ident, "CAM-0417-A02");
  EXPECT_EQ(info.SpeedKmh, 90);
  EXPECT_EQ(info.BatteryRaw, 204);
  EXPECT_EQ(info.BatteryVolts, static_cast<float>(204 * 5.08 / 256));
  EXPECT_NEAR(info.BatteryVolts, 4.0481, 1e-4);
  EXPECT_EQ(info.SecondsSincePowerOn, 3600);
  EXPECT_EQ(w.decode(measurement("00", "FF", "FFFFF")).BatteryVolts, static_cast<float>(255 * 5.08 / 256));
}

TEST(DecodeFrameInfo, TextTimeKeepsItsCharacters) {
  Window w;
  const FrameInfo info = w.decode(std::string("0001") + "R208 \xB9\x9C\xEA  ab" + "30.08.2007 14:51");
  ASSERT_EQ(info.Kind, FrameKind::TextTime);
  EXPECT_EQ(info.Ident, QString::fromUtf8("R208 ąśę  ab"));  // the camera's code page
  EXPECT_EQ(info.TimeText, "30.08.2007 14:51");
}

TEST(PanelTexts, BatteryScaleAtEveryEdge) {
  struct Case {
    int raw;
    const char* text;
    std::uint32_t colour;
  };
  for (const Case& c : {Case{255, "95%", Colour::Green}, {204, "95%", Colour::Green}, {203, "85%", Colour::Green},
                        {200, "85%", Colour::Green}, {199, "75%", Colour::Green}, {197, "75%", Colour::Green},
                        {196, "65%", Colour::Green}, {194, "65%", Colour::Green}, {193, "55%", Colour::Olive},
                        {192, "55%", Colour::Olive}, {191, "45%", Colour::Olive}, {190, "45%", Colour::Olive},
                        {189, "35%", Colour::Olive}, {188, "25%", Colour::DarkRed}, {187, "15%", Colour::DarkRed},
                        {185, "15%", Colour::DarkRed}, {184, "5%", Colour::DarkRed}, {182, "5%", Colour::DarkRed},
                        {181, "0%", Colour::DarkRed}, {0, "0%", Colour::DarkRed}}) {
    const BatteryLevel b = BatteryScale(static_cast<float>(c.raw * 5.08 / 256));
    EXPECT_EQ(b.text, c.text) << c.raw;
    EXPECT_EQ(b.colour, c.colour) << c.raw;
  }
}

TEST(PanelTexts, TimeTexts) {
  struct Case {
    std::int32_t seconds;
    std::int16_t powerOn;
    const char* text;
  };
  for (const Case& c : {Case{3'725, 0, "001:02:05"}, {360'000, 0, "000:00:00"}, {359'999, 0, "099:59:59"},
                        {1'048'575, 0, "091:16:15"}, {0, 0, "000:00:00"}, {83, 890, "14:51:23"},
                        {7'200, 1'380, "01:00:00"}, {0, 1, "00:01:00"}, {86'399, 1, "00:00:59"},
                        {1'048'575, 32'767, "21:23:15"}, {30, -300, "19:00:30"}}) {
    EXPECT_EQ(MeasurementTimeText(c.seconds, c.powerOn), c.text) << c.seconds << " " << c.powerOn;
  }
  EXPECT_EQ(WidenedTimeText("30.08.2007 14:51"), "30.08.2007   14:51");
  EXPECT_EQ(WidenedTimeText("a  b"), "a      b");
  EXPECT_EQ(WidenedTimeText("nospaces"), "nospaces");
}

// A sequence of frames of different kinds and what the panel shows after each.
TEST(InfoPanel, CarriesOverWhatAKindDoesNotWrite) {
  ScreenState s;
  s.shIco[1] = Colour::Orange;
  Window w;

  WriteInfoPanel(w.decode(measurement("5A", "CB", "00E10")), 0, s);
  EXPECT_EQ(s.lblInfo, "90 km/h");
  EXPECT_TRUE(s.lblInfoVisible);
  EXPECT_EQ(s.lblBattInfo, "85%");
  EXPECT_EQ(s.shBatt, Colour::Green);
  EXPECT_EQ(s.lblTime, "001:00:00");
  EXPECT_EQ(s.lblIdent, "CAM-0417-A02");
  EXPECT_EQ(s.lblPicInfo[0], "Qality: Hi");
  EXPECT_EQ(s.lblPicInfo[1], "Zoom: 1x");

  // Speed 0 hides the label and keeps its text.
  WriteInfoPanel(w.decode(measurement("00", "BC", "00E11")), 0, s);
  EXPECT_FALSE(s.lblInfoVisible);
  EXPECT_EQ(s.lblInfo, "90 km/h");
  EXPECT_EQ(s.lblBattInfo, "25%");
  EXPECT_EQ(s.shBatt, Colour::DarkRed);

  // An unrecognised block changes nothing but quality and zoom.
  const ScreenState before = s;
  s.lblPicInfo[0] = s.lblPicInfo[1] = "x";
  WriteInfoPanel(w.decode(measurement("5A", "CC", "00000", "ABCD")), 0, s);
  EXPECT_EQ(s.lblTime, before.lblTime);
  EXPECT_EQ(s.lblBattInfo, before.lblBattInfo);
  EXPECT_EQ(s.lblIdent, before.lblIdent);
  EXPECT_EQ(s.lblPicInfo[0], "Qality: Hi");

  // A text-time block: widened time, battery OK on green, time correction off; speed untouched.
  WriteInfoPanel(w.decode(std::string("0001") + "OTHER-CAMERA" + "05.12.2026 14:51"), 0, s);
  EXPECT_EQ(s.lblTime, "05.12.2026   14:51");
  EXPECT_EQ(s.lblIdent, "OTHER-CAMERA");
  EXPECT_EQ(s.lblBattInfo, "OK");
  EXPECT_EQ(s.shBatt, Colour::Green);
  EXPECT_EQ(s.shIco[1], Colour::Grey);
  EXPECT_FALSE(s.lblInfoVisible);

  // A measurement afterwards does not give the time correction back; speed 45 shows again.
  WriteInfoPanel(w.decode(measurement("2D", "C0", "00E12")), 890, s);
  EXPECT_EQ(s.shIco[1], Colour::Grey);
  EXPECT_EQ(s.lblInfo, "45 km/h");
  EXPECT_TRUE(s.lblInfoVisible);
  EXPECT_EQ(s.lblTime, "15:50:02");

  // No block: only the time is blanked.
  WriteInfoPanel(DecodeFrameInfo(w.bytes.data(), 10), 0, s);
  EXPECT_EQ(s.lblTime, "");
  EXPECT_EQ(s.lblInfo, "45 km/h");
  EXPECT_EQ(s.lblBattInfo, "55%");
}

}  // namespace
