#pragma once
// The peer of the frame step: a bare TurboJPEG loop over frames already in memory,
// one handle reused, decoding into one preallocated buffer as the viewer's surface
// is laid out (BGR, bottom-up, rows padded to 4 bytes).

#include <cstdint>
#include <string>
#include <vector>

namespace vbench {

class TurboJpegLoop {
 public:
  // Loads the recording and finds its frames (outside any timing); exits the process
  // when it holds none or the first one has no readable header.
  explicit TurboJpegLoop(const std::string& path);
  ~TurboJpegLoop();
  TurboJpegLoop(const TurboJpegLoop&) = delete;
  TurboJpegLoop& operator=(const TurboJpegLoop&) = delete;

  // Decodes every frame once; answers the frames decoded without error.
  std::int64_t Run();
  std::int64_t FrameCount() const { return static_cast<std::int64_t>(frames_.size()); }

 private:
  struct Frame {
    std::size_t offset;  // of the FF of FF D8 in bytes_
    std::size_t size;    // through the D9 of FF D9
  };

  std::vector<std::uint8_t> bytes_;
  std::vector<Frame> frames_;
  std::vector<std::uint8_t> pixels_;
  void* handle_ = nullptr;
  int width_ = 0, height_ = 0, pitch_ = 0;
};

}  // namespace vbench
