#pragma once
// Whether an item came unchanged from a recording: a JPEG equal to one of its frames, an MJP
// cut equal to a stretch of its bytes, an AVI stream copy whose packets are its frames in order,
// or a report whose every SHA-256 the recording gives again. Both files are only read.

#include <optional>
#include <vector>

#include <QString>

#include "caminfo/FrameInfo.h"
#include "recording/Scanner.h"

enum class ItemKind { Jpeg, MjpCut, Avi, Report };

struct VerifiedFrame {
  int n = 0;          // frame number from 0, as the walk counts
  FilePos start = 0;  // file positions of its start marker's 0xFF and its end marker's 0xD9
  FilePos end = 0;
  FrameInfo info;  // the camera's block before it
};

struct Verification {
  ItemKind kind = ItemKind::Jpeg;
  bool verified = false;
  // JPEG: the frames it equals; MJP cut: the frames wholly inside the stretch; AVI: the frames its
  // packets equal, in order; report: the peak frames whose hashes were checked.
  std::vector<VerifiedFrame> frames;
  FilePos from = 0, to = 0;  // MJP cut: the stretch of the recording it equals (file positions, both included)
  int hashes = 0;            // report: SHA-256 sums recomputed and found equal
  QString difference;        // not verified: the first difference found, in English
};

// Why a verification could not be made: which file, and errno of its open, the position of a
// failed read, or another reason in English.
struct VerifyFailure {
  QString path;
  int openError = 0;
  FilePos readAt = 0;
  QString what;
};

// The item's kind by its name's extension (.jpg .jpeg .mjp .avi .html .htm .pdf), else by its first bytes.
ItemKind ItemKindOf(const QString& item);

// The item checked against the recording; nothing when either cannot be read (failure says why).
std::optional<Verification> VerifyItem(const QString& item, const QString& recording, VerifyFailure* failure);
