#include "viewer/TimeCorrection.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The text with its blanks taken out, as the reading ignores them.
QString WithoutBlanks(const QString& text) {
  QString out;
  for (QChar c : text)
    if (!IsBlank(c)) out += c;
  return out;
}

// Appends the digits that start at k; answers the position after them.
qsizetype TakeDigits(const QString& text, qsizetype k, std::string& digits) {
  while (k < text.size() && IsDigit(text[k])) digits += static_cast<char>(text[k++].unicode());
  return k;
}

// A digit run too long for a double overflows to infinity, or underflows to 0.
double Magnitude(const std::string& number) {
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    const bool large = number.find_first_of("123456789") < number.find('.');
    return large ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return value;
}

QString PadTo2(QString text) {
  while (text.size() < 2) text.prepend(u'0');
  return text;
}

double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double fraction = x - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

}  // namespace

double NumberOfText(const QString& text) {
  const QString t = WithoutBlanks(text);
  qsizetype k = 0;
  bool negative = false;
  if (k < t.size() && (t[k] == u'+' || t[k] == u'-')) negative = t[k++] == u'-';
  std::string number;
  k = TakeDigits(t, k, number);
  if (k < t.size() && t[k] == u'.') {
    number += '.';
    TakeDigits(t, k + 1, number);
  }
  if (number.find_first_of("0123456789") == std::string::npos) return 0;
  const double value = Magnitude(number);
  // A zero has no sign here, so "-0" is the same 0 as "0".
  if (value == 0) return 0;
  return negative ? -value : value;
}

QString DecimalText(double value) {
  if (value == 0) return QStringLiteral("0");
  // Fixed notation, because the reading knows no exponent: the text must read back.
  std::array<char, 400> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  if (ec != std::errc()) return QStringLiteral("0");  // beyond any field's reach
  // '.' whatever the desktop's locale: the reading only knows the point.
  return QString::fromLatin1(buffer.data(), end - buffer.data());
}

QString TextAfterLeaving(int Index, const QString& text) {
  const double number = NumberOfText(text);
  const double highest = Index == kHoursField ? 23 : 59;
  if (number > highest) return Index == kHoursField ? QStringLiteral("23") : QStringLiteral("59");
  return PadTo2(DecimalText(number));
}

TimeFields FieldsAtLoad(std::int16_t PowerOnMinutes, QTime now) {
  if (PowerOnMinutes == 0) {
    return {false, QStringLiteral("%1").arg(now.hour(), 2, 10, QLatin1Char('0')),
            QStringLiteral("%1").arg(now.minute(), 2, 10, QLatin1Char('0'))};
  }
  const int minutes = PowerOnMinutes % 60;  // keeps the sign of PowerOnMinutes
  // Rounded down, so -1 gives -1 hour and -1 minute: the fields then add up to -61.
  const int hours = static_cast<int>(std::floor(PowerOnMinutes / 60.0));
  return {true, PadTo2(QString::number(hours)), PadTo2(QString::number(minutes))};
}

FocusMove FocusAfterKey(int Index, int KeyCode, const FieldBeforeKey& field) {
  const bool digitRow = KeyCode >= kKey0 && KeyCode <= kKey9;
  if (Index == kHoursField) {
    if (KeyCode == kKeyRight && field.caret == kTimeFieldMaxLength) return FocusMove::Minutes;
    if (KeyCode == kKeyEnter) return FocusMove::Minutes;
    // The digit about to complete the hours.
    if (digitRow && field.selectionLength == 0 && field.textLength == kTimeFieldMaxLength - 1)
      return FocusMove::Minutes;
    return FocusMove::None;
  }
  if (KeyCode == kKeyLeft && field.caret == 0) return FocusMove::Hours;
  if (KeyCode == kKeyEnter) return FocusMove::OK;
  return FocusMove::None;
}

std::optional<std::int16_t> MinutesOfFields(const QString& hours, const QString& minutes) {
  const double total = RoundHalfEven(NumberOfText(hours) * 60 + NumberOfText(minutes));
  // Written so that a NaN (infinite fields of opposite signs) fails too.
  if (!(total >= std::numeric_limits<std::int16_t>::min() && total <= std::numeric_limits<std::int16_t>::max()))
    return std::nullopt;
  return static_cast<std::int16_t>(total);
}

std::optional<std::int16_t> PowerOnMinutesOnOK(bool realTime, const QString& hours, const QString& minutes) {
  if (!realTime) return std::int16_t{0};
  return MinutesOfFields(hours, minutes);
}
