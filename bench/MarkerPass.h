#pragma once
// The peer of the scanner's forward walk: one memchr pass over bytes already in memory,
// pairing each FF D8 with the next FF D9 as the scanner does. No window, no file reads.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vbench {

// Calls onFrame(startIndex, endIndex) for every frame (index of the FF of FF D8, index of
// the D9 of FF D9) and answers how many there were.
template <class OnFrame>
std::int64_t MarkerPass(const std::uint8_t* data, std::size_t size, OnFrame&& onFrame) {
  if (size < 2) return 0;
  const std::size_t last = size - 1;  // a pair (i, i+1) needs i below this
  std::int64_t frames = 0;
  std::int64_t start = -1;
  std::size_t i = 0;
  while (i < last) {
    const void* hit = std::memchr(data + i, 0xFF, last - i);
    if (!hit) break;
    i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
    const std::uint8_t next = data[i + 1];
    if (next == 0xD8) {
      start = static_cast<std::int64_t>(i);
    } else if (next == 0xD9 && start != -1) {
      onFrame(start, static_cast<std::int64_t>(i + 1));
      ++frames;
      start = -1;
    }
    ++i;
  }
  return frames;
}

inline std::int64_t CountFrames(const std::uint8_t* data, std::size_t size) {
  return MarkerPass(data, size, [](std::int64_t, std::int64_t) {});
}

}  // namespace vbench
