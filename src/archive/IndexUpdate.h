#pragma once
// One recording brought up to date in the index, by whichever indexer gets to it first: claimed,
// read (IndexReading), stored; forgotten when it can no longer be read. The command line's index
// and the archive window's background reading both go through it.

#include <atomic>

#include <QByteArray>
#include <QString>

#include "archive/ArchiveIndex.h"
#include "archive/IndexReading.h"

struct IndexUpdate {
  enum class Result {
    Stored,       // read and stored
    Current,      // another indexer stored it as it is meanwhile: not read
    Held,         // another indexer still running is reading it: left to it
    Unread,       // it could not be read (reading.failure says why); the index no longer holds it
    Stopped,      // the stop was asked for; the index holds what it held
    IndexFailed,  // the index could not be written: error
  };
  Result result = Result::Stored;
  IndexReading reading;  // Stored, Unread
  QString holder;        // Held: "host pid"
  QString error;         // IndexFailed
};

// Brings what index holds of the recording at path (absolute, a name's bytes) up to date.
// decode: every frame decoded, the damaged counted; stop: as for ReadForIndex.
IndexUpdate UpdateIndex(ArchiveIndex& index, const QByteArray& path, bool decode,
                        const std::atomic<bool>* stop = nullptr);
