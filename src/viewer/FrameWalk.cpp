#include "viewer/FrameWalk.h"

#include "caminfo/DecodeFrameInfo.h"

WalkResult WalkForward(Viewer& v, SearchResult first, const std::function<bool(int, bool)>& visit) {
  SearchResult found = first;
  for (int n = 0;; ++n) {
    if (found == SearchResult::ReadFailed) return {n, WalkEnd::ReadFailed};
    if (found == SearchResult::NoFrame) return {n, WalkEnd::LastFrame};
    if (!visit(n, found == SearchResult::Shown && v.HoldsCurrentFrame())) return {n + 1, WalkEnd::Stopped};
    found = v.SearchForward(v.scanner().FrameEnd());
  }
}

FrameRecord RecordOfCurrentFrame(const Viewer& v, int n) {
  const std::optional<FrameBytes> frame = v.scanner().CurrentFrame();
  const FrameInfo info = DecodeFrameInfo(frame ? frame->block : std::span<const std::uint8_t>());
  FrameRecord r{n, v.scanner().FrameStartPos(), info.Kind, {}, {}, v.screen().lblTime, v.screen().lblIdent};
  if (info.Kind == FrameKind::Measurement) {
    r.speedKmh = info.SpeedKmh;
    r.seconds = std::int64_t{v.module().PowerOnMinutes} * 60 + info.SecondsSincePowerOn;
  }
  return r;
}

std::optional<std::vector<FrameRecord>> ReadFrameRecords(const QString& path, std::int16_t powerOnMinutes,
                                                         QString* error) {
  Viewer v;
  v.StartWithoutWindow(powerOnMinutes, false);
  if (!v.OpenRecordingFile(path, error)) return std::nullopt;
  std::vector<FrameRecord> records;
  const WalkResult walked = WalkForward(v, v.ShowOpenedRecording(), [&](int n, bool) {
    records.push_back(RecordOfCurrentFrame(v, n));
    return true;
  });
  if (walked.end == WalkEnd::ReadFailed) {
    if (error) *error = QStringLiteral("Błąd odczytu pliku w pobliżu pozycji %1").arg(v.scanner().WindowPos());
    return std::nullopt;
  }
  return records;
}
