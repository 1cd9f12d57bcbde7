#pragma once
// The viewer's core: the state record, the open recording, the scanner and the
// frame display, wired together. It decides everything the main window shows;
// the window (or the command-line tool) forwards events to it and renders `screen`.

#include <functional>

#include <QString>

#include "export/ExportResult.h"

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
  // The whole start-up where there is no window (the command line, tests).
  void StartUp(const QString& argumentString) {
    StartUpBegin();
    StartUpState();
    StartUpCommandLine(argumentString);
  }

  // Opens path as the recording (read-only), closing the previous one; FileLength
  // is its length. On failure error holds the Polish reason.
  bool OpenRecordingFile(const QString& path, QString* error);

  // After a recording was opened: its title, its first frame, the knob, the lamps,
  // and play forward. Start-up and the open command share it; the command-line tool
  // reads how the search for the first frame ended.
  SearchResult ShowOpenedRecording();

  // What a failed search calls: it takes no action, on purpose.
  void ErrorHandler() {}
  void SetTimer(bool enabled, int intervalMs);

  // Transport row and playback timer (playback/Transport.cpp). Mouse handlers look
  // at nothing but the index: any button acts.
  void imgCmd_MouseDown(int Index);
  void imgCmd_MouseUp(int Index);
  void imgCmd_Click(int Index);
  void timPlay_Timer();
  void CmdAllUp();
  void CmdOnlyStop();
  void CmdAllOff();
  void GoToEnd();

  // Position slider and seeking (playback/Slider.cpp). X and Y are in twips
  // relative to the knob or the bar; Button 1 is the left button alone.
  void UpdateProgresBar();
  void ShowTotalIndex();
  // The seek's common steps: WindowPos raised to 1, the window read, its first frame shown.
  void SeekToWindowPos();
  void imgSuwak_MouseDown(int Button, double X, double Y);
  void imgSuwak_MouseMove(int Button, double X, double Y);
  void imgSuwak_MouseUp();
  void imgBottom_MouseUp();

  // Command panel (playback/CommandPanel.cpp): open, time correction, save, mark.
  void imgRightCmd_Click(int Index);
  void OpenCommand();
  void SaveCommand();
  void MarkCommand();

  // Exports (export/): the frame as JPEG, the marked sequence as MJP or AVI.
  ExportResult SaveJpeg();
  ExportResult SaveMjp();
  ExportResult SaveAvi();
  void EnterExportState();
  void LeaveExportState();
  // After an unexpected error in a command: playback stopped, the lamps ready; the
  // recording and the frame on screen stay. An export still running is left to finish.
  void RecoverAfterError();

  // Lets pending window events run in the middle of an export (the stop button,
  // repaints). The window sets it; without a window nothing needs to run.
  std::function<void()> DoEvents;
  void LetEventsRun() {
    if (DoEvents) DoEvents();
  }

  bool ReadWindow() { return scanner.ReadWindow(); }
  bool FindJpegF(WindowIndex From) { return scanner.FindJpegF(From); }
  bool FindJpegR(WindowIndex From) { return scanner.FindJpegR(From); }
  bool ShowJpeg() { return display.ShowJpeg(); }
  // Fills the information panel from the current frame's block.
  void ShowInfo();
};
