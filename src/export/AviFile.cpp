// Placeholder until the FFmpeg-backed layer lands: every operation fails cleanly.
#include "export/AviFile.h"

std::vector<AviCompressor> AviCompressors() { return {}; }
std::uint32_t mmioStringToFOURCCA(const char* t, std::uint32_t) {
  return static_cast<std::uint32_t>(t[0]) | static_cast<std::uint32_t>(t[1]) << 8 |
         static_cast<std::uint32_t>(t[2]) << 16 | static_cast<std::uint32_t>(t[3]) << 24;
}
void SetRect(AviRect& r, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  r = {left, top, right, bottom};
}
AviResult AVIFileOpen(PAVIFILE*, const QString&, std::uint32_t) { return -1; }
AviResult AVIFileCreateStream(PAVIFILE, PAVISTREAM*, const AVISTREAMINFO&) { return -1; }
AviResult AVIMakeCompressedStream(PAVISTREAM*, PAVISTREAM, const AVICOMPRESSOPTIONS&) { return -1; }
AviResult AVIStreamSetFormat(PAVISTREAM, std::int32_t, const void*, std::int32_t) { return -1; }
AviResult AVIStreamWrite(PAVISTREAM, std::int32_t, std::int32_t, const void*, std::int32_t, std::uint32_t) { return -1; }
void AVIStreamRelease(PAVISTREAM) {}
void AVIFileRelease(PAVIFILE) {}
