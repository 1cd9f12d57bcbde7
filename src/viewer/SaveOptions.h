#pragma once
// The save options dialog's rules, apart from any widget: what activation does to the
// options and the slider, which option wants the speed controls, and what OK and
// Anuluj leave in SaveKind and AviSpeed. Pure functions; no state between calls.

#include <array>
#include <cstdint>
#include <optional>

#include "viewer/ViewerState.h"

// OptSave's indices, which are also the values of SaveKind they stand for.
inline constexpr int kSaveJpeg = 0;
inline constexpr int kSaveMjp = 1;
inline constexpr int kSaveAvi = 2;
inline constexpr int kSaveOptionCount = 3;

// Anuluj's bit in SaveKind: the command panel then runs no export.
inline constexpr std::uint8_t kSaveCancelled = 0x80;

// sldSpeed's range: the AVI frame rate in whole frames per second.
inline constexpr int kAviSpeedMin = 1;
inline constexpr int kAviSpeedMax = 30;

// The option that is selected when activation selects none (no complete sequence
// marked, or the previous showing was cancelled). The JPEG frame is always available,
// so OK can never answer a choice the dialog did not offer: with none selected, OK would
// keep SaveKind, and a SaveKind of 1 or 2 left over from before the marks were cleared
// would start an export of a sequence that no longer exists.
inline constexpr int kStartOption = kSaveJpeg;

// What activation does to OptSave(1) and OptSave(2), the options that need a sequence.
enum class SequenceOptions { Disable, Enable, Keep };

struct SaveOptionsActivation {
  SequenceOptions sequenceOptions;
  std::optional<int> select;  // the option activation selects (its click runs too); none: no selection
  int sliderValue;            // sldSpeed's value: AviSpeed, held to the slider's range
};

// Form_Activate: no complete marks disable the sequence options and select nothing;
// otherwise SaveKind 0, 1 or 2 enables them and selects its option, and any other
// SaveKind (a cancelled showing) changes nothing. The slider shows AviSpeed either way.
SaveOptionsActivation ActivationOf(FilePos MarkStart, FilePos MarkEnd, std::uint8_t SaveKind, std::uint8_t AviSpeed);

// OptSave_Click: only the AVI conversion has a speed to set.
bool SpeedControlsWanted(int Index);

// The two values the dialog leaves behind.
struct SaveChoice {
  std::uint8_t SaveKind;
  std::uint8_t AviSpeed;
};

// cmdOK_Click: the first selected option becomes SaveKind (none selected keeps it);
// AviSpeed takes the slider's value whichever option is chosen.
SaveChoice ChoiceOnOK(SaveChoice before, const std::array<bool, kSaveOptionCount>& selected, int sliderValue);

// cmdAnuluj_Click: SaveKind gets bit 7 (a value that has it keeps it); AviSpeed stays.
SaveChoice ChoiceOnAnuluj(SaveChoice before);
