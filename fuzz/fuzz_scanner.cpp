// The real Scanner, on its own, walking a whole recording through the real window logic:
// forward from the first window as opening does, then backward from the last window as
// the to-end command does. Every frame found must lie inside the window, begin with
// FF D8 and end with FF D9, be what CurrentFrame hands out (with the 32 bytes before it
// as its block exactly when they lie after the window's first byte), be a start marker
// followed by the nearest end marker in the file itself, and come strictly after (forward) or before (backward) the previous
// one; the window must hold exactly the file's bytes at its position (zeros past the end);
// each walk must end with "no frame". In a file that fits one window both walks must
// find the same frames.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <QString>

#include "MemoryRecording.h"
#include "ScannerLayout.h"
#include "recording/RecordingFile.h"
#include "recording/Scanner.h"

namespace {

using Frame = std::pair<FilePos, FilePos>;  // file positions of the start marker's FF and the end marker's D9

// A walk longer than this stops early (not a failure): a file of 4-byte frames would
// otherwise take seconds per input.
constexpr int kMaxFramesPerWalk = 20'000;

class Walker {
 public:
  Walker() { scanner_.AllocateWindow(); }

  void Run(const std::vector<std::uint8_t>& image) {
    image_ = &image;
    recording_.Assign(image);
    if (!file_.open(QString::fromStdString(recording_.Path()))) fail("the recording did not open");
    scanner_.Invalidate();
    if (file_.length() != static_cast<FilePos>(image.size())) fail("the length differs from the file's");

    const std::vector<Frame> forward = WalkForward();
    const bool forwardWhole = !cut_;
    std::vector<Frame> backward = WalkBackward();
    const bool backwardWhole = !cut_;
    const bool oneWindow = file_.length() < kWindowSize;  // before closing, which forgets the length
    file_.close();

    if (forwardWhole && backwardWhole && oneWindow) {
      std::reverse(backward.begin(), backward.end());
      if (forward != backward) fail("forward and backward walks found different frames in a one-window file");
    }
  }

 private:
  enum class Direction { Forward, Backward };

  // As opening a recording does: the first window, its first frame, then each next one.
  std::vector<Frame> WalkForward() {
    Begin(Direction::Forward, 1);
    ScanResult r = scanner_.FindForward(0);
    while (r == ScanResult::Found && Check()) r = scanner_.FindForward(scanner_.FrameEnd());
    End(r);
    return std::move(shown_);
  }

  // As the to-end command does: the last window searched from its last index, then back.
  std::vector<Frame> WalkBackward() {
    Begin(Direction::Backward, std::max<FilePos>(file_.length() - 999'998, 1));
    ScanResult r = scanner_.FindBackward(kWindowLast);
    while (r == ScanResult::Found && Check()) r = scanner_.FindBackward(scanner_.FrameStart());
    End(r);
    return std::move(shown_);
  }

  void Begin(Direction d, FilePos windowPos) {
    direction_ = d;
    shown_.clear();
    cut_ = false;
    checkedWindowPos_ = 0;
    if (!scanner_.SeekTo(windowPos)) fail("the first window read failed");
    if (scanner_.FrameStart() != kNoFrame || scanner_.FrameEnd() != kNoFrame || scanner_.CurrentFrame())
      fail("a frame before any search");
  }

  void End(ScanResult r) {
    if (cut_) return;
    if (r != ScanResult::NoFrame) fail("a walk ended other than by running out of recording");
  }

  // Checks the frame just found; false when the walk is long enough.
  bool Check() {
    const WindowIndex s = scanner_.FrameStart(), e = scanner_.FrameEnd();
    const FilePos pos = scanner_.WindowPos();
    if (pos < 1) fail("WindowPos below 1");
    if (!(0 <= s && s < e && e <= kWindowLast)) fail("frame outside the window");
    const std::uint8_t* w = scanner_.WindowBuffer();
    if (w[s] != 0xFF || w[s + 1] != 0xD8) fail("no FF D8 at FrameStart");
    if (w[e - 1] != 0xFF || w[e] != 0xD9) fail("no FF D9 at FrameEnd");
    ExpectCurrentFrame(s, e);
    // The whole window once per position it takes (a move must keep or read every byte
    // right), the frame's bytes every time.
    if (pos != checkedWindowPos_) {
      ExpectWindowHoldsFile(0, kWindowLast);
      checkedWindowPos_ = pos;
    } else {
      ExpectWindowHoldsFile(s, e);
    }
    const Frame f{pos + s, pos + e};
    ExpectNearestEndMarker(f);
    if (!shown_.empty()) {
      const FilePos previous = shown_.back().first;
      if (direction_ == Direction::Forward ? f.first <= previous : f.first >= previous)
        fail("a frame that does not move on from the previous one");
    }
    shown_.push_back(f);
    if (shown_.size() >= kMaxFramesPerWalk) {
      cut_ = true;
      return false;  // ends the walk
    }
    return true;
  }

  // CurrentFrame hands out the frame in place, and its block exactly when the 32 bytes
  // before it lie after the window's first byte.
  void ExpectCurrentFrame(WindowIndex s, WindowIndex e) const {
    const std::optional<FrameBytes> f = scanner_.CurrentFrame();
    if (!f) fail("CurrentFrame has no frame");
    const std::uint8_t* w = scanner_.WindowBuffer();
    if (f->start != scanner_.FrameStartPos() || f->end != scanner_.FrameEndPos() ||
        f->start != scanner_.WindowPos() + s)
      fail("CurrentFrame's positions are not the frame's");
    if (f->bytes.data() != w + s || f->bytes.size() != static_cast<std::size_t>(e - s + 1))
      fail("CurrentFrame's bytes are not the frame's");
    if (s > kBlockSize ? (f->block.data() != w + s - kBlockSize || f->block.size() != kBlockSize) : !f->block.empty())
      fail("CurrentFrame's block is not the 32 bytes before the frame");
  }

  // Window indices [from, to] hold the file's bytes, or zeros past its end.
  void ExpectWindowHoldsFile(WindowIndex from, WindowIndex to) const {
    const auto& file = *image_;
    const auto fileSize = static_cast<std::int64_t>(file.size());
    const std::int64_t first = scanner_.WindowPos() - 1 + from;  // 0-based file offset of index `from`
    const std::int64_t count = to - from + 1;
    const std::int64_t inFile = std::clamp<std::int64_t>(fileSize - first, 0, count);
    const std::uint8_t* w = scanner_.WindowBuffer() + from;
    if (inFile > 0 && std::memcmp(w, file.data() + first, static_cast<std::size_t>(inFile)) != 0)
      fail("the window does not hold the file's bytes");
    static const std::vector<std::uint8_t> zeros(kWindowSize, 0);
    if (inFile < count && std::memcmp(w + inFile, zeros.data(), static_cast<std::size_t>(count - inFile)) != 0)
      fail("the window holds non-zero bytes past the end of the file");
  }

  // Between the start marker and the end marker the file holds no other FF D8 or FF D9:
  // a scan pairs each end marker with the nearest start marker before it.
  void ExpectNearestEndMarker(const Frame& f) const {
    const auto& file = *image_;
    const std::int64_t a = f.first - 1, b = f.second - 1;  // 0-based offsets of FF and D9
    const std::uint8_t* p = file.data() + a + 2;
    const std::uint8_t* const last = file.data() + b - 3;  // the last pair that could be one
    while (p <= last) {
      p = static_cast<const std::uint8_t*>(std::memchr(p, 0xFF, static_cast<std::size_t>(last - p + 1)));
      if (!p) break;
      if (p[1] == 0xD8 || p[1] == 0xD9) fail("a marker pair lies between the frame's start and end markers");
      ++p;
    }
  }

  [[noreturn]] void fail(const char* why) const {
    std::fprintf(stderr,
                 "fuzz_scanner: %s (%s walk, FileLength %lld, WindowPos %lld, FrameStart %lld, FrameEnd %lld)\n", why,
                 direction_ == Direction::Forward ? "forward" : "backward", static_cast<long long>(file_.length()),
                 static_cast<long long>(scanner_.WindowPos()), static_cast<long long>(scanner_.FrameStart()),
                 static_cast<long long>(scanner_.FrameEnd()));
    std::abort();
  }

  RecordingFile file_;
  Scanner scanner_{file_};
  MemoryRecording recording_;
  const std::vector<std::uint8_t>* image_ = nullptr;
  Direction direction_ = Direction::Forward;
  std::vector<Frame> shown_;
  bool cut_ = false;
  FilePos checkedWindowPos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Walker walker;
  static std::vector<std::uint8_t> image;  // kept: a fresh 4 MB per input costs more than the walks
  ScannerLayout::Image(data, size, image);
  walker.Run(image);
  return 0;
}
