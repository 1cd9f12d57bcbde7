#pragma once
// The evidence report: what a recording holds and where it went over a limit, in a form
// someone else can check against the file. The recording's name, size and SHA-256, its
// camera identifiers and first and last time, the plot, its integrity (the check's findings),
// the events, and for each event its peak frame: the picture, speed, time, identifier and the
// SHA-256 of the frame's original JPEG bytes (the bytes a JPEG export writes). Written as a
// PDF (Qt's own writer) or as one self-contained HTML file, from the same content.

#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include "check/RecordingCheck.h"
#include "viewer/SpeedEvents.h"
#include "drawing/SpeedPlot.h"

struct ReportPeak {
  SpeedEvent event;
  FrameRecord frame;     // the peak frame
  QByteArray jpeg;       // its original bytes
  QString sha256;        // of those bytes, lower-case hexadecimal
  QImage picture;        // decoded; null when it cannot be decoded
  bool damaged = false;  // the decoder reported its data damaged (or could not decode it)
};

struct EvidenceReport {
  QString path;
  qint64 size = 0;
  QString sha256;  // of the whole recording
  QStringList idents;
  QString firstTime, lastTime;
  QDateTime modified;  // the recording's last change, as the file system keeps it
  QDateTime made;      // when the report was gathered
  int limitKmh = 0;
  std::int16_t powerOnMinutes = 0;
  std::vector<FrameRecord> frames;
  std::vector<SpeedEvent> events;
  std::vector<ReportPeak> peaks;  // one per event, in its order
  RecordingCheck check;           // the recording's integrity: what its check found
};

// A run of frames or of times as one text: "910–916", or "916" when it starts where it ends.
QString EventSpan(const QString& first, const QString& last);

// A finding's kind as the report and the overview name it: "Stray bytes", "Bajty poza klatkami".
QString FindingKindTitle(FindingKind kind, TextLanguage language);
// What a finding says beyond its kind and place: a count of bytes, the times, the decoder's words.
QString FindingDetails(const Finding& finding, TextLanguage language);

// Gathers the report of a recording whose walk gave frames: nothing, with the reason,
// when it cannot be read. check: the recording's check when it was made already; without
// it the recording is checked here, on every core. The recording is opened read-only.
std::optional<EvidenceReport> GatherEvidence(const QString& path, std::vector<FrameRecord> frames, int limitKmh,
                                             std::int16_t powerOnMinutes, QString* error,
                                             std::optional<RecordingCheck> check = std::nullopt);

// The report as HTML: pictures inline (self-contained), or named by resource names
// ("plot", "frame-N") for a document that is given them.
QString EvidenceHtml(const EvidenceReport& report, TextLanguage language, bool selfContained);

// Writes the report as a PDF or an HTML file, by the name's extension (any case);
// false with the reason otherwise.
bool WriteEvidenceReport(const EvidenceReport& report, const QString& path, TextLanguage language, QString* error);
