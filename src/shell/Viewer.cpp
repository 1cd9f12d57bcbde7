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

SearchResult Viewer::ShowOpenedRecording() {
  screen.lblFile = ShortTitle(FileTitle(cdlFileName));
  st.WindowPos = 1;
  const bool read = ReadWindow();
  const SearchResult first = scanner.SearchForward(0);
  if (first != SearchResult::Shown) ErrorHandler();
  UpdateProgresBar();
  CmdAllUp();
  screen.shIco[1] = screen.shIco[2] = screen.shIco[3] = Colour::Orange;
  st.setMode(PlayMode::Forward);
  SetTimer(true, kPlayInterval);
  screen.shCmd[7] = Colour::Yellow;
  return read ? first : SearchResult::ReadFailed;
}

void Viewer::RecoverAfterError() {
  if (st.mode() == PlayMode::NoRecording) return;
  // The exports leave their state before an error passes out of them, so an export state
  // here belongs to one still running further up the stack (the error came from an event
  // it let run): its own clean-up restores the viewer.
  if (st.mode() == PlayMode::Exporting) return;
  st.setMode(PlayMode::Stopped);
  SetTimer(false, screen.timPlayInterval);
  CmdAllUp();
}
