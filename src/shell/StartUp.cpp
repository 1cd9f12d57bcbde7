// Start-up of the viewer's core, in the order the window runs it.

#include "platform/Clock.h"
#include "platform/Modal.h"
#include "shell/CommandLine.h"
#include "shell/Viewer.h"

void Viewer::StartUpBegin() {
  screen.lblCompany = QStringLiteral("© 2026 Vistrel");
  // FFmpeg's libraries need no global initialisation, unlike the original AVI layer.
  st.setMode(PlayMode::NoRecording);
}

void Viewer::StartUpState() {
  st.AllocateWindow();
  st.FrameStart = st.FrameEnd = -1;
  module.MarkStart = module.MarkEnd = -1;
  st.WindowPos = 1;
  screen.lblTime = Clock::now().toString(QStringLiteral("dd.MM.yyyy   HH:mm:ss"));
  for (int k = 0; k < kTransportButtons; ++k) {
    screen.imgCmdPicture[k] = k + 1;
    screen.shCmd[k] = Colour::Grey;
  }
  st.JpegFileName = QStringLiteral("Obrazek.jpeg");
  st.MjpFileName = QStringLiteral("Sekwencja.MJP");
  st.AviFileName = QStringLiteral("Sekwencja.AVI");
  module.AviSpeed = 10;
  screen.shIco[0] = Colour::Orange;
}

void Viewer::StartUpCommandLine(const QString& argumentString) {
  const std::optional<QString> path = RecordingPathFrom(argumentString);
  QString error;
  if (path) {
    cdlFileName = *path;
    // A path that cannot be opened (missing, a folder, no permission) is reported,
    // and the viewer starts idle as without a command line. Nothing is created.
    if (!OpenRecordingFile(cdlFileName, &error)) {
      Modal::current().message(error, MsgIcon::Critical, MsgButtons::Ok);
    }
  }
  if (!path || !recording.isOpen()) {
    SetTimer(true, kPromptInterval);
    return;
  }
  ShowOpenedRecording();
}
