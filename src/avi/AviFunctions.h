#pragma once
// Between the AVI layer's loader and its FFmpeg module: the module's functions, behind
// the names AviFile.h declares. Programs that never write an AVI never load the module,
// and with it none of FFmpeg's libraries.

#include "avi/AviFile.h"

// An AVI file opened for reading back its video packets (the stream copy's check).
struct AviReader;

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
  AviReader* (*readerOpen)(const QString&, QString*);
  int (*readerNext)(AviReader*, const std::uint8_t**, std::int64_t*, QString*);
  void (*readerClose)(AviReader*);
};

// Reading an AVI file back through FFmpeg's demuxer, the module loaded on first use as for
// writing. AviOpenReader answers null with the reason in error when the file cannot be read as
// an AVI with a video stream; AviNextPacket gives the video stream's next packet as it is
// stored (data valid until the next call): 1, then 0 at the end, or -1 with error on a read
// error. Every reader opened is closed with AviCloseReader.
AviReader* AviOpenReader(const QString& path, QString* error);
int AviNextPacket(AviReader* reader, const std::uint8_t** data, std::int64_t* size, QString* error);
void AviCloseReader(AviReader* reader);

// The module's file name, found beside the program's build or installed library folder.
inline constexpr const char* kAviModuleName = "libvistrel_avi_ffmpeg.so";
