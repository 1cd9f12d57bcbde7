#include "TurboJpegLoop.h"

#include <cstdio>
#include <cstdlib>

#include <turbojpeg.h>

#include "BenchFiles.h"
#include "MarkerPass.h"

namespace vbench {

TurboJpegLoop::TurboJpegLoop(const std::string& path) : bytes_(LoadWhole(path)), handle_(tjInitDecompress()) {
  MarkerPass(bytes_.data(), bytes_.size(), [this](std::int64_t start, std::int64_t end) {
    frames_.push_back({static_cast<std::size_t>(start), static_cast<std::size_t>(end - start + 1)});
  });
  int subsampling = 0, colourspace = 0;
  if (frames_.empty() || !handle_ ||
      tjDecompressHeader3(handle_, bytes_.data() + frames_[0].offset, frames_[0].size, &width_, &height_, &subsampling,
                          &colourspace) != 0) {
    std::fprintf(stderr, "bench: %s holds no readable frame\n", path.c_str());
    std::exit(2);
  }
  pitch_ = (width_ * 3 + 3) & ~3;
  pixels_.resize(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_));
}

TurboJpegLoop::~TurboJpegLoop() {
  if (handle_) tjDestroy(handle_);
}

std::int64_t TurboJpegLoop::Run() {
  std::int64_t decoded = 0;
  for (const Frame& f : frames_) {
    const int rc = tjDecompress2(handle_, bytes_.data() + f.offset, static_cast<unsigned long>(f.size), pixels_.data(),
                                 width_, pitch_, height_, TJPF_BGR, TJFLAG_BOTTOMUP);
    if (rc == 0) ++decoded;
  }
  return decoded;
}

}  // namespace vbench
