#pragma once
// One thing a recording's check found wrong, and the kinds it can be: a plain value that the
// command-line tool prints and a window can list; the frame and positions say where it is.

#include <cstdint>
#include <string_view>

#include <QString>

#include "recording/Scanner.h"

// In the order findings about one frame are listed.
enum class FindingKind {
  StrayBytes,      // bytes between two frames that belong to neither (nor to a block)
  BadBlock,        // the block before a frame is not one the camera writes, or a number in it is no number
  IdentChange,     // the camera's identifier differs from the previous block's
  TimeBackward,    // the camera's time is earlier than at the previous measurement
  TimeJump,        // the camera's time is later than the previous measurement's by more than the gap
  Undecodable,     // the frame's JPEG data cannot be decoded
  DecodedWarning,  // the frame decodes, but the decoder warned about its data
  CutShort,        // the file ends inside a frame (or inside the block before one)
};
inline constexpr int kFindingKinds = 8;

struct Finding {
  FindingKind kind = FindingKind::StrayBytes;
  // The frame concerned, numbered from 0 as the walk counts; stray bytes and a cut-short end
  // carry the number of the frame they come before (the frame count after the last frame).
  int frame = 0;
  FilePos start = 0;  // first file position concerned (from 1): the frame's start marker, the first stray byte
  FilePos end = 0;    // last file position concerned
  // The decoder's words (Undecodable, DecodedWarning); what is wrong with a block (BadBlock); how the
  // file ends (CutShort).
  QString words;
  std::int64_t secondsBefore = 0, secondsAfter = 0;  // camera seconds since power-on (TimeBackward, TimeJump)
  QString identBefore, identAfter;                   // IdentChange
};

// The kind's name as the tool prints it: "stray-bytes", "bad-block", … (stable: scripts read them).
std::string_view FindingKindName(FindingKind kind);

// What a finding says beyond its kind and place, in English: "from 'A' to 'B'", "from 120 to 95
// seconds since power-on", the decoder's words, "100 bytes".
QString FindingDetails(const Finding& f);
