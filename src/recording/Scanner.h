#pragma once
// Finds frames (FF D8 … FF D9) in the recording through the 1,000,000-byte window,
// moving the window by half its size when a search runs off either end. It owns the
// window (WindowBuffer, WindowPos, the end flag) and the current frame's bounds, and
// answers with values; what a found frame means to a player is its caller's business.
// It never reads outside WindowBuffer and never writes to the recording.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

#include "recording/RecordingFile.h"

// File positions count from 1. They are 64-bit so that recordings over 2 GiB open
// and play; for smaller files every value is the one a 32-bit viewer would hold.
using FilePos = std::int64_t;
// An index into WindowBuffer, or one carried past its edges by a window move
// (a frame before or after the window). 64-bit so carrying never overflows.
using WindowIndex = std::int64_t;

inline constexpr WindowIndex kWindowSize = 1'000'000;  // bytes in WindowBuffer
inline constexpr WindowIndex kWindowLast = 999'999;    // last index
inline constexpr WindowIndex kWindowStep = 500'000;    // a window move: half the window
inline constexpr WindowIndex kNoFrame = -1;            // FrameStart / FrameEnd: none
inline constexpr WindowIndex kBlockSize = 32;          // the camera's block before each frame

// How a search ended.
enum class ScanResult {
  Found,       // FrameStart / FrameEnd are the frame found
  NoFrame,     // ran out of recording at either end
  ReadFailed,  // a window read failed
};

// The current frame as the window holds it.
struct FrameBytes {
  FilePos start = 0;                    // file position of its FF D8
  FilePos end = 0;                      // file position of its D9
  std::span<const std::uint8_t> bytes;  // FF D8 … FF D9, in place in the window
  // The 32 bytes just before it; empty when they do not lie after the window's first
  // byte (a frame at index 32 or below: the camera's first frame then has no block).
  std::span<const std::uint8_t> block;
};

class Scanner {
 public:
  explicit Scanner(const RecordingFile& file) : file_(file) {}
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Allocates the window, all zero (start-up).
  void AllocateWindow();

  // Reads the window at WindowPos (WindowAtEnd tells whether the file ended inside it).
  bool ReadWindow();
  // From window index From: forward to the first start marker followed by an end
  // marker, backward to the last end marker preceded by a start marker; the window
  // moves on as needed and FrameStart / FrameEnd are carried with it.
  ScanResult FindForward(WindowIndex From);
  ScanResult FindBackward(WindowIndex From);
  // WindowPos = pos (raised to 1), the frame's bounds both `frameAt` (none by default),
  // and the window read there.
  bool SeekTo(FilePos pos, WindowIndex frameAt = kNoFrame);

  FilePos WindowPos() const { return WindowPos_; }
  // Where the next read takes the window; nothing is read until then.
  void SetWindowPos(FilePos pos) { WindowPos_ = pos; }
  bool WindowAtEnd() const { return WindowAtEnd_; }
  WindowIndex FrameStart() const { return FrameStart_; }
  WindowIndex FrameEnd() const { return FrameEnd_; }
  void SetFrame(WindowIndex start, WindowIndex end) {
    FrameStart_ = start;
    FrameEnd_ = end;
  }
  // A current frame lies wholly inside the window.
  bool HoldsFrame() const { return FrameStart_ >= 0 && FrameStart_ < FrameEnd_ && FrameEnd_ <= kWindowLast; }
  // The current frame; nothing when the window does not hold one.
  std::optional<FrameBytes> CurrentFrame() const;
  // The file position of the current frame's start (or of what the bounds say after a
  // move without a find), as the slider and the marks count it.
  FilePos FrameStartPos() const { return WindowPos_ + FrameStart_; }
  FilePos FrameEndPos() const { return WindowPos_ + FrameEnd_; }
  const std::uint8_t* WindowBuffer() const { return WindowBuffer_; }

  // After a failed open: the window all zero at position 1, counting as the file's end,
  // and no frame, so that nothing is read from or shown of the closed file.
  void Clear();
  // Forgets what the window holds, so that the next read takes everything from the file.
  void Invalidate() { loadedGeneration_ = 0; }

 private:
  // Nothing when the window moved and the search goes on; otherwise why it ends.
  std::optional<ScanResult> MoveForward(WindowIndex& i, WindowIndex& s);
  std::optional<ScanResult> MoveBackward(WindowIndex p, WindowIndex& i, WindowIndex& e);
  void SlideArena(FilePos newPos);
  void NoteWritten(const std::uint8_t* end);        // the arena has been written up to end
  void Zero(std::uint8_t* from, std::uint8_t* to);  // zeros there, touching no page still zero

  const RecordingFile& file_;

  FilePos WindowPos_ = 1;                 // file position of WindowBuffer[0], at least 1 when read
  std::uint8_t* WindowBuffer_ = nullptr;  // kWindowSize bytes inside arena_
  WindowIndex FrameStart_ = kNoFrame;     // index of the 0xFF of the frame's FF D8
  WindowIndex FrameEnd_ = kNoFrame;       // index of the 0xD9 of the frame's FF D9
  bool WindowAtEnd_ = false;              // the latest read stopped short at the file's end
  WindowIndex WindowFill_ = 0;            // bytes of the window read; zeros after them

  // WindowBuffer slides inside this arena, so that a window move keeps the bytes
  // both windows share where they lie and reads only the new ones.
  static constexpr std::size_t kArenaSize = 4 * kWindowSize;
  struct FreeArena {
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t[], FreeArena> arena_;
  std::int64_t arenaWritten_ = 0;  // arena bytes from here on were never written: still zero

  // What the window holds from the last read, so a move can keep the shared bytes.
  std::uint64_t loadedGeneration_ = 0;
  FilePos loadedPos_ = 0;
  bool loadedFull_ = false;
};
