#pragma once
// The walk forward through a recording, frame after frame as stepping forward visits
// them, and the record of each frame that the recording's overview is made of: its
// number, place, the camera's measurement and the panel's time and identifier.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "caminfo/FrameInfo.h"
#include "viewer/Viewer.h"

// How a walk ended.
enum class WalkEnd { LastFrame, Stopped, ReadFailed };

struct WalkResult {
  int visited = 0;
  WalkEnd end = WalkEnd::LastFrame;
};

// Visits, once, the frames that stepping forward visits from the frame a search left
// current (`first`: how it ended), a frame that cannot be decoded included: visit(n,
// decoded) for the n-th (from 0) answers whether to go on.
WalkResult WalkForward(Viewer& v, SearchResult first, const std::function<bool(int n, bool decoded)>& visit);

struct FrameRecord {
  int n = 0;          // frame number from 0, as the walk counts
  FilePos start = 0;  // file position of its start marker
  FrameKind kind = FrameKind::NoBlock;
  std::optional<int> speedKmh;  // a measurement's speed; none for any other kind of frame
  // A measurement's camera time in seconds (since power-on, or of the day's clock when
  // the power-on time is set: it may pass 24 hours); none for any other kind of frame.
  std::optional<std::int64_t> seconds;
  QString time;   // the time display after the frame (time correction applied)
  QString ident;  // the identifier display after the frame
};

// The current frame's record, once the viewer showed it.
FrameRecord RecordOfCurrentFrame(const Viewer& v, int n);

// Every frame's record, walked without decoding by a viewer of its own: nothing when
// the recording cannot be opened or read, with the reason (Polish, as the window says it).
std::optional<std::vector<FrameRecord>> ReadFrameRecords(const QString& path, std::int16_t powerOnMinutes,
                                                         QString* error);
