#include "archive/IndexReading.h"

#include "archive/ArchivePaths.h"
#include "archive/IndexWalk.h"
#include "platform/NativeName.h"
#include "viewer/FrameWalk.h"

IndexReading ReadForIndex(const QByteArray& path, bool decode, const std::atomic<bool>* stop) {
  IndexReading out;
  const auto failed = [&](IndexReading::Failure why) {
    out.failure = why;
    return std::move(out);
  };
  const std::optional<FileStamp> before = StampOf(path, &out.error);
  Viewer v;
  v.StartWithoutWindow(0, decode);
  if (!v.OpenRecordingFile(NameFromNative(path), &out.openError)) {
    out.error = v.recording().openError();
    return failed(IndexReading::Failure::Open);
  }
  if (!before) return failed(IndexReading::Failure::Missing);
  IndexWalk walk(v, path, *before, decode);
  const WalkResult walked = WalkForward(v, v.ShowOpenedRecording(), [&](int n, bool decoded) {
    walk.Visit(n, decoded);
    return !stop || !stop->load();
  });
  if (walked.end == WalkEnd::Stopped) return failed(IndexReading::Failure::Stopped);
  if (walked.end == WalkEnd::ReadFailed) {
    out.position = v.scanner().WindowPos();
    return failed(IndexReading::Failure::Read);
  }
  out.recording = walk.Finish();
  if (!out.recording) {
    out.position = walk.FailedAt();
    return failed(IndexReading::Failure::Read);
  }
  if (StampOf(path) != before || before->size != v.FileLength()) {
    out.recording.reset();
    return failed(IndexReading::Failure::Changed);
  }
  return out;
}
