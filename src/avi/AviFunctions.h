#pragma once
// Between the AVI layer's loader and its FFmpeg module: the module's functions, behind
// the names AviFile.h declares. Programs that never write an AVI never load the module,
// and with it none of FFmpeg's libraries.

#include "avi/AviFile.h"

struct AviFunctions {
  std::vector<AviCompressor> (*compressors)();
  AviResult (*fileOpen)(PAVIFILE*, const QString&, std::uint32_t, int*);
  AviResult (*fileCreateStream)(PAVIFILE, PAVISTREAM*, const AVISTREAMINFO&);
  AviResult (*makeCompressedStream)(PAVISTREAM*, PAVISTREAM, const AVICOMPRESSOPTIONS&);
  AviResult (*streamSetFormat)(PAVISTREAM, std::int32_t, const void*, std::int32_t);
  AviResult (*streamWrite)(PAVISTREAM, std::int32_t, std::int32_t, const void*, std::int32_t, std::uint32_t);
  void (*streamRelease)(PAVISTREAM);
  int (*fileWriteError)(PAVIFILE);
  AviResult (*fileRelease)(PAVIFILE, int*);
};

// The module's file name, found beside the program's build or installed library folder.
inline constexpr const char* kAviModuleName = "libvistrel_avi_ffmpeg.so";
