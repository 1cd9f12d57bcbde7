#pragma once
// Finds frames (FF D8 … FF D9) in the recording through the 1,000,000-byte window,
// moving the window by half its size when a search runs off either end.
// It never reads outside WindowBuffer and never writes to the recording.

#include <functional>
#include <optional>

#include "recording/RecordingFile.h"
#include "shell/ViewerState.h"

// Why a search ended: the Boolean searches answer true only for Shown.
enum class SearchResult {
  Shown,       // found, and the frame display reported it shown
  NotShown,    // found, but it could not be decoded; FrameStart/FrameEnd point at it
  NoFrame,     // ran out of recording at either end
  ReadFailed,  // a window read failed
};

class Scanner {
 public:
  // showJpeg is called with FrameStart/FrameEnd set on the frame found.
  Scanner(ViewerState& state, const RecordingFile& file, std::function<bool()> showJpeg);

  // Reads the window at WindowPos (WindowAtEnd tells whether the file ended inside it).
  bool ReadWindow();
  bool FindJpegF(WindowIndex From) { return SearchForward(From) == SearchResult::Shown; }
  bool FindJpegR(WindowIndex From) { return SearchBackward(From) == SearchResult::Shown; }

  SearchResult SearchForward(WindowIndex From);
  SearchResult SearchBackward(WindowIndex From);

  // Forgets what the window holds, so that the next read takes everything from the file.
  void Invalidate() { loadedGeneration_ = 0; }

 private:
  // Nothing when the window moved and the search goes on; otherwise why it ends.
  std::optional<SearchResult> MoveForward(WindowIndex& i, WindowIndex& s);
  std::optional<SearchResult> MoveBackward(WindowIndex p, WindowIndex& i, WindowIndex& e);
  SearchResult Found();
  void SlideArena(FilePos newPos);

  ViewerState& st_;
  const RecordingFile& file_;
  std::function<bool()> showJpeg_;

  // What the window holds from the last read, so a move can keep the shared bytes.
  std::uint64_t loadedGeneration_ = 0;
  FilePos loadedPos_ = 0;
  bool loadedFull_ = false;
};
