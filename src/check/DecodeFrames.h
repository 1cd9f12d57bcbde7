#pragma once
// Decodes many frames of one recording on several threads, each frame read from the file by
// position and decoded as the viewer decodes it; results come back in the frames' order,
// the same whatever the number of threads. Nothing is shown and nothing is written.

#include <cstdint>
#include <vector>

#include "recording/JpegModule.h"
#include "recording/RecordingFile.h"

struct FrameExtent {
  std::int64_t offset = 0;  // of its FF D8, from 0
  std::int64_t size = 0;    // through its FF D9
};

// One result per extent, in order; jobs threads (1: on the caller's thread). A frame that
// cannot be read counts as not decoded, with the read's failure in its words.
std::vector<JpegDecoding> DecodeFrames(const RecordingFile& file, const std::vector<FrameExtent>& frames, int jobs);
