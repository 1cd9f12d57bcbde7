// The command-line and file-title rules of start-up.

#include <gtest/gtest.h>

#include "viewer/CommandLine.h"
#include "support/QtPrinters.h"

TEST(CommandLine, ArgumentStringNamesARecording) {
  // The line, the path it names (nullptr: none).
  const std::pair<const char*, const char*> kCases[] = {{"", nullptr},
                                                        {"a", nullptr},
                                                        {"ab", nullptr},
                                                        {"abc", "abc"},
                                                        {"/tmp/x.mjp", "/tmp/x.mjp"},
                                                        {"\"/tmp/my file.mjp\"", "/tmp/my file.mjp"},
                                                        {"\"ab", "a"},
                                                        {"\"/tmp/no closing quote.mjp", "/tmp/no closing quote.mj"},
                                                        {"/tmp/with blanks inside.mjp", "/tmp/with blanks inside.mjp"}};
  for (const auto& [line, path] : kCases)
    EXPECT_EQ(RecordingPathFrom(QString::fromUtf8(line)), path ? std::optional(QString::fromUtf8(path)) : std::nullopt)
        << line;
}

// Characters, not bytes, are counted.
TEST(CommandLine, TitlesAbove21CharactersAreShortened) {
  EXPECT_EQ(ShortTitle("123456789012345678901"), "123456789012345678901");
  EXPECT_EQ(ShortTitle("1234567890123456789012"), "... 67890123456789012");
  EXPECT_EQ(ShortTitle(QString::fromUtf8("zażółć_gęślą_jaźń_ąęść.MJP")), QString::fromUtf8("... ślą_jaźń_ąęść.MJP"));
}
