#pragma once
// The viewer's core: the state record, the open recording, the scanner and the
// frame display, wired together. It decides everything the main window shows;
// the window (or the command-line tool) forwards events to it and renders `screen`.

#include <QString>

#include "recording/FrameDisplay.h"
#include "recording/RecordingFile.h"
#include "recording/Scanner.h"
#include "shell/ScreenState.h"
#include "shell/ViewerState.h"

class Viewer {
 public:
  Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  ViewerState st;
  ModuleValues module;
  ScreenState screen;
  RecordingFile recording;  // RecordingFile: read-only, one at a time
  FrameDisplay display;
  Scanner scanner;
  // The file dialog's current file name: the open recording's full path.
  QString cdlFileName;

  // Start-up, in its order; the window applies its outline between the first and
  // the second call.
  void StartUpBegin();
  void StartUpState();
  void StartUpCommandLine(const QString& argumentString);

  // Opens path as the recording (read-only), closing the previous one; FileLength
  // is its length. On failure error holds the Polish reason.
  bool OpenRecordingFile(const QString& path, QString* error);

  // What a failed search calls: it takes no action, on purpose.
  void ErrorHandler() {}

  void timPlay_Timer();
  void CmdAllUp();
  // Moves the slider knob to the current frame's byte position in the file.
  void UpdateProgresBar();
  void SetTimer(bool enabled, int intervalMs);

  bool ReadWindow() { return scanner.ReadWindow(); }
  bool FindJpegF(WindowIndex From) { return scanner.FindJpegF(From); }
  bool FindJpegR(WindowIndex From) { return scanner.FindJpegR(From); }
  bool ShowJpeg() { return display.ShowJpeg(); }
  // Fills the information panel from the current frame's block.
  void ShowInfo();
};
