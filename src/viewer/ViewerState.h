#pragma once
// The viewer's own state, apart from the window and the current frame (the scanner
// owns those): the transport mode, the export's stop, the save dialogs' names, the
// slider's drag. Plain data, private to Viewer.

#include <cstdint>
#include <QString>

#include "recording/Scanner.h"

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
  bool StopRequested = false;    // the stop button during an export
  std::uint8_t PlayState = 255;  // a PlayMode value
  QString JpegFileName = QStringLiteral("Obrazek.jpeg");
  QString RecordingPath;  // last path chosen in the open dialog
  QString MjpFileName = QStringLiteral("Sekwencja.MJP");
  QString AviFileName = QStringLiteral("Sekwencja.AVI");
  bool SliderDragging = false;   // from a knob press until a move without the left button
  std::int16_t SliderGrabX = 0;  // pointer x inside the knob at the press, twips

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
