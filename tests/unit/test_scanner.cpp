// The scanner on crafted recordings: marker corner cases, window moves at the
// 500,000 / 1,000,000 edges, and a differential walk against a whole-file scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "recording/MarkerSearch.h"
#include "recording/Scanner.h"
#include "support/TempRecording.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Span = std::pair<FilePos, FilePos>;
using At = std::pair<WindowIndex, WindowIndex>;  // FrameStart, FrameEnd

// A frame from the FF D8 at 1-based file position startPos to the D9 at endPos.
void frame(Bytes& b, std::int64_t startPos, std::int64_t endPos) {
  b[startPos - 1] = 0xFF, b[startPos] = 0xD8;
  b[endPos - 2] = 0xFF, b[endPos - 1] = 0xD9;
}

// A scanner over a file, with a frame display that counts what it was handed.
struct Rig {
  explicit Rig(const Bytes& bytes) : file(bytes) {
    EXPECT_TRUE(recording.open(file.path()));
    st.AllocateWindow();
    st.FileLength = recording.length();
  }
  bool open(FilePos pos = 1) { st.WindowPos = pos; return scanner.ReadWindow(); }
  At at() const { return {st.FrameStart, st.FrameEnd}; }
  // What a search answers, and the frame it leaves current (window indexes).
  std::pair<SearchResult, At> F(WindowIndex from) { return answer(scanner.SearchForward(from)); }
  std::pair<SearchResult, At> R(WindowIndex from) { return answer(scanner.SearchBackward(from)); }
  std::pair<SearchResult, At> answer(SearchResult result) const { return {result, at()}; }
  Span found() const { return {st.WindowPos + st.FrameStart, st.WindowPos + st.FrameEnd}; }  // file positions
  // The window holds the found frame's bytes as the file has them.
  bool holds(const Bytes& b) const {
    return std::equal(st.WindowBuffer + st.FrameStart, st.WindowBuffer + st.FrameEnd + 1, &b[found().first - 1]);
  }

  TempRecording file;
  RecordingFile recording;
  ViewerState st;
  int shown = 0;
  bool decodes = true;
  Scanner scanner{st, recording, [this] { ++shown; return decodes; }};
};

// At either end a step finds nothing and the frame stays. A frame that cannot be decoded
// is still the current frame, and the next step goes past it.
TEST(Scanner, StepsStopAtBothEndsAndPassUndecodableFrames) {
  Bytes b(20'000, 'A');
  frame(b, 33, 5'002);  // FF D8 at index 32, D9 at index 5,001
  frame(b, 5'035, 9'001);
  Rig r(b);
  ASSERT_TRUE(r.open());
  const At first(32, 5'001), second(5'034, 9'000);
  using enum SearchResult;
  EXPECT_EQ(r.F(0), std::pair(Shown, first));
  EXPECT_EQ(r.R(r.st.FrameStart), std::pair(NoFrame, first));
  EXPECT_EQ(r.F(r.st.FrameEnd), std::pair(Shown, second));
  EXPECT_EQ(r.F(r.st.FrameEnd), std::pair(NoFrame, second));
  r.decodes = false;
  EXPECT_EQ(r.R(r.st.FrameStart), std::pair(NotShown, first));
  EXPECT_EQ(r.F(r.st.FrameEnd), std::pair(NotShown, second));
}

TEST(Scanner, MarkerCornerCases) {
  struct Case { const char* name; Bytes bytes; At frame; };  // the frame both searches find
  for (const Case& c : {Case{"FF FF D8: one start, at the second FF", {0xFF, 0xFF, 0xD8, 1, 2, 0xFF, 0xD9, 0}, {1, 6}},
                        {"the last of two starts counts", {0xFF, 0xD8, 7, 0xFF, 0xD8, 9, 0xFF, 0xD9, 0}, {3, 7}},
                        {"an end before any start is skipped", {0xFF, 0xD9, 0xFF, 0xD8, 5, 0xFF, 0xD9, 0}, {2, 6}},
                        {"a frame at the very first byte", {0xFF, 0xD8, 0xFF, 0xD9, 0}, {0, 3}},
                        {"FF D8 D9 is a start only", {0xFF, 0xD8, 0xD9, 0xFF, 0xD9, 0}, {0, 4}}}) {
    SCOPED_TRACE(c.name);
    Rig r(c.bytes);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.F(0), std::pair(SearchResult::Shown, c.frame));
    EXPECT_EQ(r.R(kWindowLast), std::pair(SearchResult::Shown, c.frame));
  }
}

// One search on a file of zeros holding the given frames: where the window comes to
// rest and which frame it finds, in file positions.
TEST(Scanner, SearchesMoveTheWindowAtItsEdges) {
  struct Case { const char* name; std::int64_t size; std::vector<Span> frames;
                FilePos openAt; WindowIndex from; bool forward; FilePos window; Span found; };
  for (const Case& c :
       {Case{"a frame begun in the second half is carried into the next window", 1'600'000, {{900'001, 1'100'000}},
             1, 0, true, 500'001, {900'001, 1'100'000}},
        {"from the last index the window moves before it looks", 2'000'000, {{10, 20}, {1'200'001, 1'300'000}}, 1,
         kWindowLast, true, 500'001, {1'200'001, 1'300'000}},
        {"a backward move from 400,001 lands at 1", 1'500'000, {{100'001, 399'000}}, 400'001, 0, false, 1,
         {100'001, 399'000}},
        {"a negative From scans from the window's start", 50'000, {{101, 200}}, 1, -1, true, 1, {101, 200}},
        {"however negative", 50'000, {{101, 200}}, 1, -123'456'789, true, 1, {101, 200}}}) {
    SCOPED_TRACE(c.name);
    Bytes b(static_cast<std::size_t>(c.size), 0);
    for (const auto& [s, e] : c.frames) frame(b, s, e);
    Rig r(b);
    ASSERT_TRUE(r.open(c.openAt));
    ASSERT_TRUE(c.forward ? r.scanner.FindJpegF(c.from) : r.scanner.FindJpegR(c.from));
    EXPECT_EQ(r.st.WindowPos, c.window);
    EXPECT_EQ(r.found(), c.found);
  }
}

// Forward walks to the end: a move is half a window until the last one, which a move that
// would overshoot puts at FileLength - 500,000; a read that fills the buffer exactly is not
// yet the end. The last frame (or "none", file position 0) keeps its file position through
// the moves, and at the end a further search answers at once, in place.
TEST(Scanner, ForwardWalksToTheEnd) {
  struct Case { const char* name; Bytes bytes; std::vector<FilePos> windows; };  // the window after each search
  Bytes halves(3'300'000, 0), one(1'000'000, 0);
  for (FilePos at = 1'001; at + 200 < 3'300'000; at += 300'000) frame(halves, at, at + 100);
  frame(one, 800'001, 800'100);
  for (const Case& c : {Case{"every 300,000 bytes", halves, {1, 500'001, 1'000'001, 1'500'001, 2'000'001, 2'500'001}},
                        {"a file of exactly one window", one, {1, 500'000}},
                        {"no frame at all", Bytes(2'345'678, 0x11), {1'500'001}}}) {
    SCOPED_TRACE(c.name);
    Rig r(c.bytes);
    ASSERT_TRUE(r.open());
    std::vector<FilePos> windows;
    int found = 0;
    FilePos last = 0;
    for (bool ok = true; ok;) {
      ok = r.scanner.FindJpegF(r.st.FrameEnd);
      if (ok) ++found, last = r.found().first;
      if (windows.empty() || windows.back() != r.st.WindowPos) windows.push_back(r.st.WindowPos);
    }
    EXPECT_EQ(windows, c.windows);
    EXPECT_TRUE(r.st.WindowAtEnd);
    EXPECT_EQ(std::pair(r.shown, r.found().first), std::pair(found, last));
    EXPECT_EQ(r.F(r.st.FrameEnd).first, SearchResult::NoFrame);
    EXPECT_EQ(r.st.WindowPos, c.windows.back());
  }
}

// The frames a walk from one end meets, each search starting where the last frame
// ended: forward, the last start before the first end that follows one; backward,
// the mirror image. Spans are the 1-based positions of a frame's FF D8 and its D9.
std::vector<Span> referenceWalk(const Bytes& b, bool forward) {
  std::vector<Span> out;
  FilePos open = -1;  // the FF of the marker that opens a frame in this direction
  const auto pairs = static_cast<std::int64_t>(b.size()) - 1;  // where an FF xx pair may begin
  for (std::int64_t k = 0; k < pairs; ++k) {
    const std::int64_t i = forward ? k : pairs - 1 - k;
    if (b[i] != 0xFF || (b[i + 1] != 0xD8 && b[i + 1] != 0xD9)) continue;
    if ((b[i + 1] == 0xD8) == forward) {
      open = i + 1;
    } else if (open != -1) {
      out.push_back(forward ? Span(open, i + 2) : Span(i + 1, open + 1));
      open = -1;
    }
  }
  return out;
}

// Random bytes with 40 real-looking frames of 10-60 kB sprinkled among them.
Bytes randomRecording(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes b(size);
  for (auto& v : b) v = static_cast<std::uint8_t>(byte(rng));
  std::uniform_int_distribution<std::size_t> where(0, size - 70'000), len(10'000, 60'000);
  for (int k = 0; k < 40; ++k) {
    const std::size_t at = where(rng), end = at + len(rng);
    b[at] = 0xFF, b[at + 1] = 0xD8, b[end] = 0xFF, b[end + 1] = 0xD9;
  }
  return b;
}

TEST(Scanner, WalksMatchAWholeFileScan) {
  for (const auto& [size, seed] : std::vector<std::pair<std::size_t, unsigned>>{
           {700'000, 1}, {1'600'000, 2}, {3'250'001, 3}, {4'000'000, 4}}) {
    SCOPED_TRACE(size);
    const Bytes b = randomRecording(size, seed);
    Rig r(b);
    std::vector<Span> forward, backward;
    ASSERT_TRUE(r.open());
    // A frame whose bytes the window does not hold as the file does shows as (0, 0).
    for (bool ok = r.scanner.FindJpegF(0); ok; ok = r.scanner.FindJpegF(r.st.FrameEnd))
      forward.push_back(r.holds(b) ? r.found() : Span());
    EXPECT_EQ(forward, referenceWalk(b, true));
    // To the end: the window at FileLength - 999,998, then backward from its last index.
    ASSERT_TRUE(r.open(std::max<FilePos>(r.st.FileLength - 999'998, 1)));
    for (bool ok = r.scanner.FindJpegR(kWindowLast); ok; ok = r.scanner.FindJpegR(r.st.FrameStart))
      backward.push_back(r.holds(b) ? r.found() : Span());
    EXPECT_EQ(backward, referenceWalk(b, false));
  }
}

TEST(Scanner, WindowHoldsTheFileAfterAnyMoveSequence) {
  const Bytes b = randomRecording(5'000'000, 9);
  Rig r(b);
  std::mt19937 rng(5);
  std::uniform_int_distribution<FilePos> pos(1, 5'200'000), step(-600'000, 600'000);
  FilePos at = 1;
  for (int k = 0; k < 200; ++k) {
    at = k % 3 == 0 ? pos(rng) : std::clamp<FilePos>(at + step(rng), 1, 5'200'000);
    ASSERT_TRUE(r.open(at));
    const std::int64_t inFile = std::clamp<std::int64_t>(5'000'000 - (at - 1), 0, kWindowSize);
    ASSERT_EQ(r.st.WindowAtEnd, inFile < kWindowSize) << at;
    const auto from = b.begin() + std::min<FilePos>(at - 1, 5'000'000);
    ASSERT_TRUE(std::equal(from, from + inFile, r.st.WindowBuffer)) << at;
    for (std::int64_t i = inFile; i < kWindowSize; i += 4'999) ASSERT_EQ(r.st.WindowBuffer[i], 0) << at;
  }
}

// The vector search against a plain loop, on bytes dense with FF, D8 and D9 and at
// every alignment and edge.
TEST(MarkerSearch, AgreesWithAPlainLoop) {
  std::mt19937 rng(11);
  const std::uint8_t alphabet[] = {0xFF, 0xD8, 0xD9, 0xDA, 0xD0, 0x00, 0x7F, 0xFE};
  std::uniform_int_distribution<int> pick(0, 7);
  std::vector<std::uint8_t> buf(300);
  const auto isPair = [&](std::int64_t j) { return buf[j] == 0xFF && (buf[j + 1] == 0xD8 || buf[j + 1] == 0xD9); };
  for (int round = 0; round < 400; ++round) {
    for (auto& b : buf) b = alphabet[pick(rng)];
    std::uniform_int_distribution<std::int64_t> at(0, 299);  // a pair at to - 1 reads buf[to]
    std::int64_t from = at(rng), to = at(rng);
    if (from > to) std::swap(from, to);
    std::int64_t next = from, prev = to - 1;
    while (next < to && !isPair(next)) ++next;
    while (prev >= 0 && !isPair(prev)) --prev;
    ASSERT_EQ(NextMarkerPair(buf.data(), from, to), next) << from << " " << to;
    ASSERT_EQ(PrevMarkerPair(buf.data(), to), prev) << to;
  }
}

}  // namespace
