#pragma once
// The largest picture any JPEG frame header (SOFn marker) in a byte string declares, in
// pixels. The fuzz targets skip inputs above a cap: a header is a handful of bytes, and
// a fuzzer that keeps declaring 30000 x 20000 pictures spends its time allocating and
// filling gigabyte surfaces instead of exploring. It over-counts rather than misses:
// any FF Cn with the right shape counts, wherever it lies.

#include <algorithm>
#include <cstddef>
#include <cstdint>

inline std::uint64_t LargestDeclaredPixels(const std::uint8_t* data, std::size_t size) {
  std::uint64_t largest = 0;
  // FF Cn, length (2), precision (1), height (2), width (2).
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF) continue;
    const std::uint8_t m = data[i + 1];
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning) are not frame headers.
    if (m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const std::uint64_t height = std::uint64_t{data[i + 5]} << 8 | data[i + 6];
    const std::uint64_t width = std::uint64_t{data[i + 7]} << 8 | data[i + 8];
    largest = std::max(largest, width * height);
  }
  return largest;
}
