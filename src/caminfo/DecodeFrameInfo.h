#pragma once
// Decodes the 32-byte block that lies just before a frame's start marker. It reads
// only the bytes it is given and never fails: every content gives one of the four
// kinds, and anything but 32 bytes (no block in reach) gives NoBlock.

#include <cstdint>
#include <span>
#include <string_view>

#include "caminfo/FrameInfo.h"

FrameInfo DecodeFrameInfo(std::span<const std::uint8_t> block);

// The camera's hexadecimal number rule: blanks, tabs and line feeds are removed,
// then digits are read up to the first other character; no digit gives 0.
std::uint32_t HexFieldValue(std::string_view field);
