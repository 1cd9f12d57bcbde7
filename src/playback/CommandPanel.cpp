// The command panel at the right edge: open a recording, time correction, save,
// and mark a sequence. A grey lamp makes its row do nothing.

#include <QLocale>

#include "platform/Modal.h"
#include "playback/MarkText.h"
#include "shell/Viewer.h"

namespace {

enum Row { kOpen = 0, kTime = 1, kSave = 2, kMark = 3 };

const QString kOpenTitle = QStringLiteral("Wybierz plik z zapisanym obrazem");
const QString kOpenFilter = QStringLiteral(" pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");

}  // namespace

void Viewer::imgRightCmd_Click(int Index) {
  if (Index < 0 || Index >= kCommandRows || screen.shIco[Index] == Colour::Grey) return;
  // An export reads the recording and the window between frames: the panel waits.
  if (st.mode() == PlayMode::Exporting) return;
  switch (Index) {
    case kOpen: OpenCommand(); break;
    case kTime: Modal::current().showTime(module.PowerOnMinutes); break;
    case kSave: SaveCommand(); break;
    case kMark: MarkCommand(); break;
    default: break;
  }
}

void Viewer::OpenCommand() {
  const QString chosen = Modal::current().openFile({kOpenTitle, st.RecordingPath, kOpenFilter});
  if (chosen.isEmpty()) return;  // cancelled: nothing changes
  st.RecordingPath = chosen;
  cdlFileName = chosen;
  if (!OpenRecordingFile(chosen, nullptr)) {
    // The old recording is closed already. Playback stops, and the window forgets
    // its bytes, so that nothing is read from or shown of the closed file.
    st.setMode(PlayMode::Stopped);
    SetTimer(false, screen.timPlayInterval);
    CmdAllUp();
    std::fill_n(st.WindowBuffer, kWindowSize, std::uint8_t{0});
    st.WindowPos = 1;
    st.WindowAtEnd = true;
    st.FrameStart = st.FrameEnd = -1;
    return;
  }
  ShowOpenedRecording();
}

void Viewer::SaveCommand() {
  Modal::current().showSaveOptions(module);
  switch (module.SaveKind) {
    case 0: SaveJpeg(); break;
    case 1: SaveMjp(); break;
    case 2: SaveAvi(); break;
    default: break;  // cancelled: bit 7 set
  }
}

void Viewer::MarkCommand() {
  const FilePos cur = st.WindowPos + st.FrameStart;
  Modal& modal = Modal::current();
  if (screen.shIco[kMark] != Colour::MarkGreen) {
    screen.shIco[kMark] = Colour::MarkGreen;
    module.MarkStart = cur;
    module.MarkEnd = -1;
    return;
  }
  screen.shIco[kMark] = Colour::Orange;
  if (cur == module.MarkStart) {
    modal.message(QStringLiteral("Wybrano sekwencję o zerowej długości !"), MsgIcon::Information, MsgButtons::Ok);
    module.MarkStart = module.MarkEnd = -1;
    return;
  }
  if (module.MarkStart < cur) {
    // Forward: from the start of the first marked frame to the end of this one.
    module.MarkEnd = st.WindowPos + st.FrameEnd;
  } else {
    // Backward: from the end of this frame to the start of the first: neither belongs.
    module.MarkEnd = module.MarkStart;
    module.MarkStart = st.WindowPos + st.FrameEnd;
  }
  modal.message(QStringLiteral("Zaznaczono sekwencję o długości ") + MegabytesText(module.MarkEnd - module.MarkStart) +
                    QStringLiteral(" MB."),
                MsgIcon::Information, MsgButtons::Ok);
}
