#pragma once
// A small AVI writing layer with the operations and results of the classic
// AVIFile interface, built on FFmpeg's libraries. The conversion loop talks only to
// this; which encoder and muxer stand behind it is this layer's business.
//
// Results are HRESULT-like: 0 is success, anything else an error. The file is created
// (empty) by AVIFileOpen, gets its header from AVIStreamSetFormat and is complete once
// AVIFileRelease has run, whatever order the handles are released in; a file released
// before any format was set stays empty (0 bytes). Each sample reaches the disk before
// AVIStreamWrite answers, so a full disk fails the write that met it, and every one after.
// Calls come from one thread; some encoders run FFmpeg threads of their own inside a call.

#include <cstdint>
#include <vector>

#include <QString>

using AviResult = std::int32_t;
inline constexpr AviResult AVIERR_OK = 0;
// Error results, all non-zero (the classic values, so that a number in a log reads the same).
inline constexpr AviResult AVIERR_UNSUPPORTED = static_cast<AviResult>(0x80044065u);  // not video, wrong mode
inline constexpr AviResult AVIERR_BADFORMAT = static_cast<AviResult>(0x80044066u);    // format the encoder refuses
inline constexpr AviResult AVIERR_MEMORY = static_cast<AviResult>(0x80044067u);
inline constexpr AviResult AVIERR_BADPARAM = static_cast<AviResult>(0x8004406Au);   // bad header, handle, argument
inline constexpr AviResult AVIERR_BADSIZE = static_cast<AviResult>(0x8004406Bu);    // sample or format of wrong size
inline constexpr AviResult AVIERR_FILEWRITE = static_cast<AviResult>(0x8004406Eu);  // the muxer or the disk failed
inline constexpr AviResult AVIERR_FILEOPEN = static_cast<AviResult>(0x8004406Fu);
inline constexpr AviResult AVIERR_COMPRESSOR = static_cast<AviResult>(0x80044070u);    // encoder failed on a frame
inline constexpr AviResult AVIERR_NOCOMPRESSOR = static_cast<AviResult>(0x80044071u);  // no such compressor here

inline constexpr std::uint32_t OF_WRITE = 0x0001;
inline constexpr std::uint32_t OF_CREATE = 0x1000;
inline constexpr std::uint32_t AVIIF_KEYFRAME = 0x10;
inline constexpr std::uint32_t ICMF_CHOOSE_KEYFRAME = 0x0001;
inline constexpr std::uint32_t ICMF_CHOOSE_DATARATE = 0x0002;

struct AviRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The stream header (AVISTREAMINFO); every field not set stays 0.
struct AVISTREAMINFO {
  std::uint32_t fccType = 0;
  std::uint32_t fccHandler = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwCaps = 0;
  std::uint16_t wPriority = 0;
  std::uint16_t wLanguage = 0;
  std::uint32_t dwScale = 0;
  std::uint32_t dwRate = 0;  // frames per second = dwRate / dwScale
  std::uint32_t dwStart = 0;
  std::uint32_t dwLength = 0;
  std::uint32_t dwInitialFrames = 0;
  std::uint32_t dwSuggestedBufferSize = 0;
  std::uint32_t dwQuality = 0;
  std::uint32_t dwSampleSize = 0;
  AviRect rcFrame;
  std::uint32_t dwEditCount = 0;
  std::uint32_t dwFormatChangeCount = 0;
  char szName[64] = {};
};

// What the compressor dialog fills in (AVICOMPRESSOPTIONS).
struct AVICOMPRESSOPTIONS {
  QString codec;                      // a short name from AviCompressors(): "raw", "mjpeg", …
  std::int32_t dwKeyFrameEvery = 1;   // 1: every frame a key frame
  std::int32_t dwBytesPerSecond = 0;  // data rate; 0: the compressor's own sensible default
};

// One compressor the installed FFmpeg offers for AVI.
struct AviCompressor {
  QString name;         // short name, also the command line's: raw, mjpeg, ffv1, utvideo, mpeg4, h264, …
  QString description;  // Polish, for the dialog
  bool lossless = false;
  bool usesDataRate = false;  // whether a data rate means anything to it
};

// What can be chosen here, uncompressed 24-bit first (the default); nothing when the
// FFmpeg module cannot be loaded.
std::vector<AviCompressor> AviCompressors();
// Why the FFmpeg module could not be loaded (loading it on first use); empty when it was.
QString AviModuleError();

// The stream copy, for the command-line tool: not offered by AviCompressors(), but
// AVIMakeCompressedStream accepts it. The format set is the usual bitmap header (it gives
// the size); each sample written is then one whole JPEG image, of any length, stored as
// it is in a Motion JPEG stream: nothing is decoded or encoded.
inline constexpr const char* kCopyCompressor = "copy";

class AviFileHandle;    // PAVIFILE
class AviStreamHandle;  // PAVISTREAM
using PAVIFILE = AviFileHandle*;
using PAVISTREAM = AviStreamHandle*;

std::uint32_t mmioStringToFOURCCA(const char* text, std::uint32_t flags);
void SetRect(AviRect& r, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

// osError, when given, receives the system's error number when the file cannot be made.
AviResult AVIFileOpen(PAVIFILE* file, const QString& path, std::uint32_t mode, int* osError = nullptr);
AviResult AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO& info);
AviResult AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM raw, const AVICOMPRESSOPTIONS& options);
// format: a 40-byte BITMAPINFOHEADER (24-bit, uncompressed, positive height: bottom-up rows).
AviResult AVIStreamSetFormat(PAVISTREAM stream, std::int32_t position, const void* format, std::int32_t size);
// One sample: the surface's pixel memory as it lies (bottom-up BGR rows padded to 4 bytes),
// or for the stream copy one JPEG image.
AviResult AVIStreamWrite(PAVISTREAM stream, std::int32_t start, std::int32_t samples, const void* buffer,
                         std::int32_t bufferSize, std::uint32_t flags);
void AVIStreamRelease(PAVISTREAM stream);
// The system's error number of the first write to the file that failed (ENOSPC, EFBIG …);
// 0 while none has.
int AVIFileWriteError(PAVIFILE file);
// Completes the file (its index and final header) and closes it. AVIERR_FILEWRITE when
// that last writing failed, so the file is not complete; AVIERR_OK otherwise, also for a
// file that never got as far as its header. osError, when given, receives the file's
// AVIFileWriteError as it was at the end.
AviResult AVIFileRelease(PAVIFILE file, int* osError = nullptr);
