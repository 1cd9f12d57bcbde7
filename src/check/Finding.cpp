#include "check/Finding.h"

std::string_view FindingKindName(FindingKind kind) {
  switch (kind) {
    case FindingKind::StrayBytes: return "stray-bytes";
    case FindingKind::BadBlock: return "bad-block";
    case FindingKind::IdentChange: return "ident-change";
    case FindingKind::TimeBackward: return "time-backward";
    case FindingKind::TimeJump: return "time-jump";
    case FindingKind::Undecodable: return "undecodable";
    case FindingKind::DecodedWarning: return "decode-warning";
    case FindingKind::CutShort: return "cut-short";
  }
  return "unknown";
}

QString FindingDetails(const Finding& f) {
  switch (f.kind) {
    case FindingKind::IdentChange: return QStringLiteral("from '%1' to '%2'").arg(f.identBefore, f.identAfter);
    case FindingKind::TimeBackward:
    case FindingKind::TimeJump:
      return QStringLiteral("from %1 to %2 seconds since power-on").arg(f.secondsBefore).arg(f.secondsAfter);
    default: return f.words;
  }
}
