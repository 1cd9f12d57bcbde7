#include "check/DecodeFrames.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "dib/cDIBSection.h"

namespace {

// Frames taken at a time by a thread: few enough to share the work out evenly at the end.
constexpr std::size_t kBatch = 8;

class Worker {
 public:
  Worker(const RecordingFile& file, const std::vector<FrameExtent>& frames, std::vector<JpegDecoding>& results)
      : file_(file), frames_(frames), results_(results) {}

  void Run(std::atomic<std::size_t>& next) {
    for (;;) {
      const std::size_t from = next.fetch_add(kBatch);
      if (from >= frames_.size()) return;
      const std::size_t to = std::min(from + kBatch, frames_.size());
      for (std::size_t k = from; k < to; ++k) results_[k] = Decode(frames_[k]);
    }
  }

 private:
  JpegDecoding Decode(const FrameExtent& f) {
    bytes_.resize(static_cast<std::size_t>(f.size));
    std::int64_t done = 0;
    while (done < f.size) {
      const std::int64_t got = file_.readAt(f.offset + done, bytes_.data() + done, bytes_.size() - done);
      if (got <= 0) return {false, false, QStringLiteral("read error at position %1").arg(f.offset + done + 1)};
      done += got;
    }
    return DecodeJpegQuietly(dib_, bytes_.data(), static_cast<std::int32_t>(f.size));
  }

  const RecordingFile& file_;
  const std::vector<FrameExtent>& frames_;
  std::vector<JpegDecoding>& results_;  // each worker writes only the slots it took
  std::vector<std::uint8_t> bytes_;
  cDIBSection dib_;
};

}  // namespace

std::vector<JpegDecoding> DecodeFrames(const RecordingFile& file, const std::vector<FrameExtent>& frames, int jobs) {
  std::vector<JpegDecoding> results(frames.size());
  std::atomic<std::size_t> next{0};
  const std::size_t threads = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), 1,
                                                      std::max<std::size_t>(1, (frames.size() + kBatch - 1) / kBatch));
  std::vector<std::thread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back([&] { Worker(file, frames, results).Run(next); });
  Worker(file, frames, results).Run(next);
  for (std::thread& h : helpers) h.join();
  return results;
}
