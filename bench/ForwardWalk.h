#pragma once
// The viewer's forward walk through a recording, with the real RecordingFile and Scanner
// and no viewer around them: the window at position 1, then FindForward from each frame's
// end until it runs out. With decoding on, every frame found goes through the viewer's
// FrameDisplay into its one cDIBSection (no canvas: nothing painted); without it a found
// frame is only counted.

#include <cstdint>
#include <string>

#include "recording/RecordingFile.h"
#include "recording/Scanner.h"
#include "viewer/FrameDisplay.h"

namespace vbench {

class ForwardWalk {
 public:
  // Opens the recording and allocates the window (start-up work, outside any timing);
  // exits the process when the file cannot be opened.
  ForwardWalk(const std::string& path, bool decode);

  // One walk from the first byte to the end; answers the frames shown.
  std::int64_t Run();

  std::int64_t FileLength() const { return file_.length(); }
  // Set when a decode failed, which ends a walk early.
  bool DecodeFailed() const { return decodeFailed_; }

 private:
  RecordingFile file_;
  Scanner scanner_{file_};
  FrameDisplay display_;
  bool decode_;
  bool decodeFailed_ = false;
};

}  // namespace vbench
