// The recording at a glance: the walk's records, events over a limit, the plot's points and
// exact jumps, on a recording made frame by frame (tables worked out by hand).

#include <gtest/gtest.h>

#include "support/TempRecording.h"
#include "viewer/SpeedEvents.h"
#include "drawing/SpeedPlot.h"

namespace {

// Speeds of the frames in order: a number is a measurement (at second 100 + n), -1 a frame
// without a block, -2 a time-text frame.
constexpr int kNoBlock = -1, kTextTime = -2;
const std::vector<int> kSpeeds{40, 60, 70, 70, kNoBlock, 55, kTextTime, 49, 80, 90};

TempRecording recording() {
  recgen::RecordingBuilder b;
  b.Fill(16, 0);  // the first frame's block lies past the window's first 32 bytes, so it is read
  for (std::size_t n = 0; n < kSpeeds.size(); ++n) {
    const auto seconds = static_cast<std::uint32_t>(100 + n);
    if (kSpeeds[n] >= 0) b.Append(recgen::MeasurementBlock("CAM-0417-A02", kSpeeds[n], 200, seconds));
    if (kSpeeds[n] == kTextTime) b.Append(recgen::TextTimeBlock("CAM-0417-A02", recgen::TimeTextAt(seconds)));
    b.Append(recgen::EncodeScene(1, static_cast<int>(n), 64, 48));
  }
  return TempRecording(b.Data());
}

using Event = std::tuple<int, int, QString, QString, int, int>;

std::vector<Event> eventsOf(const std::vector<FrameRecord>& frames, int limit) {
  std::vector<Event> out;
  for (const SpeedEvent& e : EventsOver(frames, limit))
    out.emplace_back(e.first, e.last, e.firstTime, e.lastTime, e.peakKmh, e.peakFrame);
  return out;
}

// The recording, walked without a power-on time.
struct Walked : ::testing::Test {
  const TempRecording rec = recording();
  const std::vector<FrameRecord> frames = ReadFrameRecords(rec.path(), 0, nullptr).value();
};

// Runs split by a frame without a block, by a time-text frame and by one below the limit; a
// tie (the first peak counts); a run at the file's end; the limit itself counts as over;
// the times as the panel shows them, with and without the power-on time.
TEST_F(Walked, RunsOverTheLimit) {
  ASSERT_EQ(frames.size(), kSpeeds.size());
  EXPECT_EQ(eventsOf(frames, 55), (std::vector<Event>{{1, 3, "000:01:41", "000:01:43", 70, 2},
                                                      {5, 5, "000:01:45", "000:01:45", 55, 5},
                                                      {8, 9, "000:01:48", "000:01:49", 90, 9}}));
  EXPECT_EQ(eventsOf(frames, 56).size(), 2u);
  EXPECT_EQ(eventsOf(frames, 0).size(), 3u) << "frames without a measurement end a run";
  EXPECT_TRUE(eventsOf(frames, 91).empty());
  QString error;
  const auto clock = ReadFrameRecords(rec.path(), 8 * 60, &error);  // powered on at 08:00
  ASSERT_TRUE(clock);
  EXPECT_EQ(eventsOf(*clock, 80), (std::vector<Event>{{8, 9, "08:01:48", "08:01:49", 90, 9}}));
  EXPECT_EQ((*clock)[9].seconds, 8 * 3600 + 109);
  EXPECT_FALSE(ReadFrameRecords(rec.folder() + "/none.mjp", 0, &error));
  EXPECT_FALSE(error.isEmpty());
}

// The plot's points are the walk's measurement frames; a click finds the nearest one.
TEST_F(Walked, PlotPointsAreTheMeasurements) {
  std::vector<std::tuple<int, std::int64_t, int>> expected, got;
  for (std::size_t n = 0; n < kSpeeds.size(); ++n)
    if (kSpeeds[n] >= 0) expected.emplace_back(static_cast<int>(n), 100 + n, kSpeeds[n]);
  const SpeedPlot plot(frames, 55, 0, TextLanguage::English);
  for (const PlotPoint& p : plot.points()) got.emplace_back(p.frame, p.seconds, p.kmh);
  EXPECT_EQ(got, expected);
  const QRectF area(0, 0, 1000, 400);
  EXPECT_EQ(plot.FrameAt({990, 50}, area), 9);
  EXPECT_EQ(plot.FrameAt({0, 350}, area), 0);
}

// A jump shows exactly the frame asked for, its block read (the panel tells its time), with
// the knob at it; the next and previous events' peaks from any place.
TEST_F(Walked, ExactJumpsAndNeighbourPeaks) {
  Viewer v;
  v.StartUp(rec.path());
  for (const FrameRecord& f : frames) {
    SCOPED_TRACE(f.n);
    EXPECT_EQ(v.ShowFrameAt(f.start), SearchResult::Shown);
    EXPECT_EQ(v.scanner().FrameStartPos(), f.start);
    EXPECT_EQ(v.mode(), PlayMode::Stopped);
    if (f.kind == FrameKind::Measurement) {
      EXPECT_EQ(v.screen().lblTime, f.time);
    }
    EXPECT_FLOAT_EQ(v.screen().imgSuwakLeft,
                    static_cast<float>(static_cast<double>(f.start) / static_cast<double>(v.FileLength())) * 479 + 22);
  }
  const auto events = EventsOver(frames, 55);  // peaks at frames 2, 5, 9
  const auto start = [&](int n) { return frames[static_cast<std::size_t>(n)].start; };
  EXPECT_EQ(NeighbourPeak(events, frames, start(0), true), 2);
  EXPECT_EQ(NeighbourPeak(events, frames, start(2), true), 5);
  EXPECT_EQ(NeighbourPeak(events, frames, start(9), true), std::nullopt);
  EXPECT_EQ(NeighbourPeak(events, frames, start(9), false), 5);
  EXPECT_EQ(NeighbourPeak(events, frames, start(3), false), 2);
  EXPECT_EQ(NeighbourPeak(events, frames, start(2), false), std::nullopt);
}

}  // namespace
