#pragma once
// File helpers shared by the benchmark programs: warming the page cache before a timed
// pass, and loading a recording whole for the in-memory peers. They abort on I/O errors:
// a benchmark with half its input measures nothing.

#include <cstdint>
#include <string>
#include <vector>

namespace vbench {

// Reads the file start to end through a small buffer, so that the pass that follows
// reads it from the page cache; answers the bytes read.
std::uint64_t WarmPageCache(const std::string& path);

// The whole file in one buffer.
std::vector<std::uint8_t> LoadWhole(const std::string& path);

// Frames in an AVI file as its header counts them (the OpenDML total when the file grew
// past its first RIFF); -1 when the file is not an AVI file that says so.
std::int64_t AviFramesIn(const std::string& path);

// Peak resident set of this process so far, in KiB.
long PeakRssKiB();

}  // namespace vbench
