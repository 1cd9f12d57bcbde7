#pragma once
// The order in which people expect names: runs of digits compare as numbers (cam2 before cam10),
// everything else byte by byte. A strict total order on raw bytes; it needs and decodes nothing.

#include <QByteArrayView>

// Whether a comes before b. Digit runs compare by value; names equal but for leading zeros by
// the first run that differs in them (fewer first: 7 before 07), so only equal names are equivalent.
bool NaturalLess(QByteArrayView a, QByteArrayView b);
