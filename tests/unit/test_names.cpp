// File names as bytes: the natural order of a folder's names, and names that are not UTF-8
// carried through a QString without losing a byte.

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/NativeName.h"
#include "platform/NaturalOrder.h"

TEST(NaturalOrder, SortsNamesAsPeopleCount) {
  // Already in order; every pair must compare so, and nothing equal but itself.
  // clang-format off
  const std::vector<QByteArray> ordered{
      "", "0", "00", "1", "01", "2", "9", "10", "010", "99999999999999999999", "100000000000000000000",
      "a", "a1", "a1b", "a01b", "a2", "a02", "a2.mjp", "a10", "a10a", "a10b", "ab",
      "cam2.mjp", "cam10.mjp", "cam10.mjp~", "pr\xb3", "z"};
  // clang-format on
  for (std::size_t i = 0; i < ordered.size(); ++i)
    for (std::size_t j = 0; j < ordered.size(); ++j)
      EXPECT_EQ(NaturalLess(ordered[i], ordered[j]), i < j)
          << ordered[i].toStdString() << " vs " << ordered[j].toStdString();
  std::vector<QByteArray> shuffled = ordered;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  std::sort(shuffled.begin(), shuffled.end(), NaturalLess);
  EXPECT_EQ(shuffled, ordered);
}

TEST(NativeName, EveryByteStringComesBack) {
  // clang-format off
  const QByteArray kCases[] = {
      "plain.mjp", "za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87.mjp",  // valid UTF-8
      "pr\xb3" "at.mjp",                                      // Latin-2
      "\xff\xfe", "\xc0\xaf",                                // never UTF-8; an overlong slash
      "\xed\xa0\x80", "\xed\xb3\x80",                        // surrogates, encoded
      "\xf4\x90\x80\x80", "\xe2\x82",                        // past U+10FFFF; cut short
      "\xf0\x90\x82\x80\xb3",                               // a pair whose low half looks carried, then a byte
      "back\\slash", QByteArray("nul\0in", 6)};
  // clang-format on
  for (const QByteArray& bytes : kCases) {
    const QString name = NameFromNative(bytes);
    EXPECT_EQ(NativeName(name), bytes) << bytes.toHex().toStdString();
    if (QString::fromUtf8(bytes).toUtf8() == bytes) {
      EXPECT_EQ(name, QString::fromUtf8(bytes)) << bytes.toStdString();
    }
  }
  EXPECT_EQ(NameFromNative("pr\xb3\x61t"), QStringLiteral("pr") + QChar(0xDCB3) + QStringLiteral("at"));
  // As a person reads it: carried bytes as \xHH, any other text (a backslash, Polish letters) as it is.
  EXPECT_EQ(ReadableName(NameFromNative("pr\xb3"
                                        "at\\\xc5\xbc\xff.mjp")),
            QString::fromUtf8("pr\\xB3at\\\xc5\xbc\\xFF.mjp"));
}
