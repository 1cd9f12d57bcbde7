#include "platform/NaturalOrder.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the digit run that starts at i.
qsizetype runEnd(QByteArrayView s, qsizetype i) {
  while (i < s.size() && isDigit(s[i])) ++i;
  return i;
}

// -1, 0 or 1 as the digit runs a[ai, ae) and b[bi, be) compare by value.
int compareValues(QByteArrayView a, qsizetype ai, qsizetype ae, QByteArrayView b, qsizetype bi, qsizetype be) {
  while (ai < ae - 1 && a[ai] == '0') ++ai;  // leading zeros carry no value
  while (bi < be - 1 && b[bi] == '0') ++bi;
  if (ae - ai != be - bi) return ae - ai < be - bi ? -1 : 1;
  for (; ai < ae; ++ai, ++bi)
    if (a[ai] != b[bi]) return a[ai] < b[bi] ? -1 : 1;
  return 0;
}

}  // namespace

bool NaturalLess(QByteArrayView a, QByteArrayView b) {
  int zeros = 0;  // the first pair of equal numbers written at different lengths: -1 when a's is shorter
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      const qsizetype ie = runEnd(a, i), je = runEnd(b, j);
      if (const int c = compareValues(a, i, ie, b, j, je); c != 0) return c < 0;
      if (zeros == 0 && ie - i != je - j) zeros = ie - i < je - j ? -1 : 1;
      i = ie;
      j = je;
      continue;
    }
    // A digit against anything else compares as the bytes do: every digit stands on the same
    // side of a byte that is not one.
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if ((i < a.size()) != (j < b.size())) return j < b.size();  // a prefix first
  return zeros < 0;  // equal but for leading zeros: fewer first; else the names are the same
}
