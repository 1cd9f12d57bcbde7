#pragma once
// The viewer's own exports driven as a user drives them: the mark command on two frames
// reached by stepping, the save dialog answered with a path, the compressor dialog with a
// codec. It works on a core alone (no canvas: nothing painted) as on the window's core
// (every frame painted, the window's events run between frames).

#include <cstdint>
#include <string>

#include <QString>

#include "BenchModal.h"
#include "shell/Viewer.h"

namespace vbench {

class ViewerExport {
 public:
  // v has its recording open; modal is the Modal in force.
  ViewerExport(Viewer& v, BenchModal& modal);

  // Opens path in a core without a window as the open command does, its first frame
  // shown; exits the process when the file cannot be opened.
  static void Open(Viewer& v, const QString& path);

  // Stops playback, steps from the first frame and marks frame 0 and frame frames-1 with
  // the mark command; exits the process when there are fewer frames or one cannot be shown.
  void MarkFirstFrames(int frames);
  // Marks the file from its first byte to its last, as a range given by position is marked.
  void MarkWholeFile();
  std::int64_t MarkedBytes() const { return v_.module.MarkEnd - v_.module.MarkStart + 1; }

  // Before a timed pass: the previous output deleted (with flush, its blocks written back
  // or dropped first), then the recording read into the page cache.
  void Prepare(const QString& out, bool flush);
  // After a timed pass: the output deleted before its blocks are written back, so that no
  // later pass shares the machine with that writing.
  static void Discard(const QString& out);

  // One export of the marked range into out; false with a reason in Error() when it did
  // not end as Done or the viewer showed a message (or, for MJP, the copy's length differs).
  bool SaveAvi(const QString& codec, const QString& out);
  bool SaveMjp(const QString& out);

  // Frames the last SaveAvi wrote: the conversion lets events run once before each frame
  // it looks for, and a range that ends at a frame's last byte ends before looking further.
  std::int64_t FramesWritten() const { return eventPoints_; }
  const std::string& Error() const { return error_; }

 private:
  bool Finish(ExportResult result);

  Viewer& v_;
  BenchModal& modal_;
  std::int64_t eventPoints_ = 0;
  std::string error_;
};

}  // namespace vbench
