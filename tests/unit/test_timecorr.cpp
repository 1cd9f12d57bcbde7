// The time correction dialog's rules.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "viewer/TimeCorrection.h"

TEST(TimeCorrection, NumberOfTextReadsTheNumberAtTheStart) {
  struct Case {
    const char* text;
    double number;
  };
  const Case kCases[] = {{"07", 7},      {"x", 0},   {"", 0},       {" 5 ", 5}, {"1 2", 12},
                         {"- 4", -4},    {"+3", 3},  {"-", 0},      {".", 0},   {".5", 0.5},
                         {"1.2.3", 1.2}, {"1e3", 1}, {"12:30", 12}, {"--5", 0}, {"٣", 0}};
  for (const Case& c : kCases) EXPECT_DOUBLE_EQ(NumberOfText(QString::fromUtf8(c.text)), c.number) << c.text;
}

TEST(TimeCorrection, TextAfterLeavingAField) {
  struct Case {
    int field;
    const char *typed, *after;
  };
  const Case kCases[] = {{kHoursField, "99", "23"},   {kHoursField, "24", "23"},   {kHoursField, "23", "23"},
                         {kMinutesField, "75", "59"}, {kMinutesField, "60", "59"}, {kMinutesField, "59", "59"},
                         {kHoursField, "5", "05"},    {kHoursField, "", "00"},     {kMinutesField, "7x", "07"},
                         {kHoursField, "-5", "-5"},   {kHoursField, "-10", "-10"}, {kHoursField, "-0", "00"},
                         {kHoursField, ".5", "0.5"}};
  for (const Case& c : kCases)
    EXPECT_EQ(TextAfterLeaving(c.field, QString::fromUtf8(c.typed)), QString::fromUtf8(c.after))
        << c.field << " '" << c.typed << "'";
}

// 0 is relative time: the present time (13:07:59) is the suggestion. Below 0 the
// remainder keeps the sign and the hours are rounded down.
TEST(TimeCorrection, FieldsAtLoad) {
  struct Case {
    std::int16_t powerOn;
    bool realTime;
    const char *hours, *minutes;
  };
  const Case kCases[] = {{605, true, "10", "05"}, {59, true, "00", "59"},  {0, false, "13", "07"},
                         {-1, true, "-1", "-1"},  {-61, true, "-2", "-1"}, {-300, true, "-5", "00"}};
  for (const Case& c : kCases) {
    const TimeFields f = FieldsAtLoad(c.powerOn, QTime(13, 7, 59));
    EXPECT_EQ(std::tuple(f.realTime, f.hours, f.minutes), std::tuple(c.realTime, QString(c.hours), QString(c.minutes)))
        << c.powerOn;
  }
}

TEST(TimeCorrection, FocusAfterKey) {
  struct Case {
    int field, key;
    FieldBeforeKey before;
    FocusMove move;
  };  // before: caret, selection, text length
  for (const Case c : {Case{kHoursField, kKeyRight, {2, 0, 2}, FocusMove::Minutes},
                       {kHoursField, kKeyRight, {1, 0, 2}, FocusMove::None},
                       {kMinutesField, kKeyLeft, {0, 0, 2}, FocusMove::Hours},
                       {kMinutesField, kKeyLeft, {1, 0, 2}, FocusMove::None},
                       {kHoursField, kKeyEnter, {0, 0, 0}, FocusMove::Minutes},
                       {kMinutesField, kKeyEnter, {0, 2, 2}, FocusMove::OK},
                       {kHoursField, kKey9, {1, 0, 1}, FocusMove::Minutes},  // completes the hours
                       {kHoursField, kKey0, {1, 1, 1}, FocusMove::None},     // replaces a selection
                       {kHoursField, kKey0, {2, 0, 2}, FocusMove::None},
                       {kHoursField, kKeyNumpad0, {1, 0, 1}, FocusMove::None}})
    EXPECT_EQ(FocusAfterKey(c.field, c.key, c.before), c.move) << c.field << " key " << c.key;
}

// What OK stores: 0 for relative time; else hours × 60 + minutes, ties to even, nothing
// when that leaves 16 bits (PowerOnMinutes then keeps its value).
TEST(TimeCorrection, PowerOnMinutesOnOK) {
  struct Case {
    bool realTime;
    const char *hours, *minutes;
    std::optional<std::int16_t> stored;
  };
  const std::string huge(400, '9');
  const Case kCases[] = {{false, "546", "08", 0},
                         {true, "00", "00", 0},
                         {true, "-5", "00", -300},
                         {true, "10", "0.5", 600},
                         {true, "10", "1.5", 602},
                         {true, "10", "-1.5", 598},
                         {true, "546", "07", 32767},
                         {true, "546", "08", std::nullopt},
                         {true, "-546", "-8", -32768},
                         {true, "-546", "-9", std::nullopt},
                         {true, huge.c_str(), "0", std::nullopt}};
  for (const Case& c : kCases)
    EXPECT_EQ(PowerOnMinutesOnOK(c.realTime, QString::fromLatin1(c.hours), QString::fromLatin1(c.minutes)), c.stored)
        << c.realTime << " " << c.hours << ":" << c.minutes;
}
