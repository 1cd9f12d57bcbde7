#pragma once
// The viewer's own exports driven as a user drives them: the mark command on two frames
// reached by stepping, then the export of the marked range. It works on a viewer without
// a window (no canvas: nothing painted); the window benchmark uses it to open, mark and
// clean up around the window's own save command.

#include <cstdint>
#include <string>

#include <QString>

#include "viewer/Viewer.h"

namespace vbench {

class ViewerExport {
 public:
  // v has the recording at path open.
  ViewerExport(Viewer& v, const QString& path) : v_(v), path_(path) {}

  // Opens path in a viewer without a window as start-up and the open command do, its
  // first frame shown; exits the process when the file cannot be opened.
  static void Open(Viewer& v, const QString& path);

  // Stops playback, steps from the first frame and marks frame 0 and frame frames-1 with
  // the mark command; exits the process when there are fewer frames or one cannot be shown.
  void MarkFirstFrames(int frames);
  // Marks the file from its first byte to its last, as a range given by position is marked.
  void MarkWholeFile();
  std::int64_t MarkedBytes() const { return v_.module().MarkEnd - v_.module().MarkStart + 1; }

  // Before a timed pass: the previous output deleted (with flush, its blocks written back
  // or dropped first), then the recording read into the page cache.
  void Prepare(const QString& out, bool flush);
  // After a timed pass: the output deleted before its blocks are written back, so that no
  // later pass shares the machine with that writing.
  static void Discard(const QString& out);

  // One export of the marked range into out, every frame a key frame for the AVI; false
  // with a reason in Error() when it did not end as Done (or, for MJP, the copy's length
  // differs).
  bool SaveAvi(const QString& codec, const QString& out);
  bool SaveMjp(const QString& out);

  // Frames the last SaveAvi wrote, as its report counts them.
  std::int64_t FramesWritten() const { return written_; }
  const std::string& Error() const { return error_; }

 private:
  bool Finish(const ExportReport& report);

  Viewer& v_;
  QString path_;
  std::int64_t written_ = 0;
  std::string error_;
};

}  // namespace vbench
