// The transport row and the playback timer: eleven buttons whose lamps show the
// mode, and one timer that drives every kind of continuous playback.

#include "playback/Prompt.h"
#include "shell/Viewer.h"

namespace {

constexpr FilePos kFastestJump = 200'000;  // bytes per tick in the fastest modes
constexpr int kStop = 5;                   // the one button an export listens to
constexpr int kPlay = 7;
constexpr int kPressedFaces = 12;          // picture Index + 12 is the pressed face

}  // namespace

void Viewer::CmdAllUp() { screen.shCmd.fill(Colour::Blue); }

void Viewer::CmdOnlyStop() {
  screen.shCmd.fill(Colour::LightGrey);
  screen.shCmd[kStop] = Colour::Blue;
}

void Viewer::CmdAllOff() { screen.shCmd.fill(Colour::LightGrey); }

void Viewer::imgCmd_MouseDown(int Index) {
  if (Index < 0 || Index >= kTransportButtons) return;
  std::uint32_t& lamp = screen.shCmd[Index];
  if (lamp == Colour::Grey) {
    lamp = Colour::LightGrey;
  } else if (lamp == Colour::Blue) {
    lamp = Colour::LightCyan;
  }
  screen.imgCmdPicture[Index] = Index + kPressedFaces;
}

void Viewer::imgCmd_MouseUp(int Index) {
  if (Index < 0 || Index >= kTransportButtons) return;
  std::uint32_t& lamp = screen.shCmd[Index];
  if (lamp == Colour::LightGrey) {
    lamp = Colour::Grey;
  } else if (lamp == Colour::LightCyan) {
    lamp = Colour::Blue;
  }
  screen.imgCmdPicture[Index] = Index + 1;
}

void Viewer::imgCmd_Click(int Index) {
  if (st.mode() == PlayMode::NoRecording) return;
  CmdAllUp();
  if (st.mode() == PlayMode::Exporting) {
    // An export owns the window: the only thing a button may do is ask it to stop.
    if (Index == kStop) st.StopRequested = true;
    return;
  }
  auto run = [&](PlayMode mode, int intervalMs) {
    st.setMode(mode);
    SetTimer(true, intervalMs);
    screen.shCmd[Index] = Colour::Yellow;
  };
  auto halt = [&] {
    st.setMode(PlayMode::Stopped);
    SetTimer(false, screen.timPlayInterval);
  };
  switch (Index) {
    case 0:  // to start
      halt();
      st.WindowPos = 0;
      ShowTotalIndex();
      break;
    case 1: run(PlayMode::FastestBackward, kFastInterval); break;
    case 2: run(PlayMode::FastBackward, kFastInterval); break;
    case 3: run(PlayMode::Backward, kPlayInterval); break;
    case 4:  // step backward; the knob stays where it was
      halt();
      if (!FindJpegR(st.FrameStart)) ErrorHandler();
      break;
    case 5: halt(); break;
    case 6:  // step forward; the knob stays where it was
      halt();
      if (!FindJpegF(st.FrameEnd)) ErrorHandler();
      break;
    case kPlay:
      CmdAllUp();
      run(PlayMode::Forward, kPlayInterval);
      break;
    case 8: run(PlayMode::FastForward, kFastInterval); break;
    case 9: run(PlayMode::FastestForward, kFastInterval); break;
    case 10:
      halt();
      GoToEnd();
      break;
    default: break;
  }
}

// The last window of the file, searched backward from its last index.
void Viewer::GoToEnd() {
  st.FrameStart = st.FrameEnd = -1;
  st.WindowPos = std::max<FilePos>(st.FileLength - 999'998, 1);
  ReadWindow();
  if (!FindJpegR(kWindowLast)) ErrorHandler();
  UpdateProgresBar();
}

void Viewer::timPlay_Timer() {
  switch (st.mode()) {
    case PlayMode::NoRecording:
      screen.lblFile = PromptTick(screen.lblFile);
      return;
    case PlayMode::Forward:
    case PlayMode::FastForward:
      if (!FindJpegF(st.FrameEnd)) ErrorHandler();
      break;
    case PlayMode::FastestForward:
      // Past the end of the file (a small file is not pinned by the seek) nothing is
      // found anyway, so the position stops growing there and cannot overflow.
      if (st.WindowPos <= st.FileLength) st.WindowPos += kFastestJump;
      ShowTotalIndex();
      break;
    case PlayMode::Backward:
    case PlayMode::FastBackward:
      if (!FindJpegR(st.FrameStart)) ErrorHandler();
      break;
    case PlayMode::FastestBackward:
      st.WindowPos = std::max<FilePos>(st.WindowPos - kFastestJump, 0);
      ShowTotalIndex();
      break;
    default:  // stopped or exporting: the knob only
      break;
  }
  UpdateProgresBar();
}
