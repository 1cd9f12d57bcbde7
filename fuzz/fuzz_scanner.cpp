// The real Scanner walking a whole recording through the real window logic: forward from
// the first window as opening does, then backward from the last window as the to-end
// command does. Every frame handed to the display step must lie inside the window, begin
// with FF D8 and end with FF D9, be a start marker followed by the nearest end marker in
// the file itself, and come strictly after (forward) or before (backward) the previous
// one; the window must hold exactly the file's bytes at its position (zeros past the end);
// each walk must end with "no frame". In a file that fits one window both walks must
// find the same frames.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <QString>

#include "MemoryRecording.h"
#include "ScannerLayout.h"
#include "recording/RecordingFile.h"
#include "recording/Scanner.h"
#include "shell/ViewerState.h"

namespace {

using Frame = std::pair<FilePos, FilePos>;  // file positions of the start marker's FF and the end marker's D9

// A walk longer than this stops early (not a failure): a file of 4-byte frames would
// otherwise take seconds per input.
constexpr int kMaxFramesPerWalk = 20'000;

class Walker {
 public:
  Walker() { st_.AllocateWindow(); }

  void Run(const std::vector<std::uint8_t>& image) {
    image_ = &image;
    recording_.Assign(image);
    if (!file_.open(QString::fromStdString(recording_.Path()))) fail("the recording did not open");
    scanner_.Invalidate();
    st_.FileLength = file_.length();
    if (st_.FileLength != static_cast<FilePos>(image.size())) fail("FileLength differs from the file");

    const std::vector<Frame> forward = WalkForward();
    const bool forwardWhole = !cut_;
    std::vector<Frame> backward = WalkBackward();
    const bool backwardWhole = !cut_;
    file_.close();

    if (forwardWhole && backwardWhole && st_.FileLength < kWindowSize) {
      std::reverse(backward.begin(), backward.end());
      if (forward != backward) fail("forward and backward walks found different frames in a one-window file");
    }
  }

 private:
  enum class Direction { Forward, Backward };

  // As opening a recording does: the first window, its first frame, then each next one.
  std::vector<Frame> WalkForward() {
    Begin(Direction::Forward, 1);
    SearchResult r = scanner_.SearchForward(0);
    while (r == SearchResult::Shown) r = scanner_.SearchForward(st_.FrameEnd);
    End(r);
    return std::move(shown_);
  }

  // As the to-end command does: the last window searched from its last index, then back.
  std::vector<Frame> WalkBackward() {
    Begin(Direction::Backward, std::max<FilePos>(st_.FileLength - 999'998, 1));
    SearchResult r = scanner_.SearchBackward(kWindowLast);
    while (r == SearchResult::Shown) r = scanner_.SearchBackward(st_.FrameStart);
    End(r);
    return std::move(shown_);
  }

  void Begin(Direction d, FilePos windowPos) {
    direction_ = d;
    shown_.clear();
    cut_ = false;
    checkedWindowPos_ = 0;
    st_.FrameStart = st_.FrameEnd = -1;
    st_.WindowPos = windowPos;
    if (!scanner_.ReadWindow()) fail("the first window read failed");
  }

  void End(SearchResult r) {
    if (cut_) return;
    if (r != SearchResult::NoFrame) fail("a walk ended other than by running out of recording");
  }

  // The display step: checks the frame, never decodes it.
  bool Show() {
    const WindowIndex s = st_.FrameStart, e = st_.FrameEnd;
    if (st_.WindowPos < 1) fail("WindowPos below 1");
    if (!(0 <= s && s < e && e <= kWindowLast)) fail("frame outside the window");
    const std::uint8_t* w = st_.WindowBuffer;
    if (w[s] != 0xFF || w[s + 1] != 0xD8) fail("no FF D8 at FrameStart");
    if (w[e - 1] != 0xFF || w[e] != 0xD9) fail("no FF D9 at FrameEnd");
    // The whole window once per position it takes (a move must keep or read every byte
    // right), the frame's bytes every time.
    if (st_.WindowPos != checkedWindowPos_) {
      ExpectWindowHoldsFile(0, kWindowLast);
      checkedWindowPos_ = st_.WindowPos;
    } else {
      ExpectWindowHoldsFile(s, e);
    }
    const Frame f{st_.WindowPos + s, st_.WindowPos + e};
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

  // Window indices [from, to] hold the file's bytes, or zeros past its end.
  void ExpectWindowHoldsFile(WindowIndex from, WindowIndex to) const {
    const auto& file = *image_;
    const auto fileSize = static_cast<std::int64_t>(file.size());
    const std::int64_t first = st_.WindowPos - 1 + from;  // 0-based file offset of index `from`
    const std::int64_t count = to - from + 1;
    const std::int64_t inFile = std::clamp<std::int64_t>(fileSize - first, 0, count);
    const std::uint8_t* w = st_.WindowBuffer + from;
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
    std::fprintf(stderr, "fuzz_scanner: %s (%s walk, FileLength %lld, WindowPos %lld, FrameStart %lld, FrameEnd %lld)\n",
                 why, direction_ == Direction::Forward ? "forward" : "backward",
                 static_cast<long long>(st_.FileLength), static_cast<long long>(st_.WindowPos),
                 static_cast<long long>(st_.FrameStart), static_cast<long long>(st_.FrameEnd));
    std::abort();
  }

  ViewerState st_;
  RecordingFile file_;
  Scanner scanner_{st_, file_, [this] { return Show(); }};
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
