#pragma once
// The size of a marked sequence in millions of bytes, as "0.##" formats it: at least
// one integer digit, at most two decimals, and the decimal separator of the user's
// locale (QLocale()) even when no decimals follow ("2," in Polish).

#include <cstdint>
#include <QString>

QString MegabytesText(std::int64_t bytes);
