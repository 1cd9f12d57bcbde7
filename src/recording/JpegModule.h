#pragma once
// Decodes one JPEG image held in memory straight into a bitmap surface, resized to
// the image: upright in the bottom-up rows, blue-green-red, row padding untouched.
// It reports its three failures in message boxes; it never reads past Size bytes.

#include <cstdint>
#include <vector>

#include <QString>

class cDIBSection;

// True when decoded. A damaged but decodable image (a decoder warning) counts as
// decoded: the whole picture has been written.
// damaged, when given, tells whether the decoder warned about the data.
bool LoadJpegFromMemory(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size, bool* damaged = nullptr);

// The same decoding for callers that tell the user themselves (any thread): no message box,
// and words holds what the decoder said about a failure or a warning, empty otherwise.
struct JpegDecoding {
  bool decoded = false;  // the whole picture was written
  bool damaged = false;  // decoded, but the decoder warned about the data
  QString words;         // the failure's message with the decoder's own text; or the warning's text
};
JpegDecoding DecodeJpegQuietly(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size);

// The surface's picture encoded as a JPEG image at quality 1-100 (full colour resolution,
// so text on it stays crisp); empty when the surface is empty or encoding fails.
std::vector<std::uint8_t> EncodeJpeg(const cDIBSection& Dib, int quality);
