#include "BatchViewer.h"

#include <cerrno>
#include <cstring>

#include "CliError.h"
#include "ProgressBar.h"

QString OpenFailureText(int err) {
  switch (err) {
    case ENOENT: return QStringLiteral("no such file");
    case EISDIR: return QStringLiteral("is a directory");
    case EACCES:
    case EPERM: return QStringLiteral("permission denied");
    case EINVAL: return QStringLiteral("not a regular file");
    default: return QStringLiteral("cannot open: %1").arg(QString::fromLocal8Bit(std::strerror(err)));
  }
}

BatchViewer::BatchViewer(std::int16_t powerOnMinutes, bool decode) { v.StartWithoutWindow(powerOnMinutes, decode); }

void BatchViewer::Open(const QString& path) {
  path_ = path;
  if (!v.OpenRecordingFile(path, nullptr)) throw CliError::Failure(path, OpenFailureText(v.recording().openError()));
  first_ = v.ShowOpenedRecording();
}

void BatchViewer::ReadError() const {
  throw CliError::Failure(path_, QStringLiteral("read error near position %1").arg(v.scanner().WindowPos()));
}

void BatchViewer::PastTheLast(int visited, int n) const {
  throw CliError::Usage(QStringLiteral("%1 has %2 frames: frame %3 is past the last").arg(path_).arg(visited).arg(n));
}

int BatchViewer::Walk(const std::function<bool(int, bool)>& visit, ProgressBar* progress) {
  const SearchResult first = first_;
  first_ = SearchResult::NoFrame;
  const WalkResult walked = WalkForward(v, first, [&](int n, bool decoded) {
    if (progress) progress->Update(static_cast<double>(FrameEndPos()), static_cast<double>(v.FileLength()));
    return visit(n, decoded);
  });
  if (walked.end == WalkEnd::ReadFailed) ReadError();
  return walked.visited;
}

std::vector<FrameRecord> BatchViewer::Records() {
  std::vector<FrameRecord> records;
  Walk([&](int n, bool) {
    records.push_back(RecordOfCurrentFrame(v, n));
    return true;
  });
  return records;
}

void BatchViewer::GoToFrame(int n) {
  const int visited = Walk([&](int k, bool) { return k < n; });
  if (visited <= n) PastTheLast(visited, n);
}

void BatchViewer::MarkFrames(int a, int b) {
  FilePos start = -1;
  const int visited = Walk([&](int k, bool) {
    if (k == a) start = FrameStartPos();
    return k < b;
  });
  if (visited <= b) PastTheLast(visited, b);
  v.SetMarks(start, FrameEndPos());
}

void BatchViewer::ShowFirstFrameOfRange() {
  // From here frames are shown as the window shows them: the conversion then ends at a
  // frame that cannot be decoded, as it does in the viewer.
  v.SetDecoding(true);
  // As the conversion positions itself: the first frame starts at window index 0 or later.
  const ModuleValues& m = v.module();
  if (!v.SeekTo(m.MarkStart)) ReadError();
  const SearchResult found = v.SearchForward(0);
  if (found == SearchResult::ReadFailed) ReadError();
  if (found == SearchResult::NoFrame || FrameStartPos() > m.MarkEnd)
    throw CliError::Usage(
        QStringLiteral("no frame starts between positions %1 and %2").arg(m.MarkStart).arg(m.MarkEnd));
  if (found == SearchResult::NotShown)
    throw CliError::Failure(path_, QStringLiteral("the range's first frame, at position %1, cannot be decoded: "
                                                  "the video's size is unknown")
                                       .arg(FrameStartPos()));
}
