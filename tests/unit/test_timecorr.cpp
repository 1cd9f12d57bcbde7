// The time correction dialog's rules: reading a field, cleaning it up on leaving,
// the fields at load, where keys carry the focus, and what OK stores.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "timecorr/TimeCorrection.h"

TEST(TimeCorrection, NumberOfTextReadsTheNumberAtTheStart) {
  struct Case {
    const char* text;
    double number;
  };
  for (const Case c : {
           Case{"7", 7},
           {"07", 7},
           {"x", 0},
           {"", 0},
           {" 5", 5},
           {"5 ", 5},
           {"1 2", 12},  // blanks are skipped inside too
           {"\t\n9", 9},
           {"-5", -5},
           {"+3", 3},
           {"- 4", -4},
           {"-", 0},
           {"+", 0},
           {".", 0},
           {"-.", 0},
           {"7.5", 7.5},
           {".5", 0.5},
           {"5.", 5},
           {"-.25", -0.25},
           {"1.2.3", 1.2},
           {"1e3", 1},  // no exponent
           {"&H10", 0},  // no radix prefix
           {"12:30", 12},
           {"5x7", 5},
           {"--5", 0},
           {"+-5", 0},
           {"٣", 0},  // only the digits 0 to 9 count
       }) {
    EXPECT_DOUBLE_EQ(NumberOfText(QString::fromUtf8(c.text)), c.number) << c.text;
  }
}

TEST(TimeCorrection, NegativeZeroReadsAsPlainZero) {
  EXPECT_FALSE(std::signbit(NumberOfText("-0")));
  EXPECT_FALSE(std::signbit(NumberOfText("-0.0")));
}

TEST(TimeCorrection, HugeDigitRunsOverflowOrUnderflow) {
  EXPECT_EQ(NumberOfText(QString(400, u'9')), std::numeric_limits<double>::infinity());
  EXPECT_EQ(NumberOfText("-" + QString(400, u'9')), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(NumberOfText("0." + QString(400, u'0') + "1"), 0.0);
}

TEST(TimeCorrection, DecimalTextReadsBackAsTheSameNumber) {
  struct Case {
    double number;
    const char* text;
  };
  for (const Case c : {
           Case{7, "7"},
           {-5, "-5"},
           {0, "0"},
           {-0.0, "0"},
           {0.5, "0.5"},
           {-0.25, "-0.25"},
           {0.1, "0.1"},
           {123456789012345678.0, "123456789012345680"},
           {1e-7, "0.0000001"},
       }) {
    const QString text = DecimalText(c.number);
    EXPECT_EQ(text, QString::fromLatin1(c.text)) << c.number;
    EXPECT_EQ(NumberOfText(text), c.number) << c.text;
  }
}

TEST(TimeCorrection, TextAfterLeavingAField) {
  struct Case {
    int field;
    const char* typed;
    const char* after;
  };
  for (const Case c : {
           Case{kHoursField, "99", "23"},
           {kHoursField, "24", "23"},
           {kHoursField, "23", "23"},
           {kMinutesField, "75", "59"},
           {kMinutesField, "60", "59"},
           {kMinutesField, "59", "59"},
           {kMinutesField, "99", "59"},
           {kHoursField, "59", "23"},
           {kHoursField, "5", "05"},
           {kMinutesField, "5", "05"},
           {kHoursField, "07", "07"},
           {kHoursField, "0", "00"},
           {kHoursField, "", "00"},
           {kMinutesField, "x", "00"},
           {kMinutesField, "7x", "07"},
           {kHoursField, " 9", "09"},
           {kHoursField, "-5", "-5"},  // negative numbers stay
           {kMinutesField, "-9", "-9"},
           {kHoursField, "-0", "00"},
           {kHoursField, "-", "00"},
           {kHoursField, "+5", "05"},
           {kHoursField, ".5", "0.5"},  // longer than the field's limit, kept whole
           {kMinutesField, "5.", "05"},
           {kHoursField, "-10", "-10"},
           {kMinutesField, "1e", "01"},
       }) {
    EXPECT_EQ(TextAfterLeaving(c.field, QString::fromUtf8(c.typed)), QString::fromUtf8(c.after))
        << c.field << " '" << c.typed << "'";
  }
}

TEST(TimeCorrection, LeavingTwiceChangesNothingMore) {
  for (const char* typed : {"99", "75", "5", "", "x", "-5", ".5", "-10"}) {
    for (int field : {kHoursField, kMinutesField}) {
      const QString once = TextAfterLeaving(field, QString::fromUtf8(typed));
      EXPECT_EQ(TextAfterLeaving(field, once), once) << typed;
    }
  }
}

TEST(TimeCorrection, FieldsAtLoadFromPowerOnMinutes) {
  struct Case {
    std::int16_t powerOn;
    const char* hours;
    const char* minutes;
  };
  for (const Case c : {
           Case{605, "10", "05"},
           {59, "00", "59"},
           {60, "01", "00"},
           {1, "00", "01"},
           {1439, "23", "59"},
           {1440, "24", "00"},
           {6000, "100", "00"},
           // Negative: the remainder keeps the sign, the hours are rounded down.
           {-1, "-1", "-1"},
           {-60, "-1", "00"},
           {-61, "-2", "-1"},
           {-300, "-5", "00"},
           {-549, "-10", "-9"},
           {32767, "546", "07"},
           {-32768, "-547", "-8"},
       }) {
    const TimeFields f = FieldsAtLoad(c.powerOn, QTime(13, 47));
    EXPECT_TRUE(f.realTime) << c.powerOn;
    EXPECT_EQ(f.hours, QString::fromLatin1(c.hours)) << c.powerOn;
    EXPECT_EQ(f.minutes, QString::fromLatin1(c.minutes)) << c.powerOn;
  }
}

TEST(TimeCorrection, RelativeTimeSuggestsThePresentTime) {
  struct Case {
    QTime now;
    const char* hours;
    const char* minutes;
  };
  for (const Case c : {
           Case{QTime(0, 0), "00", "00"},
           {QTime(9, 3, 59), "09", "03"},
           {QTime(23, 59, 59), "23", "59"},
           {QTime(14, 30), "14", "30"},
       }) {
    const TimeFields f = FieldsAtLoad(0, c.now);
    EXPECT_FALSE(f.realTime);
    EXPECT_EQ(f.hours, QString::fromLatin1(c.hours));
    EXPECT_EQ(f.minutes, QString::fromLatin1(c.minutes));
  }
}

TEST(TimeCorrection, FocusAfterKey) {
  struct Case {
    int field;
    int key;
    FieldBeforeKey before;  // caret, selection length, text length
    FocusMove move;
  };
  const int digit1 = kKey0 + 1;
  for (const Case c : {
           // Right arrow leaves the hours only from after the second character.
           Case{kHoursField, kKeyRight, {2, 0, 2}, FocusMove::Minutes},
           {kHoursField, kKeyRight, {2, 2, 2}, FocusMove::Minutes},
           {kHoursField, kKeyRight, {1, 0, 2}, FocusMove::None},
           {kHoursField, kKeyRight, {1, 0, 1}, FocusMove::None},
           {kHoursField, kKeyRight, {0, 0, 0}, FocusMove::None},
           {kMinutesField, kKeyRight, {2, 0, 2}, FocusMove::None},
           // Left arrow leaves the minutes only from before the first character.
           {kMinutesField, kKeyLeft, {0, 0, 2}, FocusMove::Hours},
           {kMinutesField, kKeyLeft, {0, 0, 0}, FocusMove::Hours},
           {kMinutesField, kKeyLeft, {1, 0, 2}, FocusMove::None},
           {kMinutesField, kKeyLeft, {2, 2, 2}, FocusMove::None},
           {kHoursField, kKeyLeft, {0, 0, 2}, FocusMove::None},
           // Enter goes on, whatever the field holds.
           {kHoursField, kKeyEnter, {0, 0, 0}, FocusMove::Minutes},
           {kHoursField, kKeyEnter, {1, 2, 2}, FocusMove::Minutes},
           {kMinutesField, kKeyEnter, {0, 2, 2}, FocusMove::OK},
           // A digit completing the hours: one character there, nothing selected.
           {kHoursField, digit1, {1, 0, 1}, FocusMove::Minutes},
           {kHoursField, kKey0, {0, 0, 1}, FocusMove::Minutes},
           {kHoursField, kKey9, {1, 0, 1}, FocusMove::Minutes},
           {kHoursField, digit1, {1, 1, 1}, FocusMove::None},
           {kHoursField, digit1, {0, 0, 0}, FocusMove::None},
           {kHoursField, digit1, {2, 0, 2}, FocusMove::None},
           {kHoursField, digit1, {2, 2, 2}, FocusMove::None},
           {kHoursField, digit1, {3, 0, 3}, FocusMove::None},
           {kMinutesField, digit1, {1, 0, 1}, FocusMove::None},
           // Keypad digits and other keys never move.
           {kHoursField, kKeyNumpad0 + 1, {1, 0, 1}, FocusMove::None},
           {kHoursField, kKey0 - 1, {1, 0, 1}, FocusMove::None},
           {kHoursField, kKey9 + 1, {1, 0, 1}, FocusMove::None},
           {kHoursField, 0, {1, 0, 1}, FocusMove::None},
           {kMinutesField, 0, {0, 0, 0}, FocusMove::None},
       }) {
    EXPECT_EQ(FocusAfterKey(c.field, c.key, c.before), c.move)
        << c.field << " key " << c.key << " caret " << c.before.caret << " sel " << c.before.selectionLength
        << " len " << c.before.textLength;
  }
}

TEST(TimeCorrection, MinutesOfFieldsRoundTiesToEven) {
  struct Case {
    const char* hours;
    const char* minutes;
    std::optional<std::int16_t> stored;
  };
  for (const Case c : {
           Case{"10", "05", 605},
           {"12", "34", 754},
           {"00", "00", 0},
           {"23", "59", 1439},
           {"-5", "00", -300},
           {"-5", "30", -270},
           {"-10", "-9", -609},
           {"x", "y", 0},
           {"", "", 0},
           {"0.5", "00", 30},
           {"00", "0.5", 0},  // a tie rounds to the even 0
           {"10", "0.5", 600},
           {"10", "1.5", 602},
           {"10", "2.5", 602},
           {"10", "-0.5", 600},
           {"10", "-1.5", 598},
           {"0.1", "00", 6},
           {"10", "0.4", 600},
           {"10", "0.6", 601},
           // The 16-bit edges: what does not fit is no answer.
           {"546", "07", 32767},
           {"546", "6.5", 32766},
           {"546", "7.5", std::nullopt},
           {"546", "08", std::nullopt},
           {"-547", "-8", std::nullopt},
           {"-546", "-8", -32768},
           {"-546", "-8.5", -32768},
           {"-546", "-9", std::nullopt},
           {"-547", "52", -32768},
       }) {
    EXPECT_EQ(MinutesOfFields(QString::fromLatin1(c.hours), QString::fromLatin1(c.minutes)), c.stored)
        << c.hours << ":" << c.minutes;
  }
}

TEST(TimeCorrection, MinutesOfFieldsRefuseInfinities) {
  const QString huge(400, u'9');
  EXPECT_EQ(MinutesOfFields(huge, "0"), std::nullopt);
  EXPECT_EQ(MinutesOfFields(huge, "-" + huge), std::nullopt);  // infinity minus infinity
}

TEST(TimeCorrection, OkStoresZeroForRelativeTime) {
  EXPECT_EQ(PowerOnMinutesOnOK(false, "12", "34"), std::int16_t{0});
  EXPECT_EQ(PowerOnMinutesOnOK(false, "546", "08"), std::int16_t{0});
  EXPECT_EQ(PowerOnMinutesOnOK(true, "12", "34"), std::int16_t{754});
  // Real time at 00:00 is the relative mode's 0.
  EXPECT_EQ(PowerOnMinutesOnOK(true, "00", "00"), std::int16_t{0});
  EXPECT_EQ(PowerOnMinutesOnOK(true, "546", "08"), std::nullopt);
}
