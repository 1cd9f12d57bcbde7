#include "recording/JpegModule.h"

#include <cstring>
#include <stdexcept>

#include <turbojpeg.h>

#include "dib/cDIBSection.h"
#include "platform/Modal.h"

namespace {

// Where a failure is told: in a message box, or into the caller's words with the decoder's
// own text after it.
struct Telling {
  QString* words = nullptr;  // null: a message box
  void fail(const QString& text, const QString& decoderSaid = {}) const {
    if (!words) {
      Modal::current().message(text, MsgIcon::Warning, MsgButtons::Ok);
    } else {
      *words = decoderSaid.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, decoderSaid);
    }
  }
};

QString decoderSaid(tjhandle tj) { return QString::fromLocal8Bit(tjGetErrorStr2(tj)); }

// One decompressor is kept between frames, one per thread: every frame of playback
// comes through here on the user-interface thread, and the command-line tool walks
// recordings side by side. After a failure it is made anew, since a
// decompressor that stopped inside a header can refuse the next picture.
class Decompressor {
 public:
  ~Decompressor() { reset(); }
  tjhandle get() {
    if (!handle_) handle_ = tjInitDecompress();
    return handle_;
  }
  void reset() {
    if (handle_) tjDestroy(handle_);
    handle_ = nullptr;
  }

 private:
  tjhandle handle_ = nullptr;
};

thread_local Decompressor decompressor;

// Far beyond any camera picture (64 megapixels, a 192 MB surface).
constexpr std::int64_t kMaxPicturePixels = std::int64_t{8192} * 8192;

// libjpeg's own refusal of a picture above its dimension limit: such a header
// declares a picture no surface can hold.
bool tooBig(tjhandle tj) { return std::strstr(tjGetErrorStr2(tj), "Maximum supported image dimension") != nullptr; }

bool makeSurface(cDIBSection& Dib, int width, int height) {
  try {
    return Dib.Create(width, height);
  } catch (const std::overflow_error&) {
    // A header declaring a picture whose size overflows the surface's arithmetic
    // is refused like a surface that cannot be made: no message.
    return false;
  }
}

}  // namespace

namespace {

bool decode(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size, bool* damaged, const Telling& tell) {
  if (damaged) *damaged = false;
  tjhandle tj = decompressor.get();
  if (!tj) {
    // The decoder reports its start-up failure only as a null handle.
    tell.fail(QStringLiteral("Failed to initialise the IJL library: %1").arg(-1));
    return false;
  }

  // The header call can answer 0 without setting the size when the data ends inside
  // the tables, so the size starts at 0 and 0 x 0 counts as unreadable.
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (!Ptr || Size <= 0 ||
      tjDecompressHeader3(tj, Ptr, static_cast<unsigned long>(Size), &width, &height, &subsampling, &colourspace) !=
          0 ||
      width <= 0 || height <= 0) {
    const bool refusedForSize = tooBig(tj);
    const QString said = decoderSaid(tj);
    decompressor.reset();
    // A picture too big to hold is refused like a surface that cannot be made.
    if (!refusedForSize || tell.words) tell.fail(QStringLiteral("Failed to read JPG"), said);
    return false;
  }

  // A damaged header can declare a picture of hundreds of megapixels in a few
  // bytes; the decoder would then fill gigabytes from nothing for seconds. Such a
  // picture is refused like a surface that cannot be made.
  if (std::int64_t{width} * height > kMaxPicturePixels || !makeSurface(Dib, width, height)) {
    if (tell.words) *tell.words = QStringLiteral("No surface for a picture of %1x%2").arg(width).arg(height);
    decompressor.reset();
    return false;
  }

  // Greyscale images arrive as three equal channels: the decoder converts them.
  const int rc = tjDecompress2(tj, Ptr, static_cast<unsigned long>(Size), Dib.DIBSectionBitsPtr(), width,
                               Dib.BytesPerScanLine(), height, TJPF_BGR, TJFLAG_BOTTOMUP);
  if (rc != 0) {
    const bool warningOnly = tjGetErrorCode(tj) == TJERR_WARNING;
    const QString said = decoderSaid(tj);
    decompressor.reset();
    if (!warningOnly) {
      tell.fail(QStringLiteral("Cannot read Image Data from file."), said);
      return false;
    }
    if (tell.words) *tell.words = said;
    if (damaged) *damaged = true;
  }
  return true;
}

}  // namespace

bool LoadJpegFromMemory(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size, bool* damaged) {
  return decode(Dib, Ptr, Size, damaged, Telling{});
}

JpegDecoding DecodeJpegQuietly(cDIBSection& Dib, const std::uint8_t* Ptr, std::int32_t Size) {
  JpegDecoding d;
  d.decoded = decode(Dib, Ptr, Size, &d.damaged, Telling{&d.words});
  return d;
}

std::vector<std::uint8_t> EncodeJpeg(const cDIBSection& Dib, int quality) {
  if (!Dib.DIBSectionBitsPtr()) return {};
  tjhandle tj = tjInitCompress();
  if (!tj) return {};
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, Dib.DIBSectionBitsPtr(), Dib.Width(), Dib.BytesPerScanLine(), Dib.Height(), TJPF_BGR,
                             &out, &size, TJSAMP_444, quality, TJFLAG_BOTTOMUP);
  std::vector<std::uint8_t> jpeg;
  if (rc == 0) jpeg.assign(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return jpeg;
}
