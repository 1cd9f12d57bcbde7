#include "ForwardWalk.h"

#include <cstdio>
#include <cstdlib>

namespace vbench {

ForwardWalk::ForwardWalk(const std::string& path, bool decode) : decode_(decode) {
  QString error;
  if (!file_.open(QString::fromStdString(path), &error)) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(error));
    std::exit(2);
  }
  scanner_.AllocateWindow();
  display_.MakeDib();
}

std::int64_t ForwardWalk::Run() {
  // Every walk reads the file again rather than keeping the window of the last one.
  scanner_.Invalidate();
  if (!scanner_.SeekTo(1)) return 0;
  std::int64_t frames = 0;
  while (scanner_.FindForward(scanner_.FrameEnd()) == ScanResult::Found) {
    if (decode_ && !display_.Decode(*scanner_.CurrentFrame())) {
      decodeFailed_ = true;
      break;
    }
    ++frames;
  }
  return frames;
}

}  // namespace vbench
