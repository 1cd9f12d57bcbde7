#include "ForwardWalk.h"

#include <cstdio>
#include <cstdlib>

#include "dib/cDIBSection.h"
#include "recording/JpegModule.h"

namespace vbench {

ForwardWalk::ForwardWalk(const std::string& path, bool decode)
    : scanner_(state_, file_, [this] { return Show(); }), decode_(decode) {
  QString error;
  if (!file_.open(QString::fromStdString(path), &error)) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(error));
    std::exit(2);
  }
  state_.FileLength = file_.length();
  state_.AllocateWindow();
  state_.FrameDib = std::make_unique<cDIBSection>();
}

bool ForwardWalk::Show() {
  if (!decode_) return true;
  const std::uint8_t* frame = state_.WindowBuffer + state_.FrameStart;
  const auto size = static_cast<std::int32_t>(state_.FrameEnd - state_.FrameStart + 1);
  if (LoadJpegFromMemory(*state_.FrameDib, frame, size)) return true;
  decodeFailed_ = true;
  return false;
}

std::int64_t ForwardWalk::Run() {
  state_.WindowPos = 1;
  state_.FrameStart = -1;
  state_.FrameEnd = -1;
  // Every walk reads the file again rather than keeping the window of the last one.
  scanner_.Invalidate();
  if (!scanner_.ReadWindow()) return 0;
  std::int64_t frames = 0;
  for (bool shown = scanner_.FindJpegF(0); shown; shown = scanner_.FindJpegF(state_.FrameEnd)) ++frames;
  return frames;
}

}  // namespace vbench
