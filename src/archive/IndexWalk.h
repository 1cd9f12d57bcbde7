#pragma once
// What the index keeps of a recording, gathered during the walk forward that the viewer
// makes over it: the frames' records and, from the same reads, the file's SHA-256. It only
// reads what the viewer read (and the stretches its window passed between two frames).

#include <optional>
#include <vector>

#include "archive/IndexedRecording.h"
#include "platform/Sha256.h"
#include "viewer/Viewer.h"

class IndexWalk {
 public:
  // v holds the recording, opened, before the walk's first frame; stamp is the file's
  // before it was opened. decoding: the walk decodes frames, and so counts the damaged.
  IndexWalk(const Viewer& v, QByteArray path, FileStamp stamp, bool decoding);

  // After each frame the walk visits, with what the walk says of it.
  void Visit(int n, bool decoded);
  // Once the walk is over: the rest of the file hashed, and what the index keeps. Nothing
  // when a read failed, at FailedAt().
  std::optional<IndexedRecording> Finish();
  std::int64_t FailedAt() const { return failedAt_; }

 private:
  void HashWindow();
  // Reads and hashes the file up to offset end (from 0), past what the window showed.
  void HashFileUpTo(std::int64_t end);

  const Viewer& v_;
  bool decoding_;
  IndexedRecording r_;
  Sha256 hash_;
  std::int64_t hashed_ = 0;     // bytes hashed so far, from the file's start
  std::int64_t failedAt_ = -1;  // file position of a failed read; -1 none
  std::vector<std::uint8_t> readBuffer_;
};
