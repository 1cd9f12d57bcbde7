// The camera information block: decoding, the panel's texts and colours, and what
// the panel keeps from earlier frames.

#include <gtest/gtest.h>

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "caminfo/PanelTexts.h"
#include "support/QtPrinters.h"

namespace {

// The 32 block characters right before a frame at window index 1000; an empty block:
// a frame at index 10, which has room for none.
FrameInfo decode(const std::string& block) {
  std::vector<std::uint8_t> window(kWindowSize, 0);
  std::copy(block.begin(), block.end(), window.begin() + 1000 - 32);
  return DecodeFrameInfo(window.data(), block.empty() ? 10 : 1000);
}

// tag(4) ident(12) unread(6) speed(2) battery(2) unread(1) seconds(5)
std::string measurement(const std::string& speed, const std::string& battery, const std::string& seconds,
                        const std::string& tag = "0000") {
  return tag + "CAM-0417-A02" + "000000" + speed + battery + " " + seconds;
}

TEST(DecodeFrameInfo, KindsByTag) {
  struct Case { std::string tag; FrameKind kind; };
  for (const Case& c : {Case{"0000", FrameKind::Measurement}, {"0001", FrameKind::TextTime},
                        {"0002", FrameKind::Unrecognised}, {"000 ", FrameKind::Unrecognised},
                        {" 000", FrameKind::Unrecognised}, {"000O", FrameKind::Unrecognised},
                        {std::string("\xFF\xD9\0\0", 4), FrameKind::Unrecognised}}) {
    const FrameInfo info = decode(measurement("5A", "CC", "00E10", c.tag));
    EXPECT_EQ(info.Kind, c.kind) << c.tag;
    EXPECT_TRUE(c.kind != FrameKind::Unrecognised || (info.Ident.isEmpty() && info.SpeedKmh == 0)) << "none read";
  }
}

// At 32 the block would fit, but the camera's first frame has none there; a start
// carried beyond the window has its block outside it.
TEST(DecodeFrameInfo, BlockOnlyInsideTheWindowAndAbove32) {
  std::vector<std::uint8_t> window(kWindowSize, 0);
  const std::string block = measurement("5A", "CC", "00E10");
  std::copy(block.begin(), block.end(), window.begin());
  std::copy(block.begin(), block.end(), window.begin() + 1);  // bytes 0 to 31 also begin "0000"
  for (WindowIndex start : {WindowIndex{-1}, WindowIndex{0}, WindowIndex{31}, WindowIndex{32}, kWindowSize + 40,
                            WindowIndex{1} << 40})
    EXPECT_EQ(DecodeFrameInfo(window.data(), start).Kind, FrameKind::NoBlock) << start;
  EXPECT_EQ(DecodeFrameInfo(window.data(), 33).Kind, FrameKind::Measurement);
}

TEST(DecodeFrameInfo, HexadecimalFields) {
  struct Case { std::string chars; std::uint32_t value; };
  for (const Case& c : {Case{"5A", 90}, {"00", 0}, {"7Q", 7}, {"Q7", 0}, {" 9", 9}, {"a0", 160}, {"ff", 255},
                        {"00E10", 3600}, {"FFFFF", 1'048'575}, {"0FFFF", 65'535}, {"1 2 3", 0x123},
                        {"     ", 0}, {"\t1\n2", 0x12}, {"1\r2", 1}, {"-1", 0}, {"+1", 0}, {"", 0}})
    EXPECT_EQ(HexFieldValue(c.chars), c.value) << '"' << c.chars << '"';
}

// The battery's raw reading as the block carries it (5.08 V for 256), through the volts it decodes to.
TEST(PanelTexts, BatteryScaleAtEveryEdge) {
  struct Case { int raw; const char* text; std::uint32_t colour; };
  for (const Case& c : {Case{255, "95%", Colour::Green}, {204, "95%", Colour::Green}, {203, "85%", Colour::Green},
                        {200, "85%", Colour::Green}, {199, "75%", Colour::Green}, {197, "75%", Colour::Green},
                        {196, "65%", Colour::Green}, {194, "65%", Colour::Green}, {193, "55%", Colour::Olive},
                        {192, "55%", Colour::Olive}, {191, "45%", Colour::Olive}, {190, "45%", Colour::Olive},
                        {189, "35%", Colour::Olive}, {188, "25%", Colour::DarkRed}, {187, "15%", Colour::DarkRed},
                        {185, "15%", Colour::DarkRed}, {184, "5%", Colour::DarkRed}, {182, "5%", Colour::DarkRed},
                        {181, "0%", Colour::DarkRed}, {0, "0%", Colour::DarkRed}}) {
    const std::string hex = QString::asprintf("%02X", c.raw).toStdString();
    const BatteryLevel b = BatteryScale(decode(measurement("01", hex, "00000")).BatteryVolts);
    EXPECT_EQ(std::pair(b.text, b.colour), std::pair(QString(c.text), c.colour)) << c.raw;
  }
}

TEST(PanelTexts, TimeTexts) {
  struct Case { std::int32_t seconds; std::int16_t powerOn; const char* text; };
  for (const Case& c : {Case{3'725, 0, "001:02:05"}, {360'000, 0, "000:00:00"}, {359'999, 0, "099:59:59"},
                        {1'048'575, 0, "091:16:15"}, {0, 0, "000:00:00"}, {83, 890, "14:51:23"},
                        {7'200, 1'380, "01:00:00"}, {0, 1, "00:01:00"}, {86'399, 1, "00:00:59"},
                        {1'048'575, 32'767, "21:23:15"}, {30, -300, "19:00:30"}})
    EXPECT_EQ(MeasurementTimeText(c.seconds, c.powerOn), c.text) << c.seconds << " " << c.powerOn;
  EXPECT_EQ(WidenedTimeText("a  b"), "a      b");
}

// Frames of different kinds in turn, and the whole panel after each: speed and whether it shows,
// battery and its colour, time, ident, the time correction lamp; every kind writes quality and zoom.
TEST(InfoPanel, CarriesOverWhatAKindDoesNotWrite) {
  using Panel = std::tuple<QString, bool, QString, std::uint32_t, QString, QString, std::uint32_t>;
  struct Step { const char* why; std::string block; std::int16_t powerOn; Panel panel; };
  const QString id = "CAM-0417-A02";
  ScreenState s;
  s.shIco[1] = Colour::Orange;
  for (const Step& t : {
           Step{"a measurement", measurement("5A", "CB", "00E10"), 0,
                {"90 km/h", true, "85%", Colour::Green, "001:00:00", id, Colour::Orange}},
           {"speed 0 hides the label and keeps its text", measurement("00", "BC", "00E11"), 0,
            {"90 km/h", false, "25%", Colour::DarkRed, "001:00:01", id, Colour::Orange}},
           {"an unrecognised block changes nothing", measurement("5A", "CC", "00000", "ABCD"), 0,
            {"90 km/h", false, "25%", Colour::DarkRed, "001:00:01", id, Colour::Orange}},
           {"a text time: its code page, widened, battery OK on green, the correction off, speed untouched",
            "0001R208 \xB9\x9C\xEA  ab05.12.2026 14:51", 0,
            {"90 km/h", false, "OK", Colour::Green, "05.12.2026   14:51", "R208 ąśę  ab", Colour::Grey}},
           {"a measurement does not give the correction back", measurement("2D", "C0", "00E12"), 890,
            {"45 km/h", true, "55%", Colour::Olive, "15:50:02", id, Colour::Grey}},
           {"no block: only the time is blanked", "", 0,
            {"45 km/h", true, "55%", Colour::Olive, "", id, Colour::Grey}}}) {
    SCOPED_TRACE(t.why);
    s.lblPicInfo[0] = s.lblPicInfo[1] = "x";
    WriteInfoPanel(decode(t.block), t.powerOn, s);
    EXPECT_EQ(Panel(s.lblInfo, s.lblInfoVisible, s.lblBattInfo, s.shBatt, s.lblTime, s.lblIdent, s.shIco[1]), t.panel);
    EXPECT_EQ(QStringList({s.lblPicInfo[0], s.lblPicInfo[1]}), QStringList({"Qality: Hi", "Zoom: 1x"}));
  }
}

}  // namespace
