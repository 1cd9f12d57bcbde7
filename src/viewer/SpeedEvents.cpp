#include "viewer/SpeedEvents.h"

std::vector<SpeedEvent> EventsOver(const std::vector<FrameSpeed>& frames, int limitKmh) {
  std::vector<SpeedEvent> events;
  bool inRun = false;
  for (const FrameSpeed& f : frames) {
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
