#pragma once
// The one record of viewer state that every subsystem of the main window shares.
// Plain data: it decides nothing; the owners of each field are named beside it.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <QString>

#include "dib/cDIBSection.h"

// File positions count from 1. They are 64-bit so that recordings over 2 GiB open
// and play; for smaller files every value is the one a 32-bit viewer would hold.
using FilePos = std::int64_t;
// An index into WindowBuffer, or one carried past its edges by a window move
// (a frame before or after the window). 64-bit so carrying never overflows.
using WindowIndex = std::int64_t;

inline constexpr WindowIndex kWindowSize = 1'000'000;  // bytes in WindowBuffer
inline constexpr WindowIndex kWindowLast = 999'999;    // last index
inline constexpr WindowIndex kWindowStep = 500'000;    // a window move: half the window

enum class PlayMode : std::uint8_t {
  Stopped = 0,
  Forward = 1,
  FastForward = 2,
  FastestForward = 3,
  Backward = 4,
  FastBackward = 5,
  FastestBackward = 6,
  Exporting = 7,
  NoRecording = 255,
};

struct ViewerState {
  FilePos WindowPos = 1;            // file position of WindowBuffer[0], at least 1 when read
  std::uint8_t* WindowBuffer = nullptr;  // kWindowSize bytes inside windowArena, zeroed at start-up
  WindowIndex FrameStart = -1;      // index of the 0xFF of the frame's FF D8; -1 none
  WindowIndex FrameEnd = -1;        // index of the 0xD9 of the frame's FF D9; -1 none
  bool StopRequested = false;       // the stop button during an export
  std::uint8_t PlayState = 255;     // a PlayMode value
  FilePos FileLength = 0;           // bytes of the open recording, taken at open
  QString JpegFileName = QStringLiteral("Obrazek.jpeg");
  QString RecordingPath;            // last path chosen in the open dialog
  QString MjpFileName = QStringLiteral("Sekwencja.MJP");
  QString AviFileName = QStringLiteral("Sekwencja.AVI");
  bool SliderDragging = false;      // from a knob press until a move without the left button
  std::int16_t SliderGrabX = 0;     // pointer x inside the knob at the press, twips
  std::unique_ptr<cDIBSection> FrameDib;  // the decoded frame; made on first use

  bool WindowAtEnd = false;         // the latest window read stopped short at the file's end

  // WindowBuffer slides inside this arena, so that a window move keeps the bytes
  // both windows share where they lie and reads only the new ones.
  static constexpr std::size_t kArenaSize = 4 * kWindowSize;
  struct FreeArena {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], FreeArena> windowArena;

  // Allocates the window, all zero (start-up). calloc takes fresh zero pages from the
  // kernel for a block this size, so the parts of the arena never read stay untouched.
  void AllocateWindow() {
    auto* arena = static_cast<std::uint8_t*>(std::calloc(kArenaSize, 1));
    if (!arena) throw std::bad_alloc();
    windowArena.reset(arena);
    WindowBuffer = windowArena.get() + (kArenaSize - kWindowSize) / 2;
  }

  PlayMode mode() const { return static_cast<PlayMode>(PlayState); }
  void setMode(PlayMode m) { PlayState = static_cast<std::uint8_t>(m); }
};

// Values the main window shares with its dialogs; they live for the whole run.
struct ModuleValues {
  FilePos MarkStart = -1;           // start of the marked sequence; -1 none
  FilePos MarkEnd = -1;             // its end; -1 while only the start is marked
  std::uint8_t SaveKind = 0;        // 0 JPEG, 1 MJP, 2 AVI; +128 = cancelled
  std::uint8_t AviSpeed = 10;       // frames per second of the AVI conversion
  std::int16_t PowerOnMinutes = 0;  // camera power-on time of day; 0 = time since power-on
};
