#include "BatchViewer.h"

#include <cerrno>
#include <cstring>

#include "CliError.h"
#include "ProgressBar.h"

namespace {

QString openFailure(int err) {
  switch (err) {
    case ENOENT:
      return QStringLiteral("no such file");
    case EISDIR:
      return QStringLiteral("is a directory");
    case EACCES:
    case EPERM:
      return QStringLiteral("permission denied");
    case EINVAL:
      return QStringLiteral("not a regular file");
    default:
      return QStringLiteral("cannot open: %1").arg(QString::fromLocal8Bit(std::strerror(err)));
  }
}

}  // namespace

BatchViewer::BatchViewer(std::int16_t powerOnMinutes, bool decode) {
  v.StartUpBegin();
  v.StartUpState();
  v.module.PowerOnMinutes = powerOnMinutes;
  v.display.SetDecoding(decode);
}

void BatchViewer::Open(const QString& path) {
  path_ = path;
  v.st.RecordingPath = v.cdlFileName = path;
  if (!v.OpenRecordingFile(path, nullptr)) throw CliError::Failure(path, openFailure(v.recording.openError()));
  first_ = v.ShowOpenedRecording();
}

void BatchViewer::ReadError() const {
  throw CliError::Failure(path_, QStringLiteral("read error near position %1").arg(v.st.WindowPos));
}

int BatchViewer::Walk(const std::function<bool(int, bool)>& visit, ProgressBar* progress) {
  SearchResult found = first_;
  first_ = SearchResult::NoFrame;
  int n = 0;
  for (;; ++n) {
    if (found == SearchResult::ReadFailed) ReadError();
    if (found == SearchResult::NoFrame) return n;
    if (progress) progress->Update(static_cast<double>(FrameEndPos()), static_cast<double>(v.st.FileLength));
    if (!visit(n, found == SearchResult::Shown && v.display.Decoding())) return n + 1;
    found = v.scanner.SearchForward(v.st.FrameEnd);
  }
}

void BatchViewer::GoToFrame(int n) {
  const int visited = Walk([&](int k, bool) { return k < n; });
  if (visited <= n)
    throw CliError::Usage(QStringLiteral("%1 has %2 frames: frame %3 is past the last").arg(path_).arg(visited).arg(n));
}

void BatchViewer::MarkFrames(int a, int b) {
  const int visited = Walk([&](int k, bool) {
    if (k == a || k == b) v.MarkCommand();
    return k < b;
  });
  if (visited <= b)
    throw CliError::Usage(QStringLiteral("%1 has %2 frames: frame %3 is past the last").arg(path_).arg(visited).arg(b));
}

void BatchViewer::ShowFirstFrameOfRange() {
  // From here frames are shown as the window shows them: the conversion then ends at a
  // frame that cannot be decoded, as it does in the viewer.
  v.display.SetDecoding(true);
  // As the conversion positions itself: the first frame starts at window index 0 or later.
  v.st.WindowPos = v.module.MarkStart;
  v.st.FrameStart = v.st.FrameEnd = 0;
  if (!v.ReadWindow()) ReadError();
  const SearchResult found = v.scanner.SearchForward(0);
  if (found == SearchResult::ReadFailed) ReadError();
  if (found == SearchResult::NoFrame || FrameStartPos() > v.module.MarkEnd)
    throw CliError::Usage(
        QStringLiteral("no frame starts between positions %1 and %2").arg(v.module.MarkStart).arg(v.module.MarkEnd));
  if (found == SearchResult::NotShown)
    throw CliError::Failure(path_, QStringLiteral("the range's first frame, at position %1, cannot be decoded: "
                                                  "the video's size is unknown")
                                       .arg(FrameStartPos()));
}
