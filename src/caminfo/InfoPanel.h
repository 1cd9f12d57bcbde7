#pragma once
// Writes a decoded block into the information panel. Whatever a kind does not
// write stays from earlier frames (and from the previous recording).

#include <cstdint>

#include "caminfo/FrameInfo.h"
#include "shell/ScreenState.h"

void WriteInfoPanel(const FrameInfo& info, std::int16_t PowerOnMinutes, ScreenState& screen);
