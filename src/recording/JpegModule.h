#pragma once
// Decodes one JPEG image held in memory straight into a bitmap surface, resized to
// the image: upright in the bottom-up rows, blue-green-red, row padding untouched.
// It reports its three failures in message boxes; it never reads past Size bytes.

#include <cstdint>
#include <vector>

class cDIBSection;

// True when decoded. A damaged but decodable image (a decoder warning) counts as
// decoded: the whole picture has been written.
// damaged, when given, tells whether the decoder warned about the data.
bool LoadJpegFromMemory(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size, bool* damaged = nullptr);

// The surface's picture encoded as a JPEG image at quality 1-100 (full colour resolution,
// so text on it stays crisp); empty when the surface is empty or encoding fails.
std::vector<std::uint8_t> EncodeJpeg(const cDIBSection& Dib, int quality);
