// The time correction dialog's rules.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "viewer/TimeCorrection.h"

TEST(TimeCorrection, NumberOfTextReadsTheNumberAtTheStart) {
  using Case = std::tuple<const char*, double>;
  const Case kCases[] = {{"07", 7},      {"x", 0},   {"", 0},       {" 5 ", 5}, {"1 2", 12},
                         {"- 4", -4},    {"+3", 3},  {"-", 0},      {".", 0},   {".5", 0.5},
                         {"1.2.3", 1.2}, {"1e3", 1}, {"12:30", 12}, {"--5", 0}, {"٣", 0}};
  for (const auto& [text, number] : kCases) EXPECT_DOUBLE_EQ(NumberOfText(QString::fromUtf8(text)), number) << text;
}

TEST(TimeCorrection, TextAfterLeavingAField) {
  using Case = std::tuple<int, const char*, const char*>;
  const Case kCases[] = {{kHoursField, "99", "23"},   {kHoursField, "24", "23"},   {kHoursField, "23", "23"},
                         {kMinutesField, "75", "59"}, {kMinutesField, "60", "59"}, {kMinutesField, "59", "59"},
                         {kHoursField, "5", "05"},    {kHoursField, "", "00"},     {kMinutesField, "7x", "07"},
                         {kHoursField, "-5", "-5"},   {kHoursField, "-10", "-10"}, {kHoursField, "-0", "00"},
                         {kHoursField, ".5", "0.5"}};
  for (const auto& [field, typed, after] : kCases)
    EXPECT_EQ(TextAfterLeaving(field, QString::fromUtf8(typed)), QString::fromUtf8(after))
        << field << " '" << typed << "'";
}

// 0: relative time, the present time suggested; below 0 the remainder keeps its sign, hours rounded down.
TEST(TimeCorrection, FieldsAtLoad) {
  using Case = std::tuple<std::int16_t, bool, const char*, const char*>;
  const Case kCases[] = {{605, true, "10", "05"}, {59, true, "00", "59"},  {0, false, "13", "07"},
                         {-1, true, "-1", "-1"},  {-61, true, "-2", "-1"}, {-300, true, "-5", "00"}};
  for (const auto& [powerOn, realTime, hours, minutes] : kCases) {
    const TimeFields f = FieldsAtLoad(powerOn, QTime(13, 7, 59));
    EXPECT_EQ(std::tuple(f.realTime, f.hours, f.minutes), std::tuple(realTime, QString(hours), QString(minutes)))
        << powerOn;
  }
}

TEST(TimeCorrection, FocusAfterKey) {
  using Case = std::tuple<int, int, FieldBeforeKey, FocusMove>;  // before: caret, selection, text length
  for (const auto& [field, key, before, move] :
       {Case{kHoursField, kKeyRight, {2, 0, 2}, FocusMove::Minutes},
        {kHoursField, kKeyRight, {1, 0, 2}, FocusMove::None},
        {kMinutesField, kKeyLeft, {0, 0, 2}, FocusMove::Hours},
        {kMinutesField, kKeyLeft, {1, 0, 2}, FocusMove::None},
        {kHoursField, kKeyEnter, {0, 0, 0}, FocusMove::Minutes},
        {kMinutesField, kKeyEnter, {0, 2, 2}, FocusMove::OK},
        {kHoursField, kKey9, {1, 0, 1}, FocusMove::Minutes},  // completes the hours
        {kHoursField, kKey0, {1, 1, 1}, FocusMove::None},     // replaces a selection
        {kHoursField, kKey0, {2, 0, 2}, FocusMove::None},
        {kHoursField, kKeyNumpad0, {1, 0, 1}, FocusMove::None}})
    EXPECT_EQ(FocusAfterKey(field, key, before), move) << field << " key " << key;
}

// OK stores 0 for relative time, else hours x 60 + minutes (ties to even); nothing if over 16 bits.
TEST(TimeCorrection, PowerOnMinutesOnOK) {
  using Case = std::tuple<bool, const char*, const char*, std::optional<std::int16_t>>;
  const std::string huge(400, '9');
  const Case kCases[] = {{false, "546", "08", 0},    {true, "00", "00", 0},        {true, "-5", "00", -300},
                         {true, "10", "0.5", 600},   {true, "10", "1.5", 602},     {true, "10", "-1.5", 598},
                         {true, "546", "07", 32767}, {true, "546", "08", {}},      {true, "-546", "-8", -32768},
                         {true, "-546", "-9", {}},   {true, huge.c_str(), "0", {}}};
  for (const auto& [realTime, hours, minutes, stored] : kCases)
    EXPECT_EQ(PowerOnMinutesOnOK(realTime, QString::fromLatin1(hours), QString::fromLatin1(minutes)), stored)
        << realTime << " " << hours << ":" << minutes;
}
