// The command panel at the right edge: open a recording, time correction, save, and
// mark a sequence. A grey lamp makes its row do nothing. The window asks the dialogs
// (open, time, save options) and hands their answers here.

#include "platform/Modal.h"
#include "viewer/MarkText.h"
#include "viewer/Viewer.h"

bool Viewer::CommandAvailable(PanelCommand command) const {
  // An export reads the recording and the window between frames: the panel waits.
  return screen_.shIco[static_cast<int>(command)] != Colour::Grey && st_.mode() != PlayMode::Exporting;
}

void Viewer::OpenCommand(const QString& chosen) {
  if (chosen.isEmpty()) return;  // cancelled: nothing changes
  st_.RecordingPath = chosen;
  QString error;
  if (!OpenRecordingFile(chosen, &error)) {
    // The old recording is closed already. Playback stops, and the window forgets
    // its bytes, so that nothing is read from or shown of the closed file; its name
    // leaves the title box, and the user learns why, as at start-up.
    Halt();
    CmdAllUp();
    scanner_.Clear();
    screen_.lblFile.clear();
    Modal::current().message(error, MsgIcon::Critical, MsgButtons::Ok);
    return;
  }
  ShowOpenedRecording();
}

void Viewer::MarkCommand() {
  const FilePos cur = scanner_.FrameStartPos();
  Modal& modal = Modal::current();
  std::uint32_t& lamp = screen_.shIco[static_cast<int>(PanelCommand::Mark)];
  if (lamp != Colour::MarkGreen) {
    lamp = Colour::MarkGreen;
    module_.MarkStart = cur;
    module_.MarkEnd = -1;
    return;
  }
  lamp = Colour::Orange;
  if (cur == module_.MarkStart) {
    modal.message(QStringLiteral("Wybrano sekwencję o zerowej długości !"), MsgIcon::Information, MsgButtons::Ok);
    module_.MarkStart = module_.MarkEnd = -1;
    return;
  }
  if (module_.MarkStart < cur) {
    // Forward: from the start of the first marked frame to the end of this one.
    module_.MarkEnd = scanner_.FrameEndPos();
  } else {
    // Backward: from the end of this frame to the start of the first: neither belongs.
    module_.MarkEnd = module_.MarkStart;
    module_.MarkStart = scanner_.FrameEndPos();
  }
  modal.message(QStringLiteral("Zaznaczono sekwencję o długości ") +
                    MegabytesText(module_.MarkEnd - module_.MarkStart) + QStringLiteral(" MB."),
                MsgIcon::Information, MsgButtons::Ok);
}
