#pragma once
// One walk forward through a recording with the viewer's own scanner, frame after frame as
// stepping forward finds them, nothing decoded; each frame's bytes are handed over in place.
// The recording is opened read-only; what the walk cannot open or read is answered, not thrown.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <QString>

#include "viewer/Viewer.h"

// One frame as the walk finds it.
struct PassFrame {
  int n = 0;          // from 0, as the walk counts
  FilePos start = 0;  // file position of the 0xFF of its FF D8
  FilePos end = 0;    // file position of the 0xD9 of its FF D9
  // FF D8 … FF D9, in place in the window; empty for a frame the window cannot hold (500 kB or more).
  std::span<const std::uint8_t> bytes;
  // The 32 bytes before the start marker, read from the file when the window does not reach
  // back to them; empty when the frame starts within the file's first 32 bytes.
  std::span<const std::uint8_t> block;
  std::int64_t size() const { return end - start + 1; }
};

// Why a walk could not be made: errno of the failed open, or the file position near which a read failed.
struct PassFailure {
  int openError = 0;   // errno; 0: the open went well
  FilePos readAt = 0;  // 0: no read failed
};

class FramePass {
 public:
  FramePass();
  FramePass(const FramePass&) = delete;
  FramePass& operator=(const FramePass&) = delete;

  // Opens path read-only; false (and Failure()) when it cannot be.
  bool Open(const QString& path);
  // Visits every frame once, in file order, while visit answers true; false when a read failed.
  bool Run(const std::function<bool(const PassFrame&)>& visit);

  const RecordingFile& recording() const { return v_.recording(); }
  FilePos length() const { return v_.FileLength(); }
  const PassFailure& Failure() const { return failure_; }

  // Bytes [from, from + size) of the file (from counting from 0); false when they cannot all be read.
  bool ReadAt(std::int64_t from, std::int64_t size, std::vector<std::uint8_t>& into);

 private:
  Viewer v_;
  SearchResult first_ = SearchResult::NoFrame;
  PassFailure failure_;
  std::vector<std::uint8_t> block_;  // a block read from the file
};
