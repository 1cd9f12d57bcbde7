#include "viewer/SaveOptions.h"

#include <algorithm>

SaveOptionsActivation ActivationOf(FilePos MarkStart, FilePos MarkEnd, std::uint8_t SaveKind, std::uint8_t AviSpeed) {
  // A value outside the range is shown at the nearer end, as the slider itself would.
  const int sliderValue = std::clamp<int>(AviSpeed, kAviSpeedMin, kAviSpeedMax);
  if (MarkStart == -1 || MarkEnd == -1) return {SequenceOptions::Disable, std::nullopt, sliderValue};
  if (SaveKind < kSaveOptionCount) return {SequenceOptions::Enable, int{SaveKind}, sliderValue};
  return {SequenceOptions::Keep, std::nullopt, sliderValue};
}

bool SpeedControlsWanted(int Index) { return Index == kSaveAvi; }

SaveChoice ChoiceOnOK(SaveChoice before, const std::array<bool, kSaveOptionCount>& selected, int sliderValue) {
  SaveChoice after = before;
  const auto first = std::find(selected.begin(), selected.end(), true);
  if (first != selected.end()) after.SaveKind = static_cast<std::uint8_t>(first - selected.begin());
  after.AviSpeed = static_cast<std::uint8_t>(std::clamp(sliderValue, kAviSpeedMin, kAviSpeedMax));
  return after;
}

SaveChoice ChoiceOnAnuluj(SaveChoice before) {
  return {static_cast<std::uint8_t>(before.SaveKind | kSaveCancelled), before.AviSpeed};
}
