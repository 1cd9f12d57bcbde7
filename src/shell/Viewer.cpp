#include "shell/Viewer.h"

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "playback/Prompt.h"

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

void Viewer::UpdateProgresBar() {
  constexpr float kKnobFrom = 22.0f, kKnobTravel = 479.0f;
  const FilePos p = st.WindowPos + st.FrameStart;
  // An empty recording has no position to show: the knob stays at the start.
  if (st.FileLength <= 0) {
    screen.imgSuwakLeft = kKnobFrom;
    return;
  }
  const auto ratio = static_cast<float>(static_cast<double>(p) / static_cast<double>(st.FileLength));
  screen.imgSuwakLeft = ratio * kKnobTravel + kKnobFrom;
}

void Viewer::CmdAllUp() { screen.shCmd.fill(Colour::Blue); }

void Viewer::timPlay_Timer() {
  switch (st.mode()) {
    case PlayMode::NoRecording:
      screen.lblFile = PromptTick(screen.lblFile);
      return;
    case PlayMode::Forward:
    case PlayMode::FastForward:
      if (!FindJpegF(st.FrameEnd)) ErrorHandler();
      break;
    case PlayMode::Backward:
    case PlayMode::FastBackward:
      if (!FindJpegR(st.FrameStart)) ErrorHandler();
      break;
    default:
      break;
  }
  UpdateProgresBar();
}
