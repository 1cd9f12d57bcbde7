#include "viewer/Viewer.h"

#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"

void Viewer::SetSaveChoice(std::uint8_t SaveKind, std::uint8_t AviSpeed) {
  module_.SaveKind = SaveKind;
  module_.AviSpeed = AviSpeed;
}

void Viewer::SetMarks(FilePos start, FilePos end) {
  module_.MarkStart = start;
  module_.MarkEnd = end;
}

void Viewer::SetTimer(bool enabled, int intervalMs) {
  screen_.timPlayEnabled = enabled;
  screen_.timPlayInterval = intervalMs;
}

SearchResult Viewer::Show(ScanResult found) {
  switch (found) {
    case ScanResult::Found: return ShowJpeg() ? SearchResult::Shown : SearchResult::NotShown;
    case ScanResult::NoFrame: return SearchResult::NoFrame;
    case ScanResult::ReadFailed: break;
  }
  return SearchResult::ReadFailed;
}

SearchResult Viewer::SearchForward(WindowIndex From) { return Show(scanner_.FindForward(From)); }

SearchResult Viewer::SearchBackward(WindowIndex From) { return Show(scanner_.FindBackward(From)); }

// The current frame decoded and painted, its size and information shown; on failure the
// box, the size and the panel keep the previous frame.
bool Viewer::ShowJpeg() {
  const std::optional<FrameBytes> frame = scanner_.CurrentFrame();
  if (!frame || !display_.Show(*frame)) return false;
  if (display_.Decoding()) {
    const cDIBSection& dib = *display_.Dib();
    screen_.lblPicInfo[2] = QStringLiteral("%1x%2").arg(dib.Width()).arg(dib.Height());
  }
  ShowInfo(*frame);
  return true;
}

// The information panel from a frame's block; what the block does not write stays as it was.
void Viewer::ShowInfo(const FrameBytes& frame) {
  const PanelUpdate u = InfoPanelFor(DecodeFrameInfo(frame.block), module_.PowerOnMinutes);
  if (u.lblTime) screen_.lblTime = *u.lblTime;
  if (u.lblBattInfo) screen_.lblBattInfo = *u.lblBattInfo;
  if (u.shBatt) screen_.shBatt = *u.shBatt;
  if (u.lblInfo) screen_.lblInfo = *u.lblInfo;
  if (u.lblInfoVisible) screen_.lblInfoVisible = *u.lblInfoVisible;
  if (u.lblIdent) screen_.lblIdent = *u.lblIdent;
  if (u.timeCorrectionOff) screen_.shIco[static_cast<int>(PanelCommand::TimeCorrection)] = Colour::Grey;
  screen_.lblPicInfo[0] = u.quality;
  screen_.lblPicInfo[1] = ZoomLine(u.zoom);
}

void Viewer::picTV_Paint() {
  if (st_.mode() == PlayMode::NoRecording || st_.mode() == PlayMode::Exporting) return;
  display_.MakeDib();
  display_.PaintFrame();
}
