#pragma once
// The colours of the main window's lamps and texts, packed 0x00BBGGRR (red in the
// lowest byte). Every layer names them from here; only the window turns them into pixels.

#include <cstdint>

namespace Colour {
inline constexpr std::uint32_t Grey = 0x808080;       // unavailable
inline constexpr std::uint32_t LightGrey = 0xA0A0A0;  // transport: unavailable / grey held down
inline constexpr std::uint32_t Blue = 0xCC9933;       // transport: ready
inline constexpr std::uint32_t LightCyan = 0xFFFF66;  // transport: blue held down
inline constexpr std::uint32_t Yellow = 0x00FFFF;     // transport: the running mode
inline constexpr std::uint32_t Orange = 0x0066FF;     // command available
inline constexpr std::uint32_t MarkGreen = 0x00FF00;  // mark: start set, end awaited
inline constexpr std::uint32_t Green = 0x00A000;      // battery
inline constexpr std::uint32_t Olive = 0x00C0C0;      // battery
inline constexpr std::uint32_t DarkRed = 0x0000C0;    // battery
inline constexpr std::uint32_t Red = 0x0000FF;        // speed text
inline constexpr std::uint32_t TitleGrey = 0x646464;  // title and maker's notice
}  // namespace Colour
