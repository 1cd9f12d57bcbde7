#pragma once
// How fuzz_frameinfo reads its input: where the frame starts in a 1,000,000-byte window
// (which of the block's bytes lie inside it, and so how long the span handed to the
// decoder is), the power-on time, the 32-byte block, and a raw clock reading and voltage
// for the panel texts beyond what a block can hold. Missing bytes read as zero.
//
//   [0]       how FrameStart is chosen (value % 4, see Choice)
//   [1..8]    FrameStart material, little-endian
//   [9..10]   PowerOnMinutes, little-endian
//   [11..42]  the block
//   [43..46]  a raw SecondsSincePowerOn, any int32
//   [47..50]  a raw BatteryVolts, any float bit pattern

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "recording/Scanner.h"

struct FrameInfoInput {
  enum Choice : std::uint8_t {
    Small = 0,     // a signed byte: negative, zero, at and around the block size
    NearEnd = 1,   // 999,936 ... 1,000,063: the window's last bytes and just past them
    Anywhere = 2,  // 33 ... 1,000,000, spread over the window
    Raw = 3,       // the eight bytes as they are: any 64-bit value
  };
  static constexpr std::size_t kSize = 51;

  WindowIndex FrameStart = 0;
  std::int16_t PowerOnMinutes = 0;
  std::array<std::uint8_t, 32> Block{};
  std::int32_t RawSeconds = 0;
  float RawVolts = 0.0f;

  static FrameInfoInput From(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, kSize> b{};
    std::memcpy(b.data(), data, size < kSize ? size : kSize);
    FrameInfoInput in;
    std::uint64_t raw = 0;
    std::memcpy(&raw, &b[1], 8);
    switch (b[0] % 4) {
      case Small: in.FrameStart = static_cast<std::int8_t>(b[1]); break;
      case NearEnd: in.FrameStart = kWindowSize - 64 + b[1] % 128; break;
      case Anywhere: in.FrameStart = 33 + static_cast<WindowIndex>(raw % (kWindowSize - 32)); break;
      default: in.FrameStart = static_cast<WindowIndex>(raw); break;
    }
    std::memcpy(&in.PowerOnMinutes, &b[9], 2);
    std::memcpy(in.Block.data(), &b[11], 32);
    std::memcpy(&in.RawSeconds, &b[43], 4);
    std::uint32_t volts = 0;
    std::memcpy(&volts, &b[47], 4);
    in.RawVolts = std::bit_cast<float>(volts);
    return in;
  }

  // An input that chooses FrameStart the Raw way (for seeds).
  static std::vector<std::uint8_t> Bytes(WindowIndex frameStart, std::int16_t powerOnMinutes,
                                         const std::array<std::uint8_t, 32>& block) {
    std::vector<std::uint8_t> b(kSize, 0);
    b[0] = Raw;
    std::memcpy(&b[1], &frameStart, 8);
    std::memcpy(&b[9], &powerOnMinutes, 2);
    std::memcpy(&b[11], block.data(), 32);
    return b;
  }
};
