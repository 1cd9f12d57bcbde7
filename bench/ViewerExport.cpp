#include "ViewerExport.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "BenchFiles.h"

namespace vbench {

namespace {

[[noreturn]] void die(const QString& what) {
  std::fprintf(stderr, "bench: %s\n", qPrintable(what));
  std::exit(2);
}

const char* outcomeName(ExportOutcome o) {
  switch (o) {
    case ExportOutcome::Done: return "done";
    case ExportOutcome::Stopped: return "stopped";
    case ExportOutcome::Failed: return "failed";
    case ExportOutcome::Undecodable: return "met a frame it cannot decode";
    case ExportOutcome::Cancelled: return "cancelled";
    case ExportOutcome::Opened: return "left open";
  }
  return "?";
}

}  // namespace

void ViewerExport::Open(Viewer& v, const QString& path) {
  v.StartUpBegin();
  v.StartUpState();
  QString error;
  if (!v.OpenRecordingFile(path, &error)) die(path + QStringLiteral(": ") + error);
  if (v.ShowOpenedRecording() != SearchResult::Shown) die(path + QStringLiteral(": the first frame cannot be shown"));
}

void ViewerExport::MarkFirstFrames(int frames) {
  if (frames < 2) die(QStringLiteral("a marked sequence needs two frames"));
  // Halted, so that no playback tick moves the frame between the two marks.
  v_.Transport(TransportCommand::Stop);
  if (!v_.SeekTo(1)) die(path_ + QStringLiteral(": read error"));
  SearchResult found = v_.SearchForward(0);
  for (int n = 0;; ++n) {
    if (found != SearchResult::Shown)
      die(QStringLiteral("%1: frame %2 of %3 cannot be shown").arg(path_).arg(n).arg(frames));
    if (n == 0 || n == frames - 1) v_.MarkCommand();
    if (n == frames - 1) break;
    found = v_.SearchForward(v_.scanner().FrameEnd());
  }
}

void ViewerExport::MarkWholeFile() {
  v_.Transport(TransportCommand::Stop);
  v_.SetMarks(1, v_.FileLength());
}

void ViewerExport::Prepare(const QString& out, bool flush) {
  QFile::remove(out);
  if (flush) ::sync();
  WarmPageCache(path_.toStdString());
}

void ViewerExport::Discard(const QString& out) { QFile::remove(out); }

bool ViewerExport::SaveAvi(const QString& codec, const QString& out) {
  AVICOMPRESSOPTIONS options;
  options.codec = codec;
  options.dwKeyFrameEvery = 1;
  const ModuleValues& m = v_.module();
  return Finish(v_.SaveAvi({out, m.MarkStart, m.MarkEnd, m.AviSpeed, options}));
}

bool ViewerExport::SaveMjp(const QString& out) {
  const ModuleValues& m = v_.module();
  if (!Finish(v_.SaveMjp({out, m.MarkStart, m.MarkEnd}))) return false;
  if (written_ != MarkedBytes() || QFileInfo(out).size() != MarkedBytes())
    error_ = "the copy's length is not the range's";
  return error_.empty();
}

bool ViewerExport::Finish(const ExportReport& report) {
  written_ = report.written;
  error_.clear();
  if (report.outcome != ExportOutcome::Done) {
    error_ = std::string("the export ") + outcomeName(report.outcome);
    if (report.aviResult != AVIERR_OK) {
      char result[32];
      std::snprintf(result, sizeof result, " (AVI result 0x%08X)", static_cast<unsigned>(report.aviResult));
      error_ += result;
    }
    if (!report.cause.isEmpty()) error_ += ": " + report.cause.toStdString();
  }
  return error_.empty();
}

}  // namespace vbench
