#include "shell/Viewer.h"

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "shell/CommandLine.h"

Viewer::Viewer()
    : display(st, screen, [this] { ShowInfo(); }),
      scanner(st, recording, [this] { return ShowJpeg(); }) {}

bool Viewer::OpenRecordingFile(const QString& path, QString* error) {
  scanner.Invalidate();
  if (!recording.open(path, error)) {
    st.FileLength = 0;
    return false;
  }
  st.FileLength = recording.length();
  return true;
}

void Viewer::ShowInfo() {
  WriteInfoPanel(DecodeFrameInfo(st.WindowBuffer, st.FrameStart), module.PowerOnMinutes, screen);
}

void Viewer::SetTimer(bool enabled, int intervalMs) {
  screen.timPlayEnabled = enabled;
  screen.timPlayInterval = intervalMs;
}

void Viewer::ShowOpenedRecording() {
  screen.lblFile = ShortTitle(FileTitle(cdlFileName));
  st.WindowPos = 1;
  ReadWindow();
  if (!FindJpegF(0)) ErrorHandler();
  UpdateProgresBar();
  CmdAllUp();
  screen.shIco[1] = screen.shIco[2] = screen.shIco[3] = Colour::Orange;
  st.setMode(PlayMode::Forward);
  SetTimer(true, kPlayInterval);
  screen.shCmd[7] = Colour::Yellow;
}
