// Start-up of the viewer, in the order the window runs it; opening a recording, and
// coming back from an unexpected error.

#include "platform/Clock.h"
#include "platform/Modal.h"
#include "viewer/CommandLine.h"
#include "viewer/Viewer.h"

void Viewer::StartUpBegin() {
  screen_.lblCompany = QStringLiteral("© 2026 Vistrel");
  // FFmpeg's libraries need no global initialisation, unlike the original AVI layer.
  st_.setMode(PlayMode::NoRecording);
}

void Viewer::StartUpState() {
  scanner_.AllocateWindow();
  scanner_.SetFrame(kNoFrame, kNoFrame);
  module_.MarkStart = module_.MarkEnd = -1;
  scanner_.SetWindowPos(1);
  screen_.lblTime = Clock::now().toString(QStringLiteral("dd.MM.yyyy   HH:mm:ss"));
  for (int k = 0; k < kTransportButtons; ++k) {
    screen_.imgCmdPicture[k] = k + 1;
    screen_.shCmd[k] = Colour::Grey;
  }
  st_.JpegFileName = QStringLiteral("Obrazek.jpeg");
  st_.MjpFileName = QStringLiteral("Sekwencja.MJP");
  st_.AviFileName = QStringLiteral("Sekwencja.AVI");
  module_.AviSpeed = 10;
  screen_.shIco[static_cast<int>(PanelCommand::Open)] = Colour::Orange;
}

void Viewer::StartUpCommandLine(const QString& argumentString) {
  const std::optional<QString> path = RecordingPathFrom(argumentString);
  QString error;
  if (path) {
    // A path that cannot be opened (missing, a folder, no permission) is reported,
    // and the viewer starts idle as without a command line. Nothing is created.
    if (!OpenRecordingFile(*path, &error)) {
      Modal::current().message(error, MsgIcon::Critical, MsgButtons::Ok);
    }
  }
  if (!path || !recording_.isOpen()) {
    SetTimer(true, kPromptInterval);
    return;
  }
  ShowOpenedRecording();
}

void Viewer::StartUp(const QString& argumentString) {
  StartUpBegin();
  StartUpState();
  StartUpCommandLine(argumentString);
}

void Viewer::StartWithoutWindow(std::int16_t powerOnMinutes, bool decode) {
  StartUpBegin();
  StartUpState();
  SetPowerOnMinutes(powerOnMinutes);
  SetDecoding(decode);
}

bool Viewer::OpenRecordingFile(const QString& path, QString* error) {
  cdlFileName = path;
  scanner_.Invalidate();
  return recording_.open(path, error);
}

SearchResult Viewer::ShowOpenedRecording() {
  screen_.lblFile = ShortTitle(FileTitle(cdlFileName));
  Loupe unzoomed = display_.loupe();  // a new recording starts at 1x
  unzoomed.factor = 1;
  display_.SetLoupe(unzoomed);
  scanner_.SetWindowPos(1);
  const bool read = scanner_.ReadWindow();
  const SearchResult first = SearchForward(0);
  if (first != SearchResult::Shown) ErrorHandler();
  UpdateProgresBar();
  CmdAllUp();
  for (PanelCommand c : {PanelCommand::TimeCorrection, PanelCommand::Save, PanelCommand::Mark})
    screen_.shIco[static_cast<int>(c)] = Colour::Orange;
  st_.setMode(PlayMode::Forward);
  SetTimer(true, kPlayInterval);
  screen_.shCmd[static_cast<int>(TransportCommand::Forward)] = Colour::Yellow;
  return read ? first : SearchResult::ReadFailed;
}

void Viewer::RecoverAfterError() {
  if (st_.mode() == PlayMode::NoRecording) return;
  // The exports leave their state before an error passes out of them, so an export state
  // here belongs to one still running further up the stack (the error came from an event
  // it let run): its own clean-up restores the viewer.
  if (st_.mode() == PlayMode::Exporting) return;
  Halt();
  CmdAllUp();
}

void Viewer::Shutdown() { recording_.close(); }
