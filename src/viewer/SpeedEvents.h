#pragma once
// Where a recording went over a speed limit: from one record per frame of a walk, the
// runs of consecutive measurement frames whose speed is at or above the limit. A frame
// without a measurement, or one below the limit, ends a run.

#include <optional>
#include <vector>

#include <QString>

struct FrameSpeed {
  int n = 0;                    // frame number from 0, as the walk counts
  std::optional<int> speedKmh;  // a measurement's speed; none for any other kind of frame
  QString time;                 // the time display after the frame (time correction applied)
};

struct SpeedEvent {
  int first = 0, last = 0;  // frame numbers, both in the run
  QString firstTime, lastTime;
  int peakKmh = 0;
  int peakFrame = 0;  // the first frame of the run at its peak speed
};

std::vector<SpeedEvent> EventsOver(const std::vector<FrameSpeed>& frames, int limitKmh);
