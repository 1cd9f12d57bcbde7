#include "recording/Scanner.h"

#include "recording/MarkerSearch.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::uint8_t kStart = 0xD8;  // FF D8: start of image
constexpr std::uint8_t kEnd = 0xD9;    // FF D9: end of image

}  // namespace

// The arena is whole huge pages of fresh zero memory, aligned to them, asked to be backed
// by huge pages where the system allows it: a walk through a large recording then writes
// into a couple of pages instead of faulting in a thousand small ones. Where huge pages
// are off it is ordinary memory, touched only where it is read into.
constexpr std::size_t kHugePage = 2 << 20;
constexpr std::size_t arenaMapping(std::size_t size) { return (size + kHugePage - 1) / kHugePage * kHugePage; }

void Scanner::FreeArena::operator()(std::uint8_t* p) const { ::munmap(p, arenaMapping(kArenaSize)); }

void Scanner::AllocateWindow() {
  const std::size_t size = arenaMapping(kArenaSize);
  void* map = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  // Keep the aligned part of a mapping one huge page larger, and give back the rest.
  auto* const mapped = static_cast<std::uint8_t*>(map);
  auto* const arena = reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(mapped) + kHugePage - 1) /
                                                      kHugePage * kHugePage);
  if (arena > mapped) ::munmap(mapped, static_cast<std::size_t>(arena - mapped));
  if (mapped + size + kHugePage > arena + size)
    ::munmap(arena + size, static_cast<std::size_t>(mapped + size + kHugePage - (arena + size)));
  ::madvise(arena, size, MADV_HUGEPAGE);  // a hint: refused or ignored, the pages stay small
  arena_.reset(arena);
  arenaWritten_ = 0;
  WindowBuffer_ = arena + (kArenaSize - kWindowSize) / 2;
}

void Scanner::NoteWritten(const std::uint8_t* end) {
  arenaWritten_ = std::max<std::int64_t>(arenaWritten_, end - arena_.get());
}

void Scanner::Zero(std::uint8_t* from, std::uint8_t* to) {
  // Past the arena's high-water mark the bytes are still calloc's zeros: writing them
  // again would only make the kernel hand out those pages.
  std::uint8_t* const written = arena_.get() + arenaWritten_;
  if (from < std::min(to, written)) std::memset(from, 0, static_cast<std::size_t>(std::min(to, written) - from));
}

void Scanner::Clear() {
  if (WindowBuffer_) Zero(WindowBuffer_, WindowBuffer_ + kWindowSize);
  WindowFill_ = 0;
  WindowPos_ = 1;
  WindowAtEnd_ = true;
  FrameStart_ = FrameEnd_ = kNoFrame;
}

bool Scanner::SeekTo(FilePos pos, WindowIndex frameAt) {
  WindowPos_ = std::max<FilePos>(pos, 1);
  FrameStart_ = FrameEnd_ = frameAt;
  return ReadWindow();
}

std::optional<FrameBytes> Scanner::CurrentFrame() const {
  if (!WindowBuffer_ || !HoldsFrame()) return std::nullopt;
  FrameBytes f;
  f.start = WindowPos_ + FrameStart_;
  f.end = WindowPos_ + FrameEnd_;
  f.bytes = {WindowBuffer_ + FrameStart_, static_cast<std::size_t>(FrameEnd_ - FrameStart_ + 1)};
  if (FrameStart_ > kBlockSize) f.block = {WindowBuffer_ + FrameStart_ - kBlockSize, kBlockSize};
  return f;
}

// Moves WindowBuffer inside the arena so that the bytes the new window shares with
// the one loaded stay in place, and returns nothing: the caller reads the rest.
void Scanner::SlideArena(FilePos newPos) {
  std::uint8_t* const arena = arena_.get();
  const auto arenaSize = static_cast<std::int64_t>(kArenaSize);
  std::int64_t base = WindowBuffer_ - arena;
  const std::int64_t shift = newPos - loadedPos_;  // > 0 forward, < 0 backward
  const std::int64_t keep = kWindowSize - (shift > 0 ? shift : -shift);
  if (shift > 0) {
    if (base + shift + kWindowSize > arenaSize) {  // no room ahead: bring the kept bytes to the front
      std::memmove(arena, arena + base + shift, static_cast<std::size_t>(keep));
      NoteWritten(arena + keep);
      base = 0;
    } else {
      base += shift;
    }
  } else {
    if (base + shift < 0) {  // no room behind: bring the kept bytes to the back
      const std::int64_t newBase = arenaSize - kWindowSize;
      std::memmove(arena + newBase - shift, arena + base, static_cast<std::size_t>(keep));
      NoteWritten(arena + arenaSize);
      base = newBase;
    } else {
      base += shift;
    }
  }
  WindowBuffer_ = arena + base;
}

bool Scanner::ReadWindow() {
  if (!WindowBuffer_ || WindowPos_ < 1) return false;
  const FilePos pos = WindowPos_;
  std::uint8_t* buf = WindowBuffer_;
  std::int64_t from = 0;          // first window index to read
  std::int64_t to = kWindowSize;  // one past the last
  const std::int64_t shift = pos - loadedPos_;
  const bool reuse = loadedGeneration_ == file_.generation() && loadedFull_ && shift != 0 && shift > -kWindowSize &&
                     shift < kWindowSize;
  if (reuse) {
    SlideArena(pos);
    buf = WindowBuffer_;
    if (shift > 0) {
      from = kWindowSize - shift;
    } else {
      to = -shift;
    }
  }
  const std::int64_t got = file_.readAt(pos - 1 + from, buf + from, static_cast<std::size_t>(to - from));
  if (got < 0) {
    NoteWritten(buf + to);  // a read that failed may have filled part of it
    loadedGeneration_ = 0;
    return false;
  }
  NoteWritten(buf + from + got);
  const bool full = got == to - from;
  WindowFill_ = full ? kWindowSize : from + got;
  if (!full) {
    // Past the end of the file the window holds zeros, in which no marker is found.
    Zero(buf + from + got, buf + kWindowSize);
  }
  // A short read of a backward move's front part means the file shrank under us:
  // that window then counts as the last one too.
  WindowAtEnd_ = !full;
  loadedGeneration_ = file_.generation();
  loadedPos_ = pos;
  loadedFull_ = !WindowAtEnd_;
  return true;
}

// One forward move: i and s are carried to the same file positions in the new window.
std::optional<ScanResult> Scanner::MoveForward(WindowIndex& i, WindowIndex& s) {
  if (WindowAtEnd_) return ScanResult::NoFrame;
  const FilePos old = WindowPos_;
  FilePos next = file_.length() - i > kWindowStep ? old + kWindowStep : file_.length() - kWindowStep;
  // A file that grew since it was opened could ask for a move that does not advance;
  // that would scan the same window forever, so it counts as the end.
  if (next <= old) return ScanResult::NoFrame;
  const WindowIndex d = old - next;
  WindowPos_ = next;
  i = std::max<WindowIndex>(i + d, 0);
  if (s != -1) {
    s += d;
    // A start marker that fell before the new window (a frame of half a window or
    // more, or the long move near the end of a short file) is given up: its frame is
    // skipped rather than read from outside the buffer.
    if (s < 0) s = -1;
  }
  if (!ReadWindow()) return ScanResult::ReadFailed;
  FrameStart_ += d;
  FrameEnd_ += d;
  return std::nullopt;
}

ScanResult Scanner::FindForward(WindowIndex From) {
  if (!WindowBuffer_) return ScanResult::NoFrame;
  // Callers pass FrameEnd, which is -1 (or carried below 0) when no frame was found
  // since the window was loaded: the scan then starts at the window's first byte.
  WindowIndex i = std::max<WindowIndex>(From, 0);
  WindowIndex s = -1;
  const std::uint8_t* buf = WindowBuffer_;
  for (;;) {
    if (i >= kWindowLast) {
      if (const auto end = MoveForward(i, s)) return *end;
      buf = WindowBuffer_;
      continue;
    }
    // The pairs (i, i+1) are examined with i at most 999,998; past what was read there
    // are only zeros, so the search stops there and goes on as at the window's end.
    const WindowIndex searched = std::min<WindowIndex>(kWindowLast, WindowFill_);
    i = i < searched ? NextMarkerPair(buf, i, searched) : searched;
    if (i == searched) {
      i = kWindowLast;
      continue;
    }
    const std::uint8_t next = buf[i + 1];
    if (next == kStart) {
      s = i;
    } else if (next == kEnd && s != -1) {
      FrameStart_ = s;
      FrameEnd_ = i + 1;
      return ScanResult::Found;
    }
    ++i;
  }
}

// One backward move: the scan resumes at the old window's first byte; e is carried.
std::optional<ScanResult> Scanner::MoveBackward(WindowIndex p, WindowIndex& i, WindowIndex& e) {
  if (WindowPos_ <= 1) return ScanResult::NoFrame;
  const FilePos old = WindowPos_;
  const FilePos next = old + p > kWindowStep ? old - kWindowStep : 1;
  const WindowIndex d = old - next;
  WindowPos_ = next;
  i = std::min<WindowIndex>(d, kWindowLast);
  if (e != -1) {
    e += d;
    // An end marker carried past the window's end belongs to a frame too long to
    // hold in one window: it is given up rather than read from outside the buffer.
    if (e > kWindowLast) e = -1;
  }
  if (!ReadWindow()) return ScanResult::ReadFailed;
  FrameStart_ += d;
  FrameEnd_ += d;
  return std::nullopt;
}

ScanResult Scanner::FindBackward(WindowIndex From) {
  if (!WindowBuffer_) return ScanResult::NoFrame;
  // Callers pass FrameStart, which a backward move may have carried past the window's
  // end: the scan then starts at the window's last pair.
  WindowIndex i = std::min<WindowIndex>(From, kWindowLast);
  WindowIndex e = -1;
  WindowIndex p = From;  // where a move starts from (From on entry, then 0)
  const std::uint8_t* buf = WindowBuffer_;
  for (;;) {
    if (i <= 0) {
      if (const auto end = MoveBackward(std::min<WindowIndex>(p, 0), i, e)) return *end;
      p = 0;
      buf = WindowBuffer_;
      continue;
    }
    // The pair examined is (i-1, i): find the last marker pair starting at or below i-1.
    i = PrevMarkerPair(buf, i) + 1;
    if (i == 0) continue;
    const std::uint8_t next = buf[i];
    if (next == kEnd) {
      e = i;
    } else if (next == kStart && e != -1) {
      FrameStart_ = i - 1;
      FrameEnd_ = e;
      return ScanResult::Found;
    }
    --i;
  }
}
