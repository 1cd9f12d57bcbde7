// The transport row and the playback timer: eleven buttons whose lamps show the
// mode, and one timer that drives every kind of continuous playback.

#include "viewer/Prompt.h"
#include "viewer/Viewer.h"

namespace {

constexpr FilePos kFastestJump = 200'000;  // bytes per tick in the fastest modes
constexpr int kPressedFaces = 12;          // picture Index + 12 is the pressed face

int lampOf(TransportCommand c) { return static_cast<int>(c); }

}  // namespace

void Viewer::CmdAllUp() { screen_.shCmd.fill(Colour::Blue); }

void Viewer::CmdOnlyStop() {
  screen_.shCmd.fill(Colour::LightGrey);
  screen_.shCmd[lampOf(TransportCommand::Stop)] = Colour::Blue;
}

void Viewer::Halt() {
  st_.setMode(PlayMode::Stopped);
  SetTimer(false, screen_.timPlayInterval);
}

void Viewer::PressTransport(TransportCommand command) {
  const int k = lampOf(command);
  std::uint32_t& lamp = screen_.shCmd[k];
  if (lamp == Colour::Grey) {
    lamp = Colour::LightGrey;
  } else if (lamp == Colour::Blue) {
    lamp = Colour::LightCyan;
  }
  screen_.imgCmdPicture[k] = k + kPressedFaces;
}

void Viewer::ReleaseTransport(TransportCommand command) {
  const int k = lampOf(command);
  std::uint32_t& lamp = screen_.shCmd[k];
  if (lamp == Colour::LightGrey) {
    lamp = Colour::Grey;
  } else if (lamp == Colour::LightCyan) {
    lamp = Colour::Blue;
  }
  screen_.imgCmdPicture[k] = k + 1;
}

void Viewer::PlayOrStop(TransportCommand play) {
  Transport(st_.mode() == PlayMode::Stopped ? play : TransportCommand::Stop);
}

void Viewer::Transport(TransportCommand command) {
  if (st_.mode() == PlayMode::NoRecording) return;
  CmdAllUp();
  if (st_.mode() == PlayMode::Exporting) {
    // An export owns the window: the only thing a button may do is ask it to stop.
    if (command == TransportCommand::Stop) st_.StopRequested = true;
    return;
  }
  auto run = [&](PlayMode mode, int intervalMs) {
    st_.setMode(mode);
    SetTimer(true, intervalMs);
    screen_.shCmd[lampOf(command)] = Colour::Yellow;
  };
  using enum TransportCommand;
  switch (command) {
    case ToStart:
      Halt();
      scanner_.SetWindowPos(0);
      ShowTotalIndex();
      break;
    case FastestBackward: run(PlayMode::FastestBackward, kFastInterval); break;
    case FastBackward: run(PlayMode::FastBackward, kFastInterval); break;
    case Backward: run(PlayMode::Backward, kPlayInterval); break;
    case StepBackward:  // the knob stays where it was
      Halt();
      if (!FindJpegR(scanner_.FrameStart())) ErrorHandler();
      break;
    case Stop: Halt(); break;
    case StepForward:  // the knob stays where it was
      Halt();
      if (!FindJpegF(scanner_.FrameEnd())) ErrorHandler();
      break;
    case Forward: run(PlayMode::Forward, kPlayInterval); break;
    case FastForward: run(PlayMode::FastForward, kFastInterval); break;
    case FastestForward: run(PlayMode::FastestForward, kFastInterval); break;
    case ToEnd:
      Halt();
      GoToEnd();
      break;
  }
}

// The last window of the file, searched backward from its last index.
void Viewer::GoToEnd() {
  scanner_.SetFrame(kNoFrame, kNoFrame);
  scanner_.SetWindowPos(std::max<FilePos>(FileLength() - 999'998, 1));
  scanner_.ReadWindow();
  if (!FindJpegR(kWindowLast)) ErrorHandler();
  UpdateProgresBar();
}

void Viewer::timPlay_Timer() {
  switch (st_.mode()) {
    case PlayMode::NoRecording: screen_.lblFile = PromptTick(screen_.lblFile); return;
    case PlayMode::Forward:
    case PlayMode::FastForward:
      if (!FindJpegF(scanner_.FrameEnd())) ErrorHandler();
      break;
    case PlayMode::FastestForward:
      // Past the end of the file (a small file is not pinned by the seek) nothing is
      // found anyway, so the position stops growing there and cannot overflow.
      if (scanner_.WindowPos() <= FileLength()) scanner_.SetWindowPos(scanner_.WindowPos() + kFastestJump);
      ShowTotalIndex();
      break;
    case PlayMode::Backward:
    case PlayMode::FastBackward:
      if (!FindJpegR(scanner_.FrameStart())) ErrorHandler();
      break;
    case PlayMode::FastestBackward:
      scanner_.SetWindowPos(std::max<FilePos>(scanner_.WindowPos() - kFastestJump, 0));
      ShowTotalIndex();
      break;
    default:  // stopped or exporting: the knob only
      break;
  }
  UpdateProgresBar();
}
