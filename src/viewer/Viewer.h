#pragma once
// The viewer: the one owner of the player's state — the open recording and its scanner,
// the transport mode, the marks, the decoded frame and the screen state the window
// renders. The window and the command-line tool call its named commands and read what
// it decided; it tells the user nothing but message boxes, and its exports take a
// request and return a report. It never calls back into whoever drives it, except the
// event hook an export runs between pieces and frames.

#include <functional>
#include <memory>

#include <QString>

#include "recording/RecordingFile.h"
#include "recording/Scanner.h"
#include "viewer/ExportReport.h"
#include "viewer/FrameDisplay.h"
#include "viewer/ScreenState.h"
#include "viewer/ViewerState.h"

// The transport row's commands, in the row's order from the left; the value is also the
// index of the button's lamp in ScreenState::shCmd.
enum class TransportCommand {
  ToStart,
  FastestBackward,
  FastBackward,
  Backward,
  StepBackward,
  Stop,
  StepForward,
  Forward,
  FastForward,
  FastestForward,
  ToEnd,
};

// The command panel's rows, top to bottom; the value is the index of the row's lamp in
// ScreenState::shIco.
enum class PanelCommand { Open, TimeCorrection, Save, Mark };

// How a search that shows what it finds ended: the Boolean searches answer true only
// for Shown.
enum class SearchResult {
  Shown,       // found, and shown (decoded and painted, or reported with decoding off)
  NotShown,    // found, but it could not be decoded; the frame's bounds point at it
  NoFrame,     // ran out of recording at either end
  ReadFailed,  // a window read failed
};

class Viewer {
 public:
  Viewer();
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  // ---- Viewer.cpp: what the viewer holds, for those who show it -----------------------
  const ScreenState& screen() const { return screen_; }
  PlayMode mode() const { return st_.mode(); }
  const ModuleValues& module() const { return module_; }
  const Scanner& scanner() const { return scanner_; }
  const RecordingFile& recording() const { return recording_; }
  FilePos FileLength() const { return recording_.length(); }
  // The decoded frame; null until the first frame needed one.
  const cDIBSection* FrameDib() const { return display_.Dib(); }
  // The file dialogs' names: the recording last chosen, the names each save offers.
  const QString& RecordingPath() const { return st_.RecordingPath; }
  // The path of the recording open now (with recording().isOpen()).
  const QString& OpenRecordingPath() const { return cdlFileName; }
  const QString& JpegFileName() const { return st_.JpegFileName; }
  const QString& MjpFileName() const { return st_.MjpFileName; }
  const QString& AviFileName() const { return st_.AviFileName; }
  // Whether FrameDib holds the successful decode of the current frame.
  bool HoldsCurrentFrame() const { return display_.Holds(scanner_.FrameStartPos()); }

  // Where frames are painted (the window's picture box); none by default.
  void SetCanvas(FrameCanvas* canvas) { display_.SetCanvas(canvas); }
  // On by default. Off: frames are found and their information shown, but not decoded
  // or painted (the walks of the command-line tool).
  void SetDecoding(bool on) { display_.SetDecoding(on); }
  // Runs between an export's pieces and frames: the window lets its events run there
  // (the stop button, repaints); the command-line tool shows progress.
  void SetDoEvents(std::function<void()> hook) { doEvents_ = std::move(hook); }

  // What the window's dialogs decided.
  void SetPowerOnMinutes(std::int16_t minutes) { module_.PowerOnMinutes = minutes; }
  void SetSaveChoice(std::uint8_t SaveKind, std::uint8_t AviSpeed);
  void SetJpegFileName(const QString& name) { st_.JpegFileName = name; }
  // Marks a sequence by file positions, as the mark command leaves them (start < end).
  void SetMarks(FilePos start, FilePos end);
  // Asks a running export to stop after the piece or frame in hand (closing the window).
  void RequestStop() { st_.StopRequested = true; }

  // ---- StartUp.cpp -----------------------------------------------------------------------
  // Start-up, in its order; the window applies its outline between the first and the
  // second call.
  void StartUpBegin();
  void StartUpState();
  void StartUpCommandLine(const QString& argumentString);
  // The whole start-up where there is no window (the command line, tests).
  void StartUp(const QString& argumentString);
  // Started for work without a window and without a recording yet: the walks and the
  // report's frames. decode false: frames are found and their information shown only.
  void StartWithoutWindow(std::int16_t powerOnMinutes, bool decode);
  // Opens path as the recording (read-only), closing the previous one; the file label
  // will show its name. On failure error holds the Polish reason.
  bool OpenRecordingFile(const QString& path, QString* error);
  // After a recording was opened: its title, its first frame, the knob, the lamps, and
  // play forward. Answers how the search for the first frame ended.
  SearchResult ShowOpenedRecording();
  // After an unexpected error in a command: playback stopped, the lamps ready; the
  // recording and the frame on screen stay. An export still running is left to finish.
  void RecoverAfterError();
  // The program ends: the recording is closed.
  void Shutdown();

  // ---- Viewer.cpp: finding and showing frames ------------------------------------------
  // Searches from window index From and shows what it finds (decoded, painted, its
  // information in the panel).
  SearchResult SearchForward(WindowIndex From);
  SearchResult SearchBackward(WindowIndex From);
  bool FindJpegF(WindowIndex From) { return SearchForward(From) == SearchResult::Shown; }
  // Positions the window at file position pos (raised to 1) with no current frame: the
  // next SearchForward(0) finds the first frame that starts there or after.
  bool SeekTo(FilePos pos) { return scanner_.SeekTo(pos); }
  bool FindJpegR(WindowIndex From) { return SearchBackward(From) == SearchResult::Shown; }
  // The box's repaint: the frame again, except with no recording or during an export.
  void picTV_Paint();

  // ---- Loupe.cpp: the magnifier over the picture box ------------------------------------
  const Loupe& loupe() const { return display_.loupe(); }
  // Magnifies factor times (1, 2, 4, 8) around a point of the box, keeping the frame
  // pixel under it there; the panel's zoom line says the factor. Not without a frame
  // nor during an export.
  void ZoomAt(int factor, QPointF boxPoint);
  // Moves the magnified picture with the pointer, held inside the frame.
  void PanBy(QPointF boxDelta);
  // Smooth scaling instead of each frame pixel as a block.
  void SetSmoothZoom(bool on);

  // ---- Transport.cpp ---------------------------------------------------------------------
  // A transport button's click. While an export runs only Stop acts: it asks the export
  // to stop.
  void Transport(TransportCommand command);
  // A transport button held down and let go: its lamp and face only.
  void PressTransport(TransportCommand command);
  void ReleaseTransport(TransportCommand command);
  // The play-or-stop key: when stopped, the play command given; when anything runs
  // (playback, an export), Stop.
  void PlayOrStop(TransportCommand play);
  void timPlay_Timer();

  // ---- Slider.cpp: the position slider and seeking --------------------------------------
  // X and Y are in twips relative to the knob or the bar; Button 1 is the left button alone.
  void imgSuwak_MouseDown(int Button, double X, double Y);
  void imgSuwak_MouseMove(int Button, double X, double Y);
  void imgSuwak_MouseUp();
  void imgBottom_MouseUp();
  // Shows exactly the frame that starts at file position start, its block read with it
  // so that the panel tells its data, and stands the knob at it; playback stops. Not
  // without a recording nor during an export (NoFrame then).
  SearchResult ShowFrameAt(FilePos start);

  // ---- CommandPanel.cpp ------------------------------------------------------------------
  // Whether a row acts: its lamp is not grey and no export runs.
  bool CommandAvailable(PanelCommand command) const;
  // The open command once the dialog chose a path (or a file was dropped): the
  // recording replaced. A failure says why, stops playback and leaves nothing of the
  // old one to read or in the title.
  void OpenCommand(const QString& chosen);
  void MarkCommand();

  // ---- SaveJpeg.cpp, SaveMjp.cpp, SaveAvi.cpp: exports ----------------------------------
  // The bytes of the frame on screen; nothing when the window holds no frame.
  std::optional<std::vector<std::uint8_t>> CurrentFrameBytes() const;
  ExportReport SaveJpeg(const JpegExportRequest& request);
  ExportReport SaveMjp(const MjpExportRequest& request);
  // The AVI conversion in two steps, so that the compressor can be chosen once the file
  // and its stream exist: OpenAvi makes them and enters the export state, and answers
  // Opened, or a final report when that failed; ConvertAvi then writes the frames with
  // the request's compressor (none: cancelled) and leaves the export state.
  ExportReport OpenAvi(const AviExportRequest& request);
  ExportReport ConvertAvi(const std::optional<AVICOMPRESSOPTIONS>& compressor);
  // Both steps with the request's compressor.
  ExportReport SaveAvi(const AviExportRequest& request);

 private:
  // Viewer.cpp
  // What a failed search calls: it takes no action, on purpose.
  void ErrorHandler() {}
  SearchResult Show(ScanResult found);
  bool ShowJpeg();
  void ShowInfo(const FrameBytes& frame);
  // Loupe.cpp
  QString ZoomLine(const QString& atOne) const;
  void SetTimer(bool enabled, int intervalMs);
  void LetEventsRun() {
    if (doEvents_) doEvents_();
  }
  // Transport.cpp
  void CmdAllUp();
  void CmdOnlyStop();
  void GoToEnd();
  void Halt();
  // Slider.cpp
  void UpdateProgresBar();
  void ShowTotalIndex();
  void SeekToWindowPos();
  // SaveMjp.cpp: the state every export runs in
  void EnterExportState();
  void LeaveExportState();
  // SaveAvi.cpp
  struct AviConversion;
  ExportReport FinishAvi(ExportReport report, bool unexpected = false);

  ViewerState st_;
  ModuleValues module_;
  ScreenState screen_;
  RecordingFile recording_;  // read-only, one at a time
  Scanner scanner_{recording_};
  FrameDisplay display_;
  QString cdlFileName;  // the file dialog's current file name: the open recording's path
  std::function<void()> doEvents_;
  std::unique_ptr<AviConversion> avi_;  // between OpenAvi and ConvertAvi
};
