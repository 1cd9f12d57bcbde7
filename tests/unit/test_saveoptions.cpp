#include <array>
#include <optional>

#include <gtest/gtest.h>

#include "viewer/SaveOptions.h"

namespace {
constexpr FilePos kNone = -1;
constexpr auto kDisable = SequenceOptions::Disable, kEnable = SequenceOptions::Enable, kKeep = SequenceOptions::Keep;
}  // namespace

// Without both marks only the JPEG frame is offered, whatever SaveKind holds; a cancelled
// SaveKind (bit 7) or any value the dialog never writes selects nothing. The slider always
// shows AviSpeed, held to 1 to 30.
TEST(SaveOptions, Activation) {
  struct Case {
    FilePos MarkStart, MarkEnd;
    int SaveKind, AviSpeed;
    SequenceOptions sequenceOptions;
    std::optional<int> select;
    int slider;
  };
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
  for (const Case& c : kCases) {
    const auto a = ActivationOf(c.MarkStart, c.MarkEnd, static_cast<std::uint8_t>(c.SaveKind),
                                static_cast<std::uint8_t>(c.AviSpeed));
    EXPECT_EQ(std::tuple(a.sequenceOptions, a.select, a.sliderValue), std::tuple(c.sequenceOptions, c.select, c.slider))
        << c.MarkStart << ".." << c.MarkEnd << " kind " << c.SaveKind << " speed " << c.AviSpeed;
  }
}

// OK: the first selected option (none keeps SaveKind), and the slider whatever is chosen.
// Anuluj: bit 7 set once, AviSpeed kept.
TEST(SaveOptions, OkAndAnuluj) {
  struct Case {
    int before;
    std::array<bool, kSaveOptionCount> selected;
    int slider, afterOk, afterAnuluj;
  };
  const Case kCases[] = {{2, {true, false, false}, 17, 0, 130}, {130, {false, true, false}, 10, 1, 130},
                         {1, {false, false, true}, 25, 2, 129}, {2, {false, false, false}, 4, 2, 130},
                         {0, {false, true, true}, 1, 1, 128},   {255, {false, false, false}, 30, 255, 255}};
  for (const Case& c : kCases) {
    const SaveChoice before{static_cast<std::uint8_t>(c.before), 23};
    const SaveChoice ok = ChoiceOnOK(before, c.selected, c.slider);
    const SaveChoice cancelled = ChoiceOnAnuluj(before);
    EXPECT_EQ(std::tuple(int(ok.SaveKind), int(ok.AviSpeed), int(cancelled.SaveKind), int(cancelled.AviSpeed)),
              std::tuple(c.afterOk, c.slider, c.afterAnuluj, 23))
        << c.before;
  }
}
