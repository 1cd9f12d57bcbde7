#pragma once
// Whether a recording is intact: one walk with the viewer's scanner finds the frames and the
// bytes between them, every frame is then decoded as the viewer decodes it (on several threads),
// and the findings come back in frame order. It reads the recording only and shows nothing.

#include <array>
#include <optional>
#include <vector>

#include <QString>

#include "check/FramePass.h"
#include "check/Finding.h"

struct CheckOptions {
  int jobs = 1;                  // threads decoding the frames; the result is the same for any number
  std::int64_t gapSeconds = 60;  // a later measurement more than this many seconds on is a time jump
};

struct RecordingCheck {
  int frames = 0;                 // frames the walk found
  std::int64_t strayBytes = 0;    // bytes in all the stray-bytes findings
  std::vector<Finding> findings;  // in frame order, and in FindingKind's order within a frame

  bool Intact() const { return findings.empty(); }
  // How many findings of each kind, indexed by FindingKind.
  std::array<int, kFindingKinds> Counts() const;
};

// The recording at path checked; nothing when it cannot be opened or read (failure says why).
std::optional<RecordingCheck> CheckRecording(const QString& path, const CheckOptions& options, PassFailure* failure);
