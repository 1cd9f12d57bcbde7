// The marked sequence converted into an AVI video: every frame decoded into the
// surface, shown with its panel data, and written as one key frame through the AVI
// layer, compressed by the compressor the user picks. The stream copy (offered to the
// command-line tool only) skips the pictures: each frame's stored JPEG bytes are written.

#include <algorithm>
#include <exception>

#include "export/AviFile.h"
#include "export/OutputFile.h"
#include "platform/Modal.h"
#include "recording/JpegModule.h"
#include "shell/Viewer.h"

namespace {
const QString kAviFilter = QStringLiteral("plik wideo (*.AVI)|*.AVI|wszystkie pliki (*.*)|*.*");
}

ExportResult Viewer::SaveAvi() {
  const QString name = AskSaveName(st.AviFileName, kAviFilter);
  if (name.isEmpty()) return ExportResult::Cancelled;
  if (!ConfirmReplace(name)) return ExportResult::Cancelled;

  if (!st.FrameDib) st.FrameDib = std::make_unique<cDIBSection>();
  cDIBSection& dib = *st.FrameDib;
  EnterExportState();

  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr;
  PAVISTREAM compressed = nullptr;
  AVICOMPRESSOPTIONS options;
  AviResult result = AVIERR_OK;
  ExportResult outcome = ExportResult::Done;
  const bool decoding = display.Decoding();

  // Steps that can fail jump to the clean-up with the result they met.
  auto convert = [&] {
    result = AVIFileOpen(&file, name, OF_WRITE | OF_CREATE);
    if (result != AVIERR_OK) return;

    AVISTREAMINFO header;
    header.fccType = mmioStringToFOURCCA("vids", 0);
    header.fccHandler = 0;
    header.dwScale = 1;
    header.dwRate = std::clamp<std::uint32_t>(module.AviSpeed, 1, 30);  // the header only
    header.dwSuggestedBufferSize = dib.SizeImage();
    SetRect(header.rcFrame, 0, 0, dib.Width(), dib.Height());
    result = AVIFileCreateStream(file, &raw, header);
    if (result != AVIERR_OK) return;

    const int chosen = Modal::current().chooseCompressor(AviCompressors(), options);
    if (chosen != 1) {
      result = chosen;  // 0 when the user cancelled: no message follows
      outcome = ExportResult::Cancelled;
      return;
    }
    result = AVIMakeCompressedStream(&compressed, raw, options);
    if (result != AVIERR_OK) return;
    const std::uint8_t* format = dib.PointerToBitmapInfo();
    result = AVIStreamSetFormat(compressed, 0, format, dib.SizeBitmapInfo());
    if (result != AVIERR_OK) return;
    const bool copy = options.codec == QLatin1String(kCopyCompressor);
    if (copy) display.SetDecoding(false);  // the scanner then only reports each frame

    // The first frame of the sequence starts at window index 0.
    st.WindowPos = module.MarkStart;
    st.FrameStart = st.FrameEnd = 0;
    if (!ReadWindow()) {
      outcome = ExportResult::Failed;
      return;
    }
    for (std::int32_t n = 0;;) {
      if (st.WindowPos + st.FrameEnd >= module.MarkEnd) return;  // the sequence is done
      LetEventsRun();
      if (st.StopRequested) {
        outcome = ExportResult::Stopped;
        return;
      }
      if (!FindJpegF(st.FrameEnd)) return;  // no further frame: what is written is complete
      if (copy) {
        const auto size = static_cast<std::int32_t>(st.FrameEnd - st.FrameStart + 1);
        result = AVIStreamWrite(compressed, n, 1, st.WindowBuffer + st.FrameStart, size, AVIIF_KEYFRAME);
        if (result != AVIERR_OK) return;
        ++n;
        continue;
      }
      // The scanner's display step has just decoded this very frame into the surface
      // and painted it; decoding it again would give the same picture.
      if (!display.HoldsCurrentFrame()) {
        const auto size = static_cast<std::int32_t>(st.FrameEnd - st.FrameStart + 1);
        if (!LoadJpegFromMemory(dib, st.WindowBuffer + st.FrameStart, size)) continue;  // skipped, no sample used
        display.PaintFrame();
      }
      ShowInfo();
      result = AVIStreamWrite(compressed, n, 1, dib.PointerToBits(), static_cast<std::int32_t>(dib.SizeImage()),
                              AVIIF_KEYFRAME);
      if (result != AVIERR_OK) return;
      ++n;
    }
  };
  // An unexpected error still releases the streams and the file; the caller that
  // catches it tells the user.
  std::exception_ptr unexpected;
  try {
    convert();
  } catch (...) {
    unexpected = std::current_exception();
  }

  // Clean-up, in this order: the dialog's options (nothing to free here), the raw
  // stream, the compressed stream, the file.
  AVIStreamRelease(raw);
  AVIStreamRelease(compressed);
  const AviResult closed = AVIFileRelease(file);
  // A file left incomplete is an error too (an unexpected error is told by its catcher).
  if (result == AVIERR_OK && !unexpected) result = closed;
  display.SetDecoding(decoding);
  if (result != AVIERR_OK) {
    Modal::current().message(QStringLiteral("Wystapił błąd podczas tworzenia pliku !"), MsgIcon::Critical,
                             MsgButtons::Ok);
    outcome = ExportResult::Failed;
  }
  LeaveExportState();
  if (unexpected) std::rethrow_exception(unexpected);
  return outcome;
}
