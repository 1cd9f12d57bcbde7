// The command panel's side in the window: the open dialog, the time correction, the save
// options and each export's save dialog. The viewer decides what a row may do and runs
// the exports; the window asks the user, builds the request and shows what the report
// calls for.

#include <QFileInfo>

#include "platform/Modal.h"
#include "ui/Remembered.h"
#include "ui/SaveQuestions.h"
#include "ui/frmViewer.h"
#include "viewer/OutputFile.h"
#include "viewer/SaveOptions.h"

namespace {

const QString kOpenTitle = QStringLiteral("Wybierz plik z zapisanym obrazem");
const QString kOpenFilter = QStringLiteral(" pliki kamery R208 (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
const QString kJpegFilter = QStringLiteral("JPEG (*.JPEG,*.JPG)|*.JPEG;*.JPG|wszystkie pliki (*.*)|*.*");
const QString kMjpFilter = QStringLiteral("MJP (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
const QString kAviFilter = QStringLiteral("plik wideo (*.AVI)|*.AVI|wszystkie pliki (*.*)|*.*");

}  // namespace

QString AskSaveName(const QString& presetName, const QString& filter) {
  const QString name =
      Modal::current().saveFile({QString(), Remembered::InFolder(Remembered::SaveFolder(), presetName), filter});
  Remembered::SetSaveFolder(name);
  return name;
}

bool ConfirmReplace(const QString& path) {
  if (!QFileInfo::exists(path)) return true;
  if (!MayReplace(path)) return false;  // a folder or a device is never what a save means
  const MsgAnswer answer = Modal::current().message(
      QStringLiteral("Plik o podanej nazwie już istniej. Czy go zamienić ?"), MsgIcon::None, MsgButtons::YesNo);
  return answer == MsgAnswer::Yes;  // the export's file is moved over it once written
}

namespace {

// The camera's data on exported pictures, as the save options last said.
std::optional<OverlayRequest> OverlayChoice() {
  return Remembered::Overlay() ? std::optional(OverlayRequest{}) : std::nullopt;
}

}  // namespace

void frmViewer::imgRightCmd_Click(int Index) {
  if (Index < 0 || Index >= kCommandRows) return;
  const auto command = static_cast<PanelCommand>(Index);
  if (!core_.CommandAvailable(command)) return;
  switch (command) {
    case PanelCommand::Open: OpenCommand(); break;
    case PanelCommand::TimeCorrection: TimeCommand(); break;
    case PanelCommand::Save: SaveCommand(); break;
    case PanelCommand::Mark: core_.MarkCommand(); break;
  }
}

// The dialog offers the recording last chosen, or starts in the folder last opened from.
void frmViewer::OpenCommand() {
  const QString offered = Remembered::InFolder(Remembered::OpenFolder(), core_.RecordingPath());
  const QString chosen = Modal::current().openFile({kOpenTitle, offered, kOpenFilter});
  Remembered::SetOpenFolder(chosen);
  core_.OpenCommand(chosen);
}

void frmViewer::TimeCommand() {
  std::int16_t minutes = core_.module().PowerOnMinutes;
  dialogs_->showTime(minutes);
  core_.SetPowerOnMinutes(minutes);
}

void frmViewer::SaveCommand() {
  ModuleValues values = core_.module();
  bool overlay = Remembered::Overlay();
  dialogs_->showSaveOptions(values, overlay);
  Remembered::SetOverlay(overlay);
  core_.SetSaveChoice(values.SaveKind, values.AviSpeed);
  switch (values.SaveKind) {
    case kSaveJpeg: SaveJpegCommand(); break;
    case kSaveMjp: SaveMjpCommand(); break;
    case kSaveAvi: SaveAviCommand(); break;
    default: break;  // cancelled: bit 7 set
  }
}

void frmViewer::SaveJpegCommand() {
  const QString name = AskSaveName(core_.JpegFileName(), kJpegFilter);
  if (name.isEmpty()) return;
  core_.SetJpegFileName(name);  // offered next time, even if the user then declines to replace
  // The frame on screen now, and its panel, whatever plays on while the question waits.
  std::optional<std::vector<std::uint8_t>> frame = core_.CurrentFrameBytes();
  if (!frame) return;  // no frame inside the window: no bytes to address
  const PanelTexts panel = PanelTextsOf(core_.screen());
  if (!ConfirmReplace(name)) return;
  // A failure ends it without a message.
  core_.SaveJpeg({name, std::move(*frame), OverlayChoice(), panel});
}

void frmViewer::SaveMjpCommand() {
  const QString name = AskSaveName(core_.MjpFileName(), kMjpFilter);
  if (name.isEmpty() || !ConfirmReplace(name)) return;
  core_.SaveMjp({name, core_.module().MarkStart, core_.module().MarkEnd});  // a failure ends it without a message
}

void frmViewer::SaveAviCommand() {
  const QString name = AskSaveName(core_.AviFileName(), kAviFilter);
  if (name.isEmpty() || !ConfirmReplace(name)) return;
  const ModuleValues& m = core_.module();
  ExportReport report = core_.OpenAvi({name, m.MarkStart, m.MarkEnd, m.AviSpeed, std::nullopt, OverlayChoice()});
  if (report.outcome == ExportOutcome::Opened) {
    std::optional<AVICOMPRESSOPTIONS> chosen;
    try {
      chosen = dialogs_->chooseCompressor(AviCompressors());
    } catch (...) {
      core_.ConvertAvi(std::nullopt);  // the file and its stream released, the viewer ready
      throw;
    }
    report = core_.ConvertAvi(chosen);
  }
  if (report.aviResult != AVIERR_OK) {
    Modal::current().message(QStringLiteral("Wystapił błąd podczas tworzenia pliku !"), MsgIcon::Critical,
                             MsgButtons::Ok);
  }
}
