#pragma once
// What the archive's index keeps of one recording, as plain values: its summary and one row
// per measurement frame. Filled by IndexWalk, stored and read back by ArchiveIndex.

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

// What tells a changed file from the one indexed.
struct FileStamp {
  std::int64_t size = 0;     // bytes
  std::int64_t mtimeNs = 0;  // modification time, nanoseconds since 1970 (UTC)
  bool operator==(const FileStamp&) const = default;
};

// One measurement frame, as the walk visits it.
struct MeasurementRow {
  int frame = 0;              // number from 0, as the walk counts
  std::int64_t position = 0;  // file position of its start marker, from 1
  std::int32_t seconds = 0;   // the camera's time since power-on
  int kmh = 0;                // the measured speed (0: the panel hides it)
  QString ident;              // the camera identifier in its block
};

struct RecordingSummary {
  QByteArray path;  // absolute, the bytes the file system has (no decoding step)
  FileStamp stamp;
  QByteArray sha256;  // 64 lower-case hex digits, as sha256sum prints them
  int frames = 0;
  int measurements = 0;
  std::optional<std::int32_t> firstSeconds, lastSeconds;  // camera time of the first / last measurement
  QStringList idents;                                     // identifiers seen, in order of first appearance
  std::optional<int> topKmh;                              // none without measurements
  std::optional<int> damaged;                             // frames that could not be decoded; none: not checked
};

struct IndexedRecording {
  RecordingSummary summary;
  std::vector<MeasurementRow> rows;  // in frame order
};
