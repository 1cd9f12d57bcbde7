// LoadJpegFromMemory on random and mutated JPEG images, into one surface kept between
// inputs as the viewer keeps its frame surface. Checks: a decoded picture has a surface
// of its declared size laid out as the header says; a failure shows at most one message
// and a success none; and after any input, good or bad, the next good picture decodes
// (the decoder is made anew after a failure, not left stuck inside a header).

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QImage>

#include "DeclaredPictureSize.h"
#include "RecordingGenerator.h"
#include "dib/cDIBSection.h"
#include "platform/Modal.h"
#include "recording/JpegModule.h"

namespace {

// 4096 x 4096: a 48 MB surface. Anything declared larger is skipped (see DeclaredPictureSize.h).
constexpr std::uint64_t kMaxPixels = 4096ull * 4096ull;
constexpr int kGoodWidth = 24, kGoodHeight = 16;

// The decoder's warnings go through Modal: counted here, never shown.
class MessageCounter final : public Modal {
 public:
  int messages = 0;
  MsgAnswer message(const QString&, MsgIcon, MsgButtons) override {
    ++messages;
    return MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return {}; }
};

[[noreturn]] void fail(const char* why) {
  std::fprintf(stderr, "fuzz_jpeg: %s\n", why);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MessageCounter modal;
  static ModalScope scope(modal);
  static cDIBSection dib;
  static const recgen::Bytes good = recgen::EncodeScene(7, 3, kGoodWidth, kGoodHeight);
  if (LargestDeclaredPixels(data, size) > kMaxPixels) return -1;  // not kept in the corpus

  modal.messages = 0;
  const bool decoded = LoadJpegFromMemory(dib, data, static_cast<std::int32_t>(size));
  if (decoded) {
    if (modal.messages != 0) fail("a decoded picture came with a message");
    if (dib.Width() <= 0 || dib.Height() <= 0 || !dib.DIBSectionBitsPtr() || !dib.hDib())
      fail("decoded, but the surface is empty");
    if (dib.BytesPerScanLine() % 4 != 0 || dib.BytesPerScanLine() < dib.Width() * 3 ||
        dib.SizeImage() !=
            static_cast<std::uint32_t>(dib.BytesPerScanLine()) * static_cast<std::uint32_t>(dib.Height()))
      fail("the surface's layout does not match its size");
    if (dib.hdc().width() != dib.Width() || dib.hdc().height() != dib.Height())
      fail("the surface's image does not match its size");
  } else if (modal.messages > 1) {
    fail("one failure, several messages");
  }

  modal.messages = 0;
  if (!LoadJpegFromMemory(dib, good.data(), static_cast<std::int32_t>(good.size())) || dib.Width() != kGoodWidth ||
      dib.Height() != kGoodHeight || modal.messages != 0)
    fail("a good picture did not decode after this input");
  return 0;
}
