// Events over a speed limit, from a walk's records worked out by hand.

#include <gtest/gtest.h>

#include "viewer/SpeedEvents.h"

namespace {

// Runs split by a frame without a measurement and by one below the limit, a tie (the first peak
// counts), a run at the file's end, the limit itself counting as over.
TEST(SpeedEvents, RunsOfMeasurementsAtOrOverTheLimit) {
  const std::vector<FrameSpeed> frames{{0, 40, "t0"}, {1, 60, "t1"}, {2, 70, "t2"}, {3, 70, "t3"}, {4, {}, "t4"},
                                       {5, 55, "t5"}, {6, 49, "t6"}, {7, 80, "t7"}, {8, 90, "t8"}};
  using Event = std::tuple<int, int, QString, QString, int, int>;
  const auto events = [&](int limit) {
    std::vector<Event> out;
    for (const SpeedEvent& e : EventsOver(frames, limit))
      out.emplace_back(e.first, e.last, e.firstTime, e.lastTime, e.peakKmh, e.peakFrame);
    return out;
  };
  EXPECT_EQ(events(55),
            (std::vector<Event>{{1, 3, "t1", "t3", 70, 2}, {5, 5, "t5", "t5", 55, 5}, {7, 8, "t7", "t8", 90, 8}}));
  EXPECT_EQ(events(56), (std::vector<Event>{{1, 3, "t1", "t3", 70, 2}, {7, 8, "t7", "t8", 90, 8}}));
  EXPECT_EQ(events(0).size(), 2u) << "a frame without a measurement still ends a run";
  EXPECT_TRUE(events(91).empty());
}

}  // namespace
