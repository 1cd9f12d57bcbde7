#pragma once
// The viewer started without a window, on one recording: opened as the open command
// opens it, stepped forward as the step button steps. What the commands print and
// export comes from the viewer, never from a second scanner, decoder or panel.

#include <functional>

#include "viewer/FrameWalk.h"

class ProgressBar;

class BatchViewer {
 public:
  // decode false: frames are found and their information shown, but not decoded.
  BatchViewer(std::int16_t powerOnMinutes, bool decode);

  Viewer v;

  // Opens the recording read-only and shows its first frame; a failure naming why not.
  void Open(const QString& path);
  const QString& path() const { return path_; }

  // Visits, once, the frames that stepping forward from the opening visits, a frame that
  // cannot be decoded included: visit(n, decoded) for the n-th (from 0) answers whether
  // to go on. Answers the number of frames visited; a read error is a failure.
  int Walk(const std::function<bool(int n, bool decoded)>& visit, ProgressBar* progress = nullptr);

  // Every frame's record, walked from the opening.
  std::vector<FrameRecord> Records();

  // Makes frame n of the walk the current frame; a usage error when there are fewer.
  void GoToFrame(int n);
  // Marks from the first byte of frame a to the last byte of frame b (a < b), as marking
  // frame a, then frame b, marks.
  void MarkFrames(int a, int b);
  // Makes the first frame of the marked range the current frame, decoded: the frame
  // whose size and format an AVI conversion takes. Decoding stays on after it.
  void ShowFirstFrameOfRange();

  FilePos FrameStartPos() const { return v.scanner().FrameStartPos(); }
  FilePos FrameEndPos() const { return v.scanner().FrameEndPos(); }

 private:
  [[noreturn]] void ReadError() const;
  [[noreturn]] void PastTheLast(int visited, int n) const;

  QString path_;
  SearchResult first_ = SearchResult::NoFrame;  // how the opening's search ended
};

// Why a recording could not be opened (errno), in the words the tool's lines use.
QString OpenFailureText(int err);
