#pragma once
// The time correction dialog's rules, apart from any widget: how a field's text reads
// as a number and is cleaned up on leaving, what the fields show when the dialog opens,
// where a key carries the focus, and what OK stores. Pure functions: no widget, no
// clock (the present time is passed in), no state between calls.

#include <cstdint>
#include <optional>

#include <QString>
#include <QTime>

// txtTime's indices.
inline constexpr int kHoursField = 0;
inline constexpr int kMinutesField = 1;
// What the keyboard may put into either field.
inline constexpr int kTimeFieldMaxLength = 2;

// Key codes as the keyboard reports them to txtTime_KeyDown: Enter (either one), the
// arrows, the digit row, and the keypad digits, which are different keys.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyRight = 39;
inline constexpr int kKey0 = 48;
inline constexpr int kKey9 = 57;
inline constexpr int kKeyNumpad0 = 96;

// The number a text starts with. Blanks (space, tab, line feed) are skipped wherever
// they stand; then an optional sign, digits, an optional decimal point and digits;
// reading stops at the first other character. No number reads as 0. There is no
// exponent and no radix prefix: "1e3" reads 1.
double NumberOfText(const QString& text);

// The decimal text of a number: the shortest fixed-notation text that NumberOfText
// reads back as the same number ("0.5", "-5", "7"); a zero of either sign is "0".
QString DecimalText(double value);

// A field's text once it has lost the focus: the decimal text of its number, "0" put in
// front up to 2 characters, then hours above 23 become "23" and minutes above 59 "59".
// Negative numbers are kept.
QString TextAfterLeaving(int Index, const QString& text);

// What the dialog shows when it opens.
struct TimeFields {
  bool realTime;    // optTime(1) is selected; otherwise optTime(0)
  QString hours;    // txtTime(0)
  QString minutes;  // txtTime(1)
};

// From PowerOnMinutes; for 0 (relative time) the present time is the suggestion.
TimeFields FieldsAtLoad(std::int16_t PowerOnMinutes, QTime now);

// Where a key moves the focus. The field is judged as it was when the key went down.
enum class FocusMove { None, Hours, Minutes, OK };

struct FieldBeforeKey {
  int caret;            // caret position, 0 = before the first character
  int selectionLength;  // 0 = nothing selected
  int textLength;
};

FocusMove FocusAfterKey(int Index, int KeyCode, const FieldBeforeKey& field);

// hours x 60 + minutes, each read by NumberOfText, rounded to a whole number with ties
// to even; empty when that does not fit 16 bits.
std::optional<std::int16_t> MinutesOfFields(const QString& hours, const QString& minutes);

// What OK writes to PowerOnMinutes: 0 for relative time, else the fields' minutes.
// Empty when the fields' minutes do not fit: PowerOnMinutes then keeps its value.
std::optional<std::int16_t> PowerOnMinutesOnOK(bool realTime, const QString& hours, const QString& minutes);
