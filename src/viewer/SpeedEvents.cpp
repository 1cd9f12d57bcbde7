#include "viewer/SpeedEvents.h"

#include <algorithm>

std::vector<SpeedEvent> EventsOver(const std::vector<FrameRecord>& frames, int limitKmh) {
  std::vector<SpeedEvent> events;
  bool inRun = false;
  for (const FrameRecord& f : frames) {
    const bool over = f.speedKmh && *f.speedKmh >= limitKmh;
    if (!over) {
      inRun = false;
      continue;
    }
    if (!inRun) {
      events.push_back({f.n, f.n, f.time, f.time, *f.speedKmh, f.n});
      inRun = true;
    }
    SpeedEvent& e = events.back();
    e.last = f.n;
    e.lastTime = f.time;
    if (*f.speedKmh > e.peakKmh) e.peakKmh = *f.speedKmh, e.peakFrame = f.n;
  }
  return events;
}

std::optional<int> NeighbourPeak(const std::vector<SpeedEvent>& events, const std::vector<FrameRecord>& frames,
                                 FilePos at, bool forward) {
  const auto startOf = [&](int n) { return frames[static_cast<std::size_t>(n)].start; };
  if (forward) {
    for (const SpeedEvent& e : events)
      if (startOf(e.peakFrame) > at) return e.peakFrame;
  } else {
    for (auto e = events.rbegin(); e != events.rend(); ++e)
      if (startOf(e->peakFrame) < at) return e->peakFrame;
  }
  return std::nullopt;
}
