// The save options dialog's rules: what activation does for each mark state and SaveKind,
// and what OK and Anuluj leave behind.

#include <array>
#include <optional>

#include <gtest/gtest.h>

#include "export/SaveOptions.h"

namespace {

constexpr FilePos kNone = -1;

struct ActivationCase {
  const char* name;
  FilePos MarkStart;
  FilePos MarkEnd;
  int SaveKind;
  SequenceOptions sequenceOptions;
  std::optional<int> select;
};

}  // namespace

TEST(SaveOptions, ActivationFollowsTheMarksAndSaveKind) {
  for (const ActivationCase c : {
           // Without a complete sequence nothing but the JPEG frame is offered, whatever SaveKind holds.
           ActivationCase{"no marks, 0", kNone, kNone, 0, SequenceOptions::Disable, std::nullopt},
           {"no marks, 1", kNone, kNone, 1, SequenceOptions::Disable, std::nullopt},
           {"no marks, 2", kNone, kNone, 2, SequenceOptions::Disable, std::nullopt},
           {"no marks, 130", kNone, kNone, 130, SequenceOptions::Disable, std::nullopt},
           {"no marks, 128", kNone, kNone, 128, SequenceOptions::Disable, std::nullopt},
           {"start only, 2", 1000, kNone, 2, SequenceOptions::Disable, std::nullopt},
           {"end only, 1", kNone, 5000, 1, SequenceOptions::Disable, std::nullopt},
           // A complete sequence: the last choice comes back.
           {"marks, 0", 1000, 5000, 0, SequenceOptions::Enable, 0},
           {"marks, 1", 1000, 5000, 1, SequenceOptions::Enable, 1},
           {"marks, 2", 1000, 5000, 2, SequenceOptions::Enable, 2},
           {"marks at position 1", 1, 2, 2, SequenceOptions::Enable, 2},
           {"marks beyond 2 GiB", 3'000'000'000, 3'500'000'000, 1, SequenceOptions::Enable, 1},
           // A cancelled showing, or any value the dialog never writes: nothing changes.
           {"marks, 130", 1000, 5000, 130, SequenceOptions::Keep, std::nullopt},
           {"marks, 128", 1000, 5000, 128, SequenceOptions::Keep, std::nullopt},
           {"marks, 3", 1000, 5000, 3, SequenceOptions::Keep, std::nullopt},
           {"marks, 255", 1000, 5000, 255, SequenceOptions::Keep, std::nullopt},
       }) {
    const SaveOptionsActivation a = ActivationOf(c.MarkStart, c.MarkEnd, static_cast<std::uint8_t>(c.SaveKind), 10);
    EXPECT_EQ(a.sequenceOptions, c.sequenceOptions) << c.name;
    EXPECT_EQ(a.select, c.select) << c.name;
    EXPECT_EQ(a.sliderValue, 10) << c.name;
  }
}

TEST(SaveOptions, ActivationPutsAviSpeedOnTheSliderInEveryCase) {
  EXPECT_EQ(ActivationOf(kNone, kNone, 0, 25).sliderValue, 25);
  EXPECT_EQ(ActivationOf(1, 9, 2, 1).sliderValue, 1);
  EXPECT_EQ(ActivationOf(1, 9, 130, 30).sliderValue, 30);
  // Outside the slider's range: the nearer end.
  EXPECT_EQ(ActivationOf(1, 9, 2, 0).sliderValue, 1);
  EXPECT_EQ(ActivationOf(1, 9, 2, 31).sliderValue, 30);
  EXPECT_EQ(ActivationOf(1, 9, 2, 255).sliderValue, 30);
}

TEST(SaveOptions, TheStartOptionIsAlwaysAvailable) {
  // It is selected when activation selects none, which includes the case without marks.
  EXPECT_EQ(kStartOption, kSaveJpeg);
  EXPECT_FALSE(SpeedControlsWanted(kStartOption));
}

TEST(SaveOptions, OnlyTheAviOptionWantsTheSpeedControls) {
  EXPECT_FALSE(SpeedControlsWanted(kSaveJpeg));
  EXPECT_FALSE(SpeedControlsWanted(kSaveMjp));
  EXPECT_TRUE(SpeedControlsWanted(kSaveAvi));
}

TEST(SaveOptions, OkStoresTheFirstSelectedOptionAndAlwaysTheSlider) {
  using Sel = std::array<bool, kSaveOptionCount>;
  struct Case {
    const char* name;
    int SaveKindBefore;
    Sel selected;
    int slider;
    int SaveKindAfter;
    int AviSpeedAfter;
  };
  for (const Case c : {
           Case{"JPEG", 2, {true, false, false}, 17, 0, 17},
           {"MJP", 0, {false, true, false}, 10, 1, 10},
           {"AVI at 25", 1, {false, false, true}, 25, 2, 25},
           {"cancelled before, MJP now", 130, {false, true, false}, 10, 1, 10},
           {"none selected keeps SaveKind", 2, {false, false, false}, 4, 2, 4},
           {"none selected keeps a cancelled SaveKind", 130, {false, false, false}, 30, 130, 30},
           {"the first of several wins", 2, {false, true, true}, 1, 1, 1},
           {"slider at the low end", 2, {false, false, true}, 1, 2, 1},
           {"slider at the high end", 2, {false, false, true}, 30, 2, 30},
       }) {
    const SaveChoice after = ChoiceOnOK({static_cast<std::uint8_t>(c.SaveKindBefore), 10}, c.selected, c.slider);
    EXPECT_EQ(after.SaveKind, c.SaveKindAfter) << c.name;
    EXPECT_EQ(after.AviSpeed, c.AviSpeedAfter) << c.name;
  }
}

TEST(SaveOptions, AnulujSetsBit7AndKeepsAviSpeed) {
  struct Case {
    int before;
    int after;
  };
  for (const Case c : {Case{0, 128}, {1, 129}, {2, 130}, {130, 130}, {128, 128}, {127, 255}, {255, 255}}) {
    const SaveChoice after = ChoiceOnAnuluj({static_cast<std::uint8_t>(c.before), 23});
    EXPECT_EQ(after.SaveKind, c.after) << c.before;
    EXPECT_EQ(after.AviSpeed, 23) << c.before;
  }
}

TEST(SaveOptions, CancelledThenChosenAgain) {
  // SaveKind 2, Anuluj: 130; the next showing with marks selects nothing; MJP and OK: 1.
  const SaveChoice cancelled = ChoiceOnAnuluj({2, 10});
  EXPECT_EQ(cancelled.SaveKind, 130);
  EXPECT_EQ(ActivationOf(1, 9, cancelled.SaveKind, cancelled.AviSpeed).select, std::nullopt);
  EXPECT_EQ(ChoiceOnOK(cancelled, {false, true, false}, 10).SaveKind, 1);
}
