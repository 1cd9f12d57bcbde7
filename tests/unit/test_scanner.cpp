// The scanner on crafted recordings: marker corner cases, window moves at the
// 500,000 / 1,000,000 edges, and a differential walk against a whole-file scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "recording/MarkerSearch.h"
#include "recording/Scanner.h"
#include "support/TempRecording.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Puts FF xx at 1-based file position pos.
void marker(Bytes& b, std::int64_t pos, std::uint8_t second) {
  b[pos - 1] = 0xFF;
  b[pos] = second;
}
void frame(Bytes& b, std::int64_t startPos, std::int64_t endPos) {  // endPos: position of the D9
  marker(b, startPos, 0xD8);
  marker(b, endPos - 1, 0xD9);
}

// A scanner over a file, with a frame display that records what it was handed.
struct Rig {
  explicit Rig(const Bytes& bytes) : file(bytes) {
    EXPECT_TRUE(recording.open(file.path()));
    st.AllocateWindow();
    st.FileLength = recording.length();
  }
  bool open(FilePos pos = 1) {
    st.WindowPos = pos;
    return scanner.ReadWindow();
  }
  FilePos startPos() const { return st.WindowPos + st.FrameStart; }  // file position of FF D8
  FilePos endPos() const { return st.WindowPos + st.FrameEnd; }      // file position of the D9

  TempRecording file;
  RecordingFile recording;
  ViewerState st;
  int shown = 0;
  bool decodes = true;
  Scanner scanner{st, recording, [this] {
                    ++shown;
                    return decodes;
                  }};
};

TEST(Scanner, StepsBetweenTwoFramesBothWays) {
  Bytes b(20'000, 'A');
  marker(b, 33, 0xD8);      // index 32
  marker(b, 5'001, 0xD9);   // FF D9 at indices 5,000 and 5,001
  marker(b, 5'035, 0xD8);   // index 5,034
  marker(b, 9'000, 0xD9);
  Rig r(b);
  ASSERT_TRUE(r.open());
  EXPECT_TRUE(r.st.WindowAtEnd);
  ASSERT_TRUE(r.scanner.FindJpegF(0));
  EXPECT_EQ(r.st.FrameStart, 32);
  EXPECT_EQ(r.st.FrameEnd, 5'001);
  ASSERT_TRUE(r.scanner.FindJpegF(r.st.FrameEnd));
  EXPECT_EQ(r.st.FrameStart, 5'034);
  EXPECT_EQ(r.st.FrameEnd, 9'000);
  ASSERT_TRUE(r.scanner.FindJpegR(r.st.FrameStart));
  EXPECT_EQ(r.st.FrameStart, 32);
  EXPECT_EQ(r.st.FrameEnd, 5'001);
  // Back from the first frame: the start of the recording, nothing changes.
  EXPECT_EQ(r.scanner.SearchBackward(r.st.FrameStart), SearchResult::NoFrame);
  EXPECT_EQ(r.st.FrameStart, 32);
  EXPECT_EQ(r.st.WindowPos, 1);
  // Forward past the last frame of a short file: no move, no frame.
  ASSERT_TRUE(r.scanner.FindJpegF(5'001));
  EXPECT_EQ(r.scanner.SearchForward(r.st.FrameEnd), SearchResult::NoFrame);
  EXPECT_EQ(r.st.WindowPos, 1);
  EXPECT_EQ(r.st.FrameStart, 5'034);
}

struct MarkerCase {
  const char* name;
  Bytes bytes;
  WindowIndex start, end;  // expected frame, both searches
};

TEST(Scanner, MarkerCornerCases) {
  const std::vector<MarkerCase> cases = {
      {"FF FF D8 holds one start, at the second FF", {0xFF, 0xFF, 0xD8, 1, 2, 0xFF, 0xD9, 0}, 1, 6},
      {"of two starts before one end the last counts", {0xFF, 0xD8, 7, 0xFF, 0xD8, 9, 0xFF, 0xD9, 0}, 3, 7},
      {"an end before any start is skipped", {0xFF, 0xD9, 0xFF, 0xD8, 5, 0xFF, 0xD9, 0}, 2, 6},
      {"a frame at the very first byte", {0xFF, 0xD8, 0xFF, 0xD9, 0}, 0, 3},
      {"FF D8 D9 is a start only", {0xFF, 0xD8, 0xD9, 0xFF, 0xD9, 0}, 0, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes b = c.bytes;
    b.resize(64, 0);
    Rig r(b);
    ASSERT_TRUE(r.open());
    ASSERT_TRUE(r.scanner.FindJpegF(0));
    EXPECT_EQ(r.st.FrameStart, c.start);
    EXPECT_EQ(r.st.FrameEnd, c.end);
    ASSERT_TRUE(r.scanner.FindJpegR(kWindowLast));
    EXPECT_EQ(r.st.FrameStart, c.start);
    EXPECT_EQ(r.st.FrameEnd, c.end);
  }
}

TEST(Scanner, HalfFoundFrameIsCarriedIntoTheNextWindow) {
  Bytes b(1'600'000, 0);
  frame(b, 900'001, 1'100'000);  // starts in the window's second half, ends beyond it
  Rig r(b);
  ASSERT_TRUE(r.open());
  EXPECT_FALSE(r.st.WindowAtEnd);
  ASSERT_TRUE(r.scanner.FindJpegF(0));
  EXPECT_EQ(r.st.WindowPos, 500'001);
  EXPECT_EQ(r.startPos(), 900'001);
  EXPECT_EQ(r.endPos(), 1'100'000);
}

TEST(Scanner, SearchFromTheLastIndexMovesFirst) {
  Bytes b(2'000'000, 0);
  frame(b, 10, 20);                 // an earlier frame the search must not return
  frame(b, 1'200'001, 1'300'000);
  Rig r(b);
  ASSERT_TRUE(r.open());
  ASSERT_TRUE(r.scanner.FindJpegF(kWindowLast));
  EXPECT_EQ(r.st.WindowPos, 500'001);
  EXPECT_EQ(r.startPos(), 1'200'001);
}

TEST(Scanner, FileOfExactlyOneWindow) {
  Bytes b(1'000'000, 0);
  frame(b, 800'001, 800'100);
  Rig r(b);
  ASSERT_TRUE(r.open());
  EXPECT_FALSE(r.st.WindowAtEnd);  // the read filled the buffer exactly
  ASSERT_TRUE(r.scanner.FindJpegF(0));
  ASSERT_FALSE(r.scanner.FindJpegF(r.st.FrameEnd));
  EXPECT_EQ(r.st.WindowPos, 500'000);  // FileLength - 500,000
  EXPECT_TRUE(r.st.WindowAtEnd);
  EXPECT_EQ(r.startPos(), 800'001);    // the frame keeps its file position
}

TEST(Scanner, BackwardMoveFrom400001LandsAtOne) {
  Bytes b(1'500'000, 0);
  frame(b, 100'001, 399'000);  // ends before the window that starts at 400,001
  Rig r(b);
  ASSERT_TRUE(r.open(400'001));
  ASSERT_TRUE(r.scanner.FindJpegR(0));
  EXPECT_EQ(r.st.WindowPos, 1);
  EXPECT_EQ(r.st.FrameStart, 100'000);
  EXPECT_EQ(r.st.FrameEnd, 398'999);
}

TEST(Scanner, ForwardMovesAreExactlyHalfAWindowUntilTheEnd) {
  Bytes b(3'300'000, 0);
  for (FilePos at = 1'001; at + 200 < 3'300'000; at += 300'000) frame(b, at, at + 100);
  Rig r(b);
  ASSERT_TRUE(r.open());
  std::vector<FilePos> windows{r.st.WindowPos};
  for (bool ok = r.scanner.FindJpegF(0); ok; ok = r.scanner.FindJpegF(r.st.FrameEnd)) {
    if (r.st.WindowPos != windows.back()) windows.push_back(r.st.WindowPos);
  }
  EXPECT_EQ(windows, (std::vector<FilePos>{1, 500'001, 1'000'001, 1'500'001, 2'000'001, 2'500'001}));
  EXPECT_TRUE(r.st.WindowAtEnd);
  // At the end a further search answers at once, without moving or reading.
  EXPECT_EQ(r.scanner.SearchForward(r.st.FrameEnd), SearchResult::NoFrame);
  EXPECT_EQ(r.st.WindowPos, 2'500'001);
}

TEST(Scanner, RecordingWithoutFramesIsWalkedToItsEnd) {
  Bytes b(2'345'678, 0x11);
  Rig r(b);
  ASSERT_TRUE(r.open());
  EXPECT_EQ(r.scanner.SearchForward(0), SearchResult::NoFrame);
  EXPECT_TRUE(r.st.WindowAtEnd);
  EXPECT_EQ(r.shown, 0);
  EXPECT_EQ(r.st.FrameStart, -1 - (r.st.WindowPos - 1));  // "none", carried along
}

TEST(Scanner, NegativeFromScansFromTheWindowStart) {
  Bytes b(50'000, 0);
  frame(b, 101, 200);
  Rig r(b);
  ASSERT_TRUE(r.open());
  ASSERT_TRUE(r.scanner.FindJpegF(-1));
  EXPECT_EQ(r.st.FrameStart, 100);
  ASSERT_TRUE(r.scanner.FindJpegF(-123'456'789));
  EXPECT_EQ(r.st.FrameStart, 100);
}

TEST(Scanner, UndecodableFrameIsStillTheCurrentFrame) {
  Bytes b(10'000, 0);
  frame(b, 101, 200);
  frame(b, 301, 400);
  Rig r(b);
  r.decodes = false;
  ASSERT_TRUE(r.open());
  EXPECT_EQ(r.scanner.SearchForward(0), SearchResult::NotShown);
  EXPECT_EQ(r.st.FrameStart, 100);
  EXPECT_EQ(r.scanner.SearchForward(r.st.FrameEnd), SearchResult::NotShown);
  EXPECT_EQ(r.st.FrameStart, 300);  // the next step goes past it
}

// --- Differential walk against a plain whole-file scan ------------------------------

struct Span {
  FilePos start, end;
  bool operator==(const Span&) const = default;
};

// Frames met stepping forward from the file's start: each search starts at the
// previous frame's D9, takes the last start before the first end that follows one.
std::vector<Span> referenceForward(const Bytes& b) {
  std::vector<Span> out;
  std::int64_t s = -1;
  for (std::int64_t i = 0; i + 1 < static_cast<std::int64_t>(b.size()); ++i) {
    if (b[i] != 0xFF) continue;
    if (b[i + 1] == 0xD8) {
      s = i;
    } else if (b[i + 1] == 0xD9 && s != -1) {
      out.push_back({s + 1, i + 2});
      s = -1;
      // The next search starts at the D9 itself.
    }
  }
  return out;
}

std::vector<Span> referenceBackward(const Bytes& b) {
  std::vector<Span> out;
  std::int64_t e = -1;
  for (std::int64_t i = static_cast<std::int64_t>(b.size()) - 1; i > 0; --i) {
    if (b[i - 1] != 0xFF) continue;
    if (b[i] == 0xD9) {
      e = i;
    } else if (b[i] == 0xD8 && e != -1) {
      out.push_back({i, e + 1});
      e = -1;
      // The next search starts at the FF of this start marker: pair (i-2, i-1) next.
      --i;
    }
  }
  return out;
}

Bytes randomRecording(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes b(size);
  for (auto& v : b) v = static_cast<std::uint8_t>(byte(rng));
  // Sprinkle real-looking frames of 10-60 kB among the random bytes.
  std::uniform_int_distribution<std::size_t> where(0, size - 70'000), len(10'000, 60'000);
  for (int k = 0; k < 40; ++k) {
    const std::size_t at = where(rng);
    b[at] = 0xFF, b[at + 1] = 0xD8;
    const std::size_t end = at + len(rng);
    b[end] = 0xFF, b[end + 1] = 0xD9;
  }
  return b;
}

TEST(Scanner, WalksMatchAWholeFileScan) {
  for (const auto& [size, seed] : std::vector<std::pair<std::size_t, unsigned>>{
           {700'000, 1}, {1'600'000, 2}, {3'250'001, 3}, {4'000'000, 4}}) {
    SCOPED_TRACE(size);
    const Bytes b = randomRecording(size, seed);
    Rig r(b);

    std::vector<Span> forward;
    ASSERT_TRUE(r.open());
    for (bool ok = r.scanner.FindJpegF(0); ok; ok = r.scanner.FindJpegF(r.st.FrameEnd)) {
      forward.push_back({r.startPos(), r.endPos()});
      // The window holds the file's bytes wherever it has moved to.
      ASSERT_EQ(0, std::memcmp(r.st.WindowBuffer + r.st.FrameStart, &b[r.startPos() - 1],
                               static_cast<std::size_t>(r.st.FrameEnd - r.st.FrameStart + 1)));
    }
    EXPECT_EQ(forward, referenceForward(b));

    // To the end: the window at FileLength - 999,998, then backward from its last index.
    std::vector<Span> backward;
    r.st.WindowPos = std::max<FilePos>(r.st.FileLength - 999'998, 1);
    ASSERT_TRUE(r.scanner.ReadWindow());
    for (bool ok = r.scanner.FindJpegR(kWindowLast); ok; ok = r.scanner.FindJpegR(r.st.FrameStart)) {
      backward.push_back({r.startPos(), r.endPos()});
      ASSERT_EQ(0, std::memcmp(r.st.WindowBuffer + r.st.FrameStart, &b[r.startPos() - 1],
                               static_cast<std::size_t>(r.st.FrameEnd - r.st.FrameStart + 1)));
    }
    EXPECT_EQ(backward, referenceBackward(b));
  }
}

TEST(Scanner, WindowHoldsTheFileAfterAnyMoveSequence) {
  const Bytes b = randomRecording(5'000'000, 9);
  Rig r(b);
  std::mt19937 rng(5);
  std::uniform_int_distribution<FilePos> pos(1, 5'200'000);
  std::uniform_int_distribution<FilePos> step(-600'000, 600'000);
  FilePos at = 1;
  for (int k = 0; k < 200; ++k) {
    at = k % 3 == 0 ? pos(rng) : std::clamp<FilePos>(at + step(rng), 1, 5'200'000);
    r.st.WindowPos = at;
    ASSERT_TRUE(r.scanner.ReadWindow());
    const std::int64_t inFile = std::clamp<std::int64_t>(5'000'000 - (at - 1), 0, kWindowSize);
    ASSERT_EQ(r.st.WindowAtEnd, inFile < kWindowSize) << at;
    ASSERT_EQ(0, std::memcmp(r.st.WindowBuffer, b.data() + std::min<std::int64_t>(at - 1, 5'000'000),
                             static_cast<std::size_t>(inFile)))
        << at;
    for (std::int64_t i = inFile; i < kWindowSize; i += 4'999) ASSERT_EQ(r.st.WindowBuffer[i], 0) << at;
  }
}

}  // namespace

namespace {

// The vector search against a plain loop, on bytes dense with FF, D8 and D9 and at
// every alignment and edge.
TEST(MarkerSearch, AgreesWithAPlainLoop) {
  std::mt19937 rng(11);
  const std::uint8_t alphabet[] = {0xFF, 0xD8, 0xD9, 0xDA, 0xD0, 0x00, 0x7F, 0xFE};
  std::uniform_int_distribution<int> pick(0, 7);
  std::vector<std::uint8_t> buf(300);
  for (int round = 0; round < 400; ++round) {
    for (auto& b : buf) b = alphabet[pick(rng)];
    const std::int64_t size = static_cast<std::int64_t>(buf.size()) - 1;  // pairs start below size
    std::uniform_int_distribution<std::int64_t> at(0, size);
    std::int64_t from = at(rng), to = at(rng);
    if (from > to) std::swap(from, to);
    auto pair = [&](std::int64_t j) { return buf[j] == 0xFF && (buf[j + 1] == 0xD8 || buf[j + 1] == 0xD9); };
    std::int64_t next = to;
    for (std::int64_t j = from; j < to; ++j)
      if (pair(j)) {
        next = j;
        break;
      }
    std::int64_t prev = -1;
    for (std::int64_t j = to - 1; j >= 0; --j)
      if (pair(j)) {
        prev = j;
        break;
      }
    ASSERT_EQ(NextMarkerPair(buf.data(), from, to), next) << from << " " << to;
    ASSERT_EQ(PrevMarkerPair(buf.data(), to), prev) << to;
  }
}

}  // namespace
