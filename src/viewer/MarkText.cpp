#include "viewer/MarkText.h"

#include <QLocale>

QString MegabytesText(std::int64_t bytes) {
  const QLocale locale;
  // Two decimals, rounded, then trailing zeros dropped; the separator stays.
  QString digits = QString::number(static_cast<double>(bytes) / 1'000'000.0, 'f', 2);
  while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
  const qsizetype point = digits.indexOf(QLatin1Char('.'));
  return digits.left(point) + locale.decimalPoint() + digits.mid(point + 1);
}
