// The scanner alone on crafted recordings: markers, frame and block, window moves, whole-file walks.

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
using enum ScanResult;

// A frame from the FF D8 at 1-based file position startPos to the D9 at endPos.
void frame(Bytes& b, std::int64_t startPos, std::int64_t endPos) {
  b[startPos - 1] = 0xFF, b[startPos] = 0xD8;
  b[endPos - 2] = 0xFF, b[endPos - 1] = 0xD9;
}

struct Rig {
  explicit Rig(const Bytes& bytes) : file(bytes) {
    EXPECT_TRUE(recording.open(file.path()));
    scanner.AllocateWindow();
  }
  bool open(FilePos pos = 1) { return scanner.SeekTo(pos); }
  // What a search answers, and the frame it leaves current (window indexes).
  std::pair<ScanResult, At> F(WindowIndex from) { return {scanner.FindForward(from), at()}; }
  std::pair<ScanResult, At> R(WindowIndex from) { return {scanner.FindBackward(from), at()}; }
  At at() const { return {scanner.FrameStart(), scanner.FrameEnd()}; }
  Span found() const { return {scanner.FrameStartPos(), scanner.FrameEndPos()}; }
  // The current frame's bytes as the file has them; (0, 0) when they differ.
  Span checked(const Bytes& b) const {
    const auto f = scanner.CurrentFrame();
    return f && std::equal(f->bytes.begin(), f->bytes.end(), &b[f->start - 1]) && f->end == found().second ? found()
                                                                                                           : Span();
  }

  TempRecording file;
  RecordingFile recording;
  Scanner scanner{recording};
};

// Steps stop at both ends; the frame comes with the 32 bytes before it (none at index 32); Clear empties.
TEST(Scanner, StepsStopAtBothEndsAndHandOutFrameAndBlock) {
  Bytes b(20'000, 'A');
  frame(b, 33, 5'002);  // FF D8 at index 32, D9 at index 5,001
  frame(b, 5'035, 9'001);
  Rig r(b);
  ASSERT_TRUE(r.open());
  const At first(32, 5'001), second(5'034, 9'000);
  EXPECT_EQ(r.F(0), std::pair(Found, first));
  EXPECT_TRUE(r.scanner.CurrentFrame()->block.empty()) << "the camera's first frame has no block";
  EXPECT_EQ(r.R(r.scanner.FrameStart()), std::pair(NoFrame, first));
  EXPECT_EQ(r.F(r.scanner.FrameEnd()), std::pair(Found, second));
  const FrameBytes f = *r.scanner.CurrentFrame();
  EXPECT_EQ(std::tuple(f.start, f.end, f.bytes.size(), f.bytes.front(), f.bytes.back()),
            std::tuple(FilePos{5'035}, FilePos{9'001}, std::size_t{3'967}, std::uint8_t{0xFF}, std::uint8_t{0xD9}));
  EXPECT_EQ(std::pair(f.block.data(), f.block.size()), std::pair(f.bytes.data() - 32, std::size_t{32}));
  EXPECT_EQ(r.F(r.scanner.FrameEnd()), std::pair(NoFrame, second));
  EXPECT_EQ(r.R(r.scanner.FrameStart()), std::pair(Found, first));
  r.scanner.SetFrame(kNoFrame, kNoFrame);
  EXPECT_FALSE(r.scanner.CurrentFrame());
  r.scanner.Clear();
  EXPECT_EQ(std::tuple(r.scanner.WindowPos(), r.scanner.WindowAtEnd(), r.at()),
            std::tuple(FilePos{1}, true, At(-1, -1)));
  EXPECT_EQ(std::pair(r.F(0).first, r.R(kWindowLast).first), std::pair(NoFrame, NoFrame));
}

TEST(Scanner, MarkerCornerCases) {
  using Case = std::tuple<const char*, Bytes, At>;  // the frame both searches find
  const Case kCases[] = {{"FF FF D8: one start, at the second FF", {0xFF, 0xFF, 0xD8, 1, 2, 0xFF, 0xD9, 0}, {1, 6}},
                         {"the last of two starts counts", {0xFF, 0xD8, 7, 0xFF, 0xD8, 9, 0xFF, 0xD9, 0}, {3, 7}},
                         {"an end before any start is skipped", {0xFF, 0xD9, 0xFF, 0xD8, 5, 0xFF, 0xD9, 0}, {2, 6}},
                         {"a frame at the very first byte", {0xFF, 0xD8, 0xFF, 0xD9, 0}, {0, 3}},
                         {"FF D8 D9 is a start only", {0xFF, 0xD8, 0xD9, 0xFF, 0xD9, 0}, {0, 4}}};
  for (const auto& [name, bytes, frame] : kCases) {
    SCOPED_TRACE(name);
    Rig r(bytes);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.F(0), std::pair(Found, frame));
    EXPECT_EQ(r.R(kWindowLast), std::pair(Found, frame));
  }
}

// One search on zeros holding the frames (the last is found): where the window comes to rest.
TEST(Scanner, SearchesMoveTheWindowAtItsEdges) {
  using Case = std::tuple<const char*, std::int64_t, std::vector<Span>, FilePos, WindowIndex, bool, FilePos>;
  for (const auto& [name, size, frames, openAt, from, forward, window] :
       {Case{"begun in the 2nd half: carried on", 1'600'000, {{900'001, 1'100'000}}, 1, 0, true, 500'001},
        {"last index: moves first", 2'000'000, {{10, 20}, {1'200'001, 1'300'000}}, 1, kWindowLast, true, 500'001},
        {"back from 400,001 lands at 1", 1'500'000, {{100'001, 399'000}}, 400'001, 0, false, 1},
        {"end carried back", 2'500'000, {{600'001, 1'400'000}}, 1'000'001, kWindowLast, false, 500'001},
        {"negative From: window start", 50'000, {{101, 200}}, 1, -1, true, 1}}) {
    SCOPED_TRACE(name);
    Bytes b(static_cast<std::size_t>(size), 0);
    for (const auto& [s, e] : frames) frame(b, s, e);
    Rig r(b);
    ASSERT_TRUE(r.open(openAt));
    ASSERT_EQ(forward ? r.scanner.FindForward(from) : r.scanner.FindBackward(from), Found);
    EXPECT_EQ(std::pair(r.scanner.WindowPos(), r.found()), std::pair(window, frames.back()));
  }
}

// Half-window moves, then FileLength - 500,000; a read filling the buffer exactly is not yet the end.
TEST(Scanner, ForwardWalksToTheEnd) {
  using Case = std::tuple<const char*, Bytes, std::vector<FilePos>, int>;
  Bytes halves(3'300'000, 0), one(1'000'000, 0);
  for (FilePos at = 1'001; at + 200 < 3'300'000; at += 300'000) frame(halves, at, at + 100);
  frame(one, 800'001, 800'100);
  for (const auto& [name, bytes, moves, frames] :
       {Case{"every 300,000 bytes", halves, {1, 500'001, 1'000'001, 1'500'001, 2'000'001, 2'500'001}, 11},
        {"a file of exactly one window", one, {1, 500'000}, 1},
        {"no frame at all", Bytes(2'345'678, 0x11), {1'500'001}, 0}}) {
    SCOPED_TRACE(name);
    Rig r(bytes);
    ASSERT_TRUE(r.open());
    std::vector<FilePos> windows;
    int found = 0;
    FilePos last = 0;
    for (ScanResult s = Found; s == Found;) {
      s = r.scanner.FindForward(r.scanner.FrameEnd());
      if (s == Found) ++found, last = r.found().first;
      if (windows.empty() || windows.back() != r.scanner.WindowPos()) windows.push_back(r.scanner.WindowPos());
    }
    EXPECT_EQ(windows, moves);
    EXPECT_TRUE(r.scanner.WindowAtEnd());
    EXPECT_EQ(std::pair(found, r.found().first), std::pair(frames, found ? last : FilePos{0}));
    EXPECT_EQ(r.F(r.scanner.FrameEnd()).first, NoFrame);
    EXPECT_EQ(r.scanner.WindowPos(), moves.back());
  }
}

// A walk from one end: forward, the last start before the first end that follows one; backward, the mirror.
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
  for (const auto& [size, seed] :
       std::vector<std::pair<std::size_t, unsigned>>{{700'000, 1}, {1'600'000, 2}, {3'250'001, 3}, {4'000'000, 4}}) {
    SCOPED_TRACE(size);
    const Bytes b = randomRecording(size, seed);
    Rig r(b);
    std::vector<Span> forward, backward;
    ASSERT_TRUE(r.open());
    for (auto s = r.scanner.FindForward(0); s == Found; s = r.scanner.FindForward(r.scanner.FrameEnd()))
      forward.push_back(r.checked(b));
    EXPECT_EQ(forward, referenceWalk(b, true));
    // To the end: the window at FileLength - 999,998, then backward from its last index.
    ASSERT_TRUE(r.open(std::max<FilePos>(r.recording.length() - 999'998, 1)));
    for (auto s = r.scanner.FindBackward(kWindowLast); s == Found; s = r.scanner.FindBackward(r.scanner.FrameStart()))
      backward.push_back(r.checked(b));
    EXPECT_EQ(backward, referenceWalk(b, false));
  }
}

// Reads at any position after any other hold the file's bytes, zeros past its end.
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
    ASSERT_EQ(r.scanner.WindowAtEnd(), inFile < kWindowSize) << at;
    const std::uint8_t* w = r.scanner.WindowBuffer();
    const auto from = b.begin() + std::min<FilePos>(at - 1, 5'000'000);
    ASSERT_TRUE(std::equal(from, from + inFile, w)) << at;
    for (std::int64_t i = inFile; i < kWindowSize; i += 4'999) ASSERT_EQ(w[i], 0) << at;
  }
}

// The vector search against a plain loop on bytes dense with FF, D8 and D9, at every alignment.
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
