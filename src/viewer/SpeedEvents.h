#pragma once
// Where a recording went over a speed limit: from the records of a walk, the runs of
// consecutive measurement frames whose speed is at or above the limit. A frame without
// a measurement, or one below the limit, ends a run.

#include <optional>
#include <vector>

#include "viewer/FrameWalk.h"

struct SpeedEvent {
  int first = 0, last = 0;  // frame numbers, both in the run
  QString firstTime, lastTime;
  int peakKmh = 0;
  int peakFrame = 0;  // the first frame of the run at its peak speed
};

std::vector<SpeedEvent> EventsOver(const std::vector<FrameRecord>& frames, int limitKmh);

// The peak frame of the event after (forward) or before the frame that starts at file
// position `at` (or, between frames, lies there); none past the last or first event.
std::optional<int> NeighbourPeak(const std::vector<SpeedEvent>& events, const std::vector<FrameRecord>& frames,
                                 FilePos at, bool forward);
