#pragma once
// The exports' requests and their report. A request says everything an export needs;
// the report says how it ended. Every output is written under a temporary name and moved
// into place when the export ends, so an export cut off (killed) leaves its final name as
// it was; how it ends otherwise decides what is moved there. The window shows what a report calls for (the AVI
// error message); the command-line tool turns it into a line and its exit status.

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "avi/AviFile.h"
#include "recording/Scanner.h"
#include "viewer/FrameOverlay.h"

// The frame on screen as a JPEG file: its stored bytes, start marker to end marker.
// With an overlay, also an annotated copy beside it (OverlayCopyPath), its caption made
// from `panel`: what the panel showed when the frame was taken.
struct JpegExportRequest {
  QString path;
  std::vector<std::uint8_t> frame;
  std::optional<OverlayRequest> overlay = std::nullopt;
  PanelTexts panel = {};
  bool keepOnFailure = true;  // a write that failed leaves what it wrote (false: nothing)
};

// "klatka.jpeg" -> "klatka-opis.jpeg": where the annotated copy of a JPEG export goes.
QString OverlayCopyPath(const QString& path);

// The recording's bytes from `from` through `to` (file positions, both included).
struct MjpExportRequest {
  QString path;
  FilePos from = -1;
  FilePos to = -1;
  bool keepOnFailure = true;  // a write that failed leaves the pieces copied (false: nothing)
};

// The frames between `from` and `to` converted to an AVI video of the frame on screen's
// size, fps frames per second (held to 1-30 in the header).
struct AviExportRequest {
  QString path;
  FilePos from = -1;
  FilePos to = -1;
  std::uint8_t fps = 10;
  std::optional<AVICOMPRESSOPTIONS> compressor;  // none: the user cancelled the choice
  // Every written frame carries the caption of its own panel texts; the stream copy
  // re-encodes nothing and so carries none.
  std::optional<OverlayRequest> overlay = std::nullopt;
  bool keepOnFailure = true;  // a write that failed leaves the frames written (false: nothing)
};

enum class ExportOutcome {
  Done,         // the whole frame or sequence was written
  Stopped,      // the stop button: the output holds what was written so far
  Failed,       // a file-system or writer error, or nothing to write: the output is incomplete
  Undecodable,  // the AVI conversion met a frame it cannot decode: the video ends before it
  Cancelled,    // no compressor was chosen: the AVI file stays, without frames
  Opened,       // the AVI file and its stream are made; the conversion awaits its compressor
};

struct ExportReport {
  ExportOutcome outcome = ExportOutcome::Done;
  std::int64_t written = 0;         // bytes (JPEG; MJP in the pieces that succeeded) or frames (AVI)
  QString cause;                    // why writing failed, in the system's words; empty when unknown
  QString file;                     // the output the cause is about when it is not the request's path
  AviResult aviResult = AVIERR_OK;  // the AVI layer's result that ended the conversion
  // The file position where the export ended: the first byte not copied (MJP), the start
  // of the frame that could not be decoded (Undecodable); 0 otherwise.
  FilePos at = 0;
};
