#include <array>
#include <optional>

#include <gtest/gtest.h>

#include "viewer/SaveOptions.h"

namespace {
constexpr FilePos kNone = -1;
constexpr auto kDisable = SequenceOptions::Disable, kEnable = SequenceOptions::Enable, kKeep = SequenceOptions::Keep;
}  // namespace

// Without both marks only JPEG; a cancelled or unknown SaveKind selects nothing; slider AviSpeed in 1..30.
TEST(SaveOptions, Activation) {
  using Case = std::tuple<FilePos, FilePos, int, int, SequenceOptions, std::optional<int>, int>;
  const Case kCases[] = {{kNone, kNone, 2, 10, kDisable, std::nullopt, 10},
                         {1000, kNone, 2, 10, kDisable, std::nullopt, 10},
                         {kNone, 5000, 1, 25, kDisable, std::nullopt, 25},
                         {1000, 5000, 0, 10, kEnable, 0, 10},
                         {1000, 5000, 2, 10, kEnable, 2, 10},
                         {3'000'000'000, 3'500'000'000, 1, 10, kEnable, 1, 10},
                         {1000, 5000, 130, 30, kKeep, std::nullopt, 30},
                         {1000, 5000, 3, 10, kKeep, std::nullopt, 10},
                         {1000, 5000, 2, 0, kEnable, 2, 1},
                         {1000, 5000, 2, 31, kEnable, 2, 30}};
  for (const auto& [MarkStart, MarkEnd, SaveKind, AviSpeed, sequenceOptions, select, slider] : kCases) {
    const auto a =
        ActivationOf(MarkStart, MarkEnd, static_cast<std::uint8_t>(SaveKind), static_cast<std::uint8_t>(AviSpeed));
    EXPECT_EQ(std::tuple(a.sequenceOptions, a.select, a.sliderValue), std::tuple(sequenceOptions, select, slider))
        << MarkStart << ".." << MarkEnd << " kind " << SaveKind << " speed " << AviSpeed;
  }
}

// OK: first selected option (none keeps SaveKind) and the slider; Anuluj: bit 7 set, AviSpeed kept.
TEST(SaveOptions, OkAndAnuluj) {
  using Case = std::tuple<int, std::array<bool, kSaveOptionCount>, int, int, int>;
  const Case kCases[] = {{2, {true, false, false}, 17, 0, 130}, {130, {false, true, false}, 10, 1, 130},
                         {1, {false, false, true}, 25, 2, 129}, {2, {false, false, false}, 4, 2, 130},
                         {0, {false, true, true}, 1, 1, 128},   {255, {false, false, false}, 30, 255, 255}};
  for (const auto& [kind, selected, slider, afterOk, afterAnuluj] : kCases) {
    const SaveChoice before{static_cast<std::uint8_t>(kind), 23};
    const SaveChoice ok = ChoiceOnOK(before, selected, slider);
    const SaveChoice cancelled = ChoiceOnAnuluj(before);
    EXPECT_EQ(std::tuple(int(ok.SaveKind), int(ok.AviSpeed), int(cancelled.SaveKind), int(cancelled.AviSpeed)),
              std::tuple(afterOk, slider, afterAnuluj, 23))
        << kind;
  }
}
