#include "ViewerExport.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "BenchFiles.h"

namespace vbench {

namespace {

constexpr int kStopButton = 5;  // imgCmd(5)

[[noreturn]] void die(const QString& what) {
  std::fprintf(stderr, "bench: %s\n", qPrintable(what));
  std::exit(2);
}

}  // namespace

ViewerExport::ViewerExport(Viewer& v, BenchModal& modal) : v_(v), modal_(modal) {
  // The window's own event step (when there is a window) still runs, after the count.
  auto previous = v_.DoEvents;
  v_.DoEvents = [this, previous] {
    ++eventPoints_;
    if (previous) previous();
  };
}

void ViewerExport::Open(Viewer& v, const QString& path) {
  v.StartUpBegin();
  v.StartUpState();
  v.st.RecordingPath = v.cdlFileName = path;
  QString error;
  if (!v.OpenRecordingFile(path, &error)) die(path + QStringLiteral(": ") + error);
  if (v.ShowOpenedRecording() != SearchResult::Shown) die(path + QStringLiteral(": the first frame cannot be shown"));
}

void ViewerExport::MarkFirstFrames(int frames) {
  if (frames < 2) die(QStringLiteral("a marked sequence needs two frames"));
  // Halted, so that no playback tick moves the frame between the two marks.
  v_.imgCmd_Click(kStopButton);
  v_.st.WindowPos = 1;
  v_.st.FrameStart = v_.st.FrameEnd = 0;
  if (!v_.ReadWindow()) die(v_.cdlFileName + QStringLiteral(": read error"));
  SearchResult found = v_.scanner.SearchForward(0);
  for (int n = 0;; ++n) {
    if (found != SearchResult::Shown)
      die(QStringLiteral("%1: frame %2 of %3 cannot be shown").arg(v_.cdlFileName).arg(n).arg(frames));
    if (n == 0 || n == frames - 1) v_.MarkCommand();
    if (n == frames - 1) break;
    found = v_.scanner.SearchForward(v_.st.FrameEnd);
  }
  modal_.messages.clear();  // the mark command's report of the sequence's length
}

void ViewerExport::MarkWholeFile() {
  v_.imgCmd_Click(kStopButton);
  v_.module.MarkStart = 1;
  v_.module.MarkEnd = v_.st.FileLength;
}

void ViewerExport::Prepare(const QString& out, bool flush) {
  QFile::remove(out);
  if (flush) ::sync();
  WarmPageCache(v_.cdlFileName.toStdString());
}

void ViewerExport::Discard(const QString& out) { QFile::remove(out); }

bool ViewerExport::SaveAvi(const QString& codec, const QString& out) {
  modal_.outputPath = out;
  modal_.codec = codec;
  modal_.messages.clear();
  eventPoints_ = 0;
  return Finish(v_.SaveAvi());
}

bool ViewerExport::SaveMjp(const QString& out) {
  modal_.outputPath = out;
  modal_.messages.clear();
  if (!Finish(v_.SaveMjp())) return false;
  if (QFileInfo(out).size() != MarkedBytes()) error_ = "the copy's length is not the range's";
  return error_.empty();
}

bool ViewerExport::Finish(ExportResult result) {
  error_.clear();
  if (result != ExportResult::Done) error_ = "the export did not finish";
  if (!modal_.messages.isEmpty()) error_ = "the viewer said: " + modal_.messages.join(QStringLiteral(" / ")).toStdString();
  return error_.empty();
}

}  // namespace vbench
