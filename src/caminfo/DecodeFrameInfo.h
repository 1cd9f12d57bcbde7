#pragma once
// Decodes the 32-byte block that lies just before the current frame's start marker.
// It reads at most those 32 bytes, never outside the window, and never fails:
// every content gives one of the four kinds.

#include <cstdint>
#include <string_view>

#include "caminfo/FrameInfo.h"
#include "shell/ViewerState.h"

inline constexpr WindowIndex kBlockSize = 32;

FrameInfo DecodeFrameInfo(const std::uint8_t* WindowBuffer, WindowIndex FrameStart);

// The camera's hexadecimal number rule: blanks, tabs and line feeds are removed,
// then digits are read up to the first other character; no digit gives 0.
std::uint32_t HexFieldValue(std::string_view field);
