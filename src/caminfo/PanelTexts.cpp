#include "caminfo/PanelTexts.h"

#include <array>

#include "platform/Colour.h"

namespace {

// Floored division and a remainder that is never negative: a negative power-on
// time (typed as "-5" hours) then reads as the same clock time on the day before.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
std::int64_t floorMod(std::int64_t a, std::int64_t b) { return a - floorDiv(a, b) * b; }

// v (0 to 999) as `width` digits, zeros in front: written straight into a string of
// fixed length, as every frame of a walk needs one.
void putDigits(QChar* at, std::int64_t v, int width) {
  for (int k = width - 1; k >= 0; --k, v /= 10) at[k] = QLatin1Char(static_cast<char>('0' + v % 10));
}

}  // namespace

QString MeasurementTimeText(std::int32_t SecondsSincePowerOn, std::int16_t PowerOnMinutes) {
  std::int64_t t = SecondsSincePowerOn;
  if (PowerOnMinutes != 0) t = static_cast<std::int64_t>(PowerOnMinutes) * 60 + SecondsSincePowerOn;
  const std::int64_t seconds = floorMod(t, 60);
  t = floorDiv(t, 60);
  const std::int64_t minutes = floorMod(t, 60);
  t = floorDiv(t, 60);
  // "hhh:mm:ss" since power-on (hours modulo 100), "hh:mm:ss" as a time of day.
  const int hourDigits = PowerOnMinutes == 0 ? 3 : 2;
  QString text(hourDigits + 6, QLatin1Char(':'));
  QChar* const c = text.data();
  putDigits(c, PowerOnMinutes == 0 ? floorMod(t, 100) : floorMod(t, 24), hourDigits);
  putDigits(c + hourDigits + 1, minutes, 2);
  putDigits(c + hourDigits + 4, seconds, 2);
  return text;
}

QString WidenedTimeText(const QString& TimeText) {
  QString out;
  out.reserve(TimeText.size() * 3);
  for (QChar c : TimeText) {
    out += c;
    if (c == QLatin1Char(' ')) out += QStringLiteral("  ");
  }
  return out;
}

BatteryLevel BatteryScale(float BatteryVolts) {
  struct Row {
    float atLeast;
    const char* text;
    std::uint32_t colour;
  };
  static constexpr std::array<Row, 10> kRows{{
      {4.03f, "95%", Colour::Green},
      {3.96f, "85%", Colour::Green},
      {3.90f, "75%", Colour::Green},
      {3.84f, "65%", Colour::Green},
      {3.80f, "55%", Colour::Olive},
      {3.76f, "45%", Colour::Olive},
      {3.74f, "35%", Colour::Olive},
      {3.72f, "25%", Colour::DarkRed},
      {3.67f, "15%", Colour::DarkRed},
      {3.61f, "5%", Colour::DarkRed},
  }};
  for (const Row& r : kRows)
    if (BatteryVolts >= r.atLeast) return {QString::fromLatin1(r.text), r.colour};
  return {QStringLiteral("0%"), Colour::DarkRed};
}
