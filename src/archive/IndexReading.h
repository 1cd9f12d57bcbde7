#pragma once
// One recording read for the index: opened read-only by a viewer of its own, walked forward as
// stepping forward visits it, hashed from the same reads, and checked unchanged afterwards.
// It says why a reading failed as values; whoever reads words them. It never writes the index.

#include <atomic>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>

#include "archive/IndexedRecording.h"

struct IndexReading {
  enum class Failure { None, Missing, Open, Read, Changed, Stopped };
  std::optional<IndexedRecording> recording;  // with Failure::None
  Failure failure = Failure::None;
  int error = 0;               // Missing, Open: errno of the stat or the open
  QString openError;           // Open: the reason, as the viewer says it (Polish)
  std::int64_t position = -1;  // Read: the file position near which a read failed
};

// Reads the recording at an absolute path (a name's bytes). decode: every frame is decoded and
// the damaged counted. stop, when given and set, ends the walk between two frames (Stopped).
IndexReading ReadForIndex(const QByteArray& path, bool decode, const std::atomic<bool>* stop = nullptr);
