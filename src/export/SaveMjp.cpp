// The marked sequence as a new MJP recording: the recording's bytes from MarkStart
// through MarkEnd, copied in pieces of 1,000,000 with a progress caption and a stop.

#include <cmath>

#include "export/OutputFile.h"
#include "shell/Viewer.h"

namespace {

const QString kMjpFilter = QStringLiteral("MJP (*.MJP)|*.MJP|wszystkie pliki (*.*)|*.*");
constexpr std::int64_t kPiece = 1'000'000;

QString progressCaption(std::int64_t remaining, std::int64_t total) {
  const auto percent = static_cast<std::int64_t>(
      std::floor((1.0 - static_cast<double>(remaining) / static_cast<double>(total)) * 100.0));
  return QStringLiteral("Zapis sekwencji... %1%").arg(percent);
}

}  // namespace

void Viewer::EnterExportState() {
  st.StopRequested = false;
  CmdOnlyStop();
  st.setMode(PlayMode::Exporting);
  screen.shIco[2] = Colour::MarkGreen;
}

void Viewer::LeaveExportState() {
  screen.shIco[2] = Colour::Orange;
  st.setMode(PlayMode::Stopped);
  CmdAllUp();
}

ExportResult Viewer::SaveMjp() {
  const QString name = AskSaveName(st.MjpFileName, kMjpFilter);
  if (name.isEmpty()) return ExportResult::Cancelled;
  if (!ConfirmReplace(name)) return ExportResult::Cancelled;
  OutputFile out;
  if (!out.Create(name)) return ExportResult::Failed;

  EnterExportState();
  screen.lblSaveVisible = true;
  display.ClearBox();

  const std::int64_t total = module.MarkEnd - module.MarkStart + 1;
  const std::int64_t from = module.MarkStart - 1;  // 0-based offset of the first byte
  std::int64_t remaining = total;
  auto copy = [&] {
    if (total <= 0) return false;
    if (total <= kPiece) {
      remaining = 0;
      screen.lblSave = QStringLiteral("Zapis sekwencji... 100%");
      return out.CopyFrom(recording, from, total);
    }
    bool ok = out.CopyFrom(recording, from, kPiece);
    remaining = total - kPiece;
    while (ok) {
      LetEventsRun();
      const std::int64_t done = total - remaining;
      if (remaining >= kPiece) {
        ok = out.CopyFrom(recording, from + done, kPiece);
        remaining -= kPiece;
        screen.lblSave = progressCaption(remaining, total);
      } else {
        if (remaining > 0) ok = out.CopyFrom(recording, from + done, remaining);
        remaining = 0;
        screen.lblSave = QStringLiteral("Zapis sekwencji... 100%");
      }
      if (st.StopRequested || remaining == 0) break;
    }
    return ok;
  };
  // The viewer never stays in the export state, whatever happened to the file; after an
  // error, whoever catches it tells the user.
  auto leave = [&] {
    LeaveExportState();
    screen.lblSaveVisible = false;
  };
  bool ok = false;
  try {
    ok = copy();
  } catch (...) {
    leave();
    throw;
  }
  ok = out.Close() && ok;
  leave();
  display.PaintAt(0, 0);
  if (!ok) return ExportResult::Failed;
  return remaining > 0 ? ExportResult::Stopped : ExportResult::Done;
}
