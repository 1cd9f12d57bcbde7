// The marked sequence as a new MJP recording: the recording's bytes from the first
// through the last position asked for, copied in pieces of 1,000,000 with a progress
// caption and a stop. Also the export state every export runs in.

#include <cmath>

#include "platform/StagedOutput.h"
#include "viewer/OutputFile.h"
#include "viewer/Viewer.h"

namespace {

constexpr std::int64_t kPiece = 1'000'000;

QString progressCaption(std::int64_t remaining, std::int64_t total) {
  const auto percent = static_cast<std::int64_t>(
      std::floor((1.0 - static_cast<double>(remaining) / static_cast<double>(total)) * 100.0));
  return QStringLiteral("Zapis sekwencji... %1%").arg(percent);
}

}  // namespace

void Viewer::EnterExportState() {
  st_.StopRequested = false;
  CmdOnlyStop();
  st_.setMode(PlayMode::Exporting);
  screen_.shIco[static_cast<int>(PanelCommand::Save)] = Colour::MarkGreen;
}

void Viewer::LeaveExportState() {
  screen_.shIco[static_cast<int>(PanelCommand::Save)] = Colour::Orange;
  st_.setMode(PlayMode::Stopped);
  CmdAllUp();
}

ExportReport Viewer::SaveMjp(const MjpExportRequest& request) {
  ExportReport report;
  StagedOutput staged(request.path);
  OutputFile out;
  if (!out.Create(staged.path())) {
    report.outcome = ExportOutcome::Failed;
    report.cause = SystemErrorText(out.error());
    return report;
  }

  EnterExportState();
  screen_.lblSaveVisible = true;
  display_.ClearBox();

  const std::int64_t total = request.to - request.from + 1;
  const std::int64_t from = request.from - 1;  // 0-based offset of the first byte
  std::int64_t remaining = total;
  std::int64_t copied = 0;  // bytes in the output
  auto piece = [&](std::int64_t offset, std::int64_t size) {
    const bool ok = out.CopyFrom(recording_, offset, size);
    if (ok) copied += size;
    staged.WriteBack();
    return ok;
  };
  auto copy = [&] {
    if (total <= 0) return false;
    if (total <= kPiece) {
      remaining = 0;
      screen_.lblSave = QStringLiteral("Zapis sekwencji... 100%");
      return piece(from, total);
    }
    bool ok = piece(from, kPiece);
    remaining = total - kPiece;
    while (ok) {
      LetEventsRun();
      const std::int64_t done = total - remaining;
      if (remaining >= kPiece) {
        ok = piece(from + done, kPiece);
        remaining -= kPiece;
        screen_.lblSave = progressCaption(remaining, total);
      } else {
        if (remaining > 0) ok = piece(from + done, remaining);
        remaining = 0;
        screen_.lblSave = QStringLiteral("Zapis sekwencji... 100%");
      }
      if (st_.StopRequested || remaining == 0) break;
    }
    return ok;
  };
  // The viewer never stays in the export state, whatever happened to the file; after an
  // error, whoever catches it tells the user.
  auto leave = [&] {
    LeaveExportState();
    screen_.lblSaveVisible = false;
  };
  bool ok = false;
  try {
    ok = copy();
  } catch (...) {
    leave();
    out.Close();
    report.outcome = ExportOutcome::Failed;
    PlaceOutput(staged, report, request.keepOnFailure);
    throw;
  }
  ok = out.Close() && ok;
  leave();
  display_.PaintAt(0, 0);
  report.written = copied;
  if (!ok) {
    report.outcome = ExportOutcome::Failed;
    report.cause = SystemErrorText(out.error());
  } else if (remaining > 0) {
    report.outcome = ExportOutcome::Stopped;
  }
  if (report.outcome != ExportOutcome::Done) report.at = request.from + copied;
  PlaceOutput(staged, report, request.keepOnFailure);
  return report;
}
