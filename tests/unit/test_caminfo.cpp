// The camera's block decoded, and what the panel shows after it (an empty field: kept as it was).

#include <gtest/gtest.h>

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "platform/Colour.h"
#include "support/QtPrinters.h"

namespace {

FrameInfo decode(const std::string& block) {
  return DecodeFrameInfo({reinterpret_cast<const std::uint8_t*>(block.data()), block.size()});
}

// tag(4) ident(12) unread(6) speed(2) battery(2) unread(1) seconds(5)
std::string measurement(const std::string& speed, const std::string& battery, const std::string& seconds,
                        const std::string& tag = "0000") {
  return tag + "CAM-0417-A02" + "000000" + speed + battery + " " + seconds;
}

PanelUpdate panelAfter(const std::string& block, std::int16_t powerOn = 0) {
  return InfoPanelFor(decode(block), powerOn);
}

TEST(DecodeFrameInfo, KindsByTagAndBlockSize) {
  using Case = std::tuple<std::string, FrameKind>;
  const std::string good = measurement("5A", "CC", "00E10");
  using enum FrameKind;
  const auto tagged = [](const std::string& tag) { return measurement("5A", "CC", "00E10", tag); };
  const Case kCases[] = {{good, Measurement},
                         {tagged("0001"), TextTime},
                         {tagged("0002"), Unrecognised},
                         {tagged("000 "), Unrecognised},
                         {tagged(" 000"), Unrecognised},
                         {tagged("000O"), Unrecognised},
                         {tagged(std::string("\xFF\xD9\0\0", 4)), Unrecognised},
                         {"", NoBlock},
                         {good.substr(0, 31), NoBlock},
                         {good + "0", NoBlock}};
  for (const auto& [block, kind] : kCases) {
    const FrameInfo info = decode(block);
    EXPECT_EQ(info.Kind, kind) << block;
    EXPECT_TRUE(kind != Unrecognised || (info.Ident.isEmpty() && info.SpeedKmh == 0)) << "none read";
  }
}

TEST(DecodeFrameInfo, HexadecimalFields) {
  const std::tuple<std::string, std::uint32_t> kCases[] = {{"5A", 90},        {"00", 0},        {"7Q", 7},
                                                           {"Q7", 0},         {" 9", 9},        {"a0", 160},
                                                           {"ff", 255},       {"00E10", 3600},  {"FFFFF", 1'048'575},
                                                           {"0FFFF", 65'535}, {"1 2 3", 0x123}, {"     ", 0},
                                                           {"\t1\n2", 0x12},  {"1\r2", 1},      {"-1", 0},
                                                           {"+1", 0},         {"", 0}};
  for (const auto& [chars, value] : kCases) EXPECT_EQ(HexFieldValue(chars), value) << '"' << chars << '"';
}

// The battery's raw reading as the block carries it (5.08 V for 256), at every edge of the scale.
TEST(InfoPanel, BatteryScaleAtEveryEdge) {
  const std::tuple<int, const char*, std::uint32_t> kCases[] = {
      {255, "95%", Colour::Green},   {204, "95%", Colour::Green},   {203, "85%", Colour::Green},
      {200, "85%", Colour::Green},   {199, "75%", Colour::Green},   {197, "75%", Colour::Green},
      {196, "65%", Colour::Green},   {194, "65%", Colour::Green},   {193, "55%", Colour::Olive},
      {192, "55%", Colour::Olive},   {191, "45%", Colour::Olive},   {190, "45%", Colour::Olive},
      {189, "35%", Colour::Olive},   {188, "25%", Colour::DarkRed}, {187, "15%", Colour::DarkRed},
      {185, "15%", Colour::DarkRed}, {184, "5%", Colour::DarkRed},  {182, "5%", Colour::DarkRed},
      {181, "0%", Colour::DarkRed},  {0, "0%", Colour::DarkRed}};
  for (const auto& [raw, text, colour] : kCases) {
    const PanelUpdate u = panelAfter(measurement("01", QString::asprintf("%02X", raw).toStdString(), "00000"));
    EXPECT_EQ(std::pair(u.lblBattInfo, u.shBatt), std::pair(std::optional<QString>(text), std::optional(colour)))
        << raw;
  }
}

// Time since power-on (hours wrap at 100), or with a power-on time the time of day.
TEST(InfoPanel, MeasurementTimes) {
  const std::tuple<std::int32_t, std::int16_t, const char*> kCases[] = {
      {3'725, 0, "001:02:05"}, {360'000, 0, "000:00:00"},       {359'999, 0, "099:59:59"},  {1'048'575, 0, "091:16:15"},
      {0, 0, "000:00:00"},     {83, 890, "14:51:23"},           {7'200, 1'380, "01:00:00"}, {0, 1, "00:01:00"},
      {86'399, 1, "00:00:59"}, {1'048'575, 32'767, "21:23:15"}, {30, -300, "19:00:30"}};
  for (const auto& [seconds, powerOn, text] : kCases) {
    const std::string hex = QString::asprintf("%05X", seconds).toStdString();
    EXPECT_EQ(panelAfter(measurement("01", "CC", hex), powerOn).lblTime, text) << seconds << " " << powerOn;
  }
}

// What each kind writes; the rest stays empty, so the panel keeps it.
TEST(InfoPanel, EachKindWritesItsFields) {
  using S = std::optional<QString>;
  using Fields = std::tuple<S, std::optional<bool>, S, std::optional<std::uint32_t>, S, S, bool>;
  using Row = std::tuple<const char*, std::string, std::int16_t, Fields>;
  const QString id = "CAM-0417-A02";
  const Row kRows[] = {
      {"measurement", measurement("5A", "CB", "00E10"), 0, {"90 km/h", true, "85%", Colour::Green, "001:00:00", id, 0}},
      {"speed 0 hides", measurement("00", "BC", "00E11"), 0, {{}, false, "25%", Colour::DarkRed, "001:00:01", id, 0}},
      {"unrecognised: nothing", measurement("5A", "CC", "00000", "ABCD"), 0, {{}, {}, {}, {}, {}, {}, false}},
      {"power-on", measurement("2D", "C0", "00E12"), 890, {"45 km/h", true, "55%", Colour::Olive, "15:50:02", id, 0}},
      {"no block: only the time blanked", "", 0, {{}, {}, {}, {}, QString(), {}, false}},
      {"text time: code page, battery OK, correction off",
       "0001R208 \xB9\x9C\xEA  ab05.12.2026 14:51",
       0,
       {{}, {}, "OK", Colour::Green, "05.12.2026   14:51", QString::fromUtf8("R208 ąśę  ab"), true}}};
  for (const auto& [why, block, powerOn, fields] : kRows) {
    SCOPED_TRACE(why);
    const PanelUpdate u = panelAfter(block, powerOn);
    EXPECT_EQ(Fields(u.lblInfo, u.lblInfoVisible, u.lblBattInfo, u.shBatt, u.lblTime, u.lblIdent, u.timeCorrectionOff),
              fields);
  }
}

}  // namespace
