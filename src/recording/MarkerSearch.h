#pragma once
// Finding the next or previous FF D8 / FF D9 pair in a byte buffer. Only these two
// pairs change what the scanner knows, so skipping every other byte, 0xFF included,
// gives the same frames as examining each pair in turn: JPEG data holds a 0xFF
// about every 160 bytes, and stopping at each one would bound the scan.

#include <cstdint>

// The first j in [from, to) where buf[j] is 0xFF and buf[j + 1] is 0xD8 or 0xD9; `to`
// when there is none. Reads buf[from] through buf[to].
std::int64_t NextMarkerPair(const std::uint8_t* buf, std::int64_t from, std::int64_t to);

// The last j in [0, to) where buf[j] is 0xFF and buf[j + 1] is 0xD8 or 0xD9; -1 when
// there is none. Reads buf[0] through buf[to].
std::int64_t PrevMarkerPair(const std::uint8_t* buf, std::int64_t to);
