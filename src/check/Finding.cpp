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
