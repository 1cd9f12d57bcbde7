#pragma once
// The viewer's forward walk through a recording, with the real ViewerState, RecordingFile
// and Scanner: the window at position 1, then FindJpegF until it answers false. With
// decoding on, every frame found goes through LoadJpegFromMemory into one cDIBSection
// (no painting); without it the show step does nothing.

#include <cstdint>
#include <string>

#include "recording/RecordingFile.h"
#include "recording/Scanner.h"
#include "shell/ViewerState.h"

namespace vbench {

class ForwardWalk {
 public:
  // Opens the recording and allocates the window (start-up work, outside any timing);
  // exits the process when the file cannot be opened.
  ForwardWalk(const std::string& path, bool decode);

  // One walk from the first byte to the end; answers the frames shown.
  std::int64_t Run();

  std::int64_t FileLength() const { return state_.FileLength; }
  // Set when a decode failed, which ends a walk early.
  bool DecodeFailed() const { return decodeFailed_; }

 private:
  bool Show();

  ViewerState state_;
  RecordingFile file_;
  Scanner scanner_;
  bool decode_;
  bool decodeFailed_ = false;
};

}  // namespace vbench
