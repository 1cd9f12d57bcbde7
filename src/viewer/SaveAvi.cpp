// The marked sequence converted into an AVI video: every frame decoded into the
// surface, shown with its panel data, and written as one key frame through the AVI
// layer, compressed by the compressor chosen. The stream copy (offered to the
// command-line tool only) skips the pictures: each frame's stored JPEG bytes are written.

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>
#include <stdexcept>

#include "avi/AviFile.h"
#include "platform/BackgroundJob.h"
#include "platform/StagedOutput.h"
#include "viewer/OutputFile.h"
#include "viewer/Viewer.h"

// One conversion's handles, from OpenAvi to the clean-up.
struct Viewer::AviConversion {
  AviExportRequest request;
  std::unique_ptr<StagedOutput> output;  // the file under its temporary name until the end
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr;
  PAVISTREAM compressed = nullptr;
  bool decoding = true;   // the display's setting before, restored at the end
  QString captionBefore;  // lblSave before the conversion showed its progress there
  FrameOverlay overlay;   // the camera's data on each frame, when the request asks for it
};

namespace {

// "Konwersja… 42%": how far the conversion has come, by byte position between the marks.
QString conversionCaption(FilePos reached, const AviExportRequest& r) {
  const double span = static_cast<double>(r.to - r.from + 1);
  const double done = static_cast<double>(std::clamp<FilePos>(reached - r.from + 1, 0, r.to - r.from + 1));
  const int percent = span > 0 ? static_cast<int>(done * 100.0 / span) : 100;
  return QStringLiteral("Konwersja… %1%").arg(percent);
}

// to becomes a copy of from's picture (made anew when the size differs).
void copyPicture(const cDIBSection& from, cDIBSection& to) {
  if (!to.hDib() || to.Width() != from.Width() || to.Height() != from.Height())
    if (!to.Create(from.Width(), from.Height())) throw std::bad_alloc();
  std::memcpy(to.PointerToBits(), from.PointerToBits(), from.SizeImage());
}

}  // namespace

// Here, where a conversion's handles are a complete type.
Viewer::Viewer() = default;
Viewer::~Viewer() = default;

ExportReport Viewer::OpenAvi(const AviExportRequest& request) {
  if (avi_) throw std::logic_error("an AVI conversion is open already");
  auto conversion = std::make_unique<AviConversion>();
  conversion->request = request;
  conversion->output = std::make_unique<StagedOutput>(request.path);
  conversion->decoding = display_.Decoding();
  cDIBSection& dib = display_.MakeDib();
  EnterExportState();
  avi_ = std::move(conversion);

  ExportReport report;
  report.outcome = ExportOutcome::Opened;
  try {
    int osError = 0;
    AviResult result = AVIFileOpen(&avi_->file, avi_->output->path(), OF_WRITE | OF_CREATE, &osError);
    if (result == AVIERR_OK) {
      AVISTREAMINFO header;
      header.fccType = mmioStringToFOURCCA("vids", 0);
      header.fccHandler = 0;
      header.dwScale = 1;
      header.dwRate = std::clamp<std::uint32_t>(request.fps, 1, 30);  // the header only
      header.dwSuggestedBufferSize = dib.SizeImage();
      SetRect(header.rcFrame, 0, 0, dib.Width(), dib.Height());
      result = AVIFileCreateStream(avi_->file, &avi_->raw, header);
    }
    if (result != AVIERR_OK) {
      report.aviResult = result;
      report.cause = SystemErrorText(osError);
      return FinishAvi(report);
    }
  } catch (...) {
    // An unexpected error still releases the file; the caller that catches it tells the user.
    report.outcome = ExportOutcome::Failed;
    FinishAvi(report, true);
    throw;
  }
  return report;
}

ExportReport Viewer::ConvertAvi(const std::optional<AVICOMPRESSOPTIONS>& compressor) {
  if (!avi_) throw std::logic_error("no AVI conversion is open");
  AviConversion& c = *avi_;
  const AviExportRequest& request = c.request;
  ExportReport report;
  // Steps that can fail return with the report they met.
  auto convert = [&] {
    if (!compressor) {
      report.outcome = ExportOutcome::Cancelled;  // no message follows
      return;
    }
    AviResult& result = report.aviResult;
    result = AVIMakeCompressedStream(&c.compressed, c.raw, *compressor);
    if (result != AVIERR_OK) return;
    cDIBSection& dib = display_.MakeDib();
    const std::uint8_t* format = dib.PointerToBitmapInfo();  // makes the header that SizeBitmapInfo measures
    result = AVIStreamSetFormat(c.compressed, 0, format, dib.SizeBitmapInfo());
    if (result != AVIERR_OK) return;
    const bool copy = compressor->codec == QLatin1String(kCopyCompressor);
    if (copy) display_.SetDecoding(false);  // the scanner then only reports each frame
    c.captionBefore = screen_.lblSave;
    screen_.lblSave = conversionCaption(request.from - 1, request);
    screen_.lblSaveVisible = true;

    // The first frame of the sequence starts at window index 0.
    scanner_.SetWindowPos(request.from);
    scanner_.SetFrame(0, 0);
    if (!scanner_.ReadWindow()) {
      report.outcome = ExportOutcome::Failed;
      return;
    }
    // Pipelined: frame k is written (compressed, into the file) on a helper thread from a
    // copy of its picture while this thread lets events run and finds, decodes and shows
    // frame k+1. A write counts once it has been waited for; when it failed after the viewer
    // had moved on, the viewer is put back on that frame (window, panel, picture), so that
    // the conversion ends exactly where a write made in line would have ended it.
    BackgroundJob writer;
    cDIBSection picture;  // the copy being written, the overlay laid over it
    struct Place {
      FilePos windowPos;
      WindowIndex start, end;
      ScreenState screen;
    };
    std::optional<Place> writing;  // the frame being written, while it is
    bool movedOn = false;          // the viewer has searched past it since
    auto settle = [&] {
      if (!writing) return true;
      writer.Wait();
      const Place at = *std::exchange(writing, std::nullopt);
      if (result == AVIERR_OK) {
        ++report.written;
        return true;
      }
      if (movedOn) {
        scanner_.SeekTo(at.windowPos);
        scanner_.SetFrame(at.start, at.end);
        screen_ = at.screen;
        if (const std::optional<FrameBytes> f = scanner_.CurrentFrame(); f && display_.Decode(*f))
          display_.PaintFrame();
      }
      return false;
    };
    for (;;) {
      if (scanner_.FrameEndPos() >= request.to) {  // the sequence is done
        settle();
        return;
      }
      screen_.lblSave = conversionCaption(scanner_.FrameEndPos(), request);
      LetEventsRun();
      if (st_.StopRequested) {
        if (settle()) report.outcome = ExportOutcome::Stopped;
        return;
      }
      const SearchResult found = SearchForward(scanner_.FrameEnd());
      movedOn = true;
      if (!settle()) return;
      c.output->WriteBack();
      if (found == SearchResult::NotShown) {  // the video ends before a frame it cannot show
        report.outcome = ExportOutcome::Undecodable;
        report.at = scanner_.FrameStartPos();
      }
      // No further frame, or a window that could not be read: what is written is complete.
      if (found != SearchResult::Shown) return;
      const auto n = static_cast<std::int32_t>(report.written);
      const FrameBytes frame = *scanner_.CurrentFrame();
      if (copy) {
        result = AVIStreamWrite(c.compressed, n, 1, frame.bytes.data(), static_cast<std::int32_t>(frame.bytes.size()),
                                AVIIF_KEYFRAME);
        if (result != AVIERR_OK) return;
        ++report.written;
        continue;
      }
      // The scanner's display step has just decoded this very frame into the surface
      // and painted it; decoding it again would give the same picture.
      if (!HoldsCurrentFrame()) {
        if (!display_.Decode(frame)) continue;  // skipped, no sample used
        display_.PaintFrame();
      }
      ShowInfo(frame);
      copyPicture(dib, picture);
      writing = Place{scanner_.WindowPos(), scanner_.FrameStart(), scanner_.FrameEnd(), screen_};
      movedOn = false;
      // The caption of this frame's own panel texts, laid over the written copy only (on the
      // helper thread too: the band is drawn into a picture of its own).
      std::optional<QString> caption;
      if (request.overlay) caption = OverlayCaption(request.overlay->format, PanelTextsOf(screen_));
      writer.Start([&c, &picture, &result, n, caption = std::move(caption)] {
        if (caption) c.overlay.Draw(picture, *caption, c.request.overlay->place);
        result = AVIStreamWrite(c.compressed, n, 1, picture.PointerToBits(),
                                static_cast<std::int32_t>(picture.SizeImage()), AVIIF_KEYFRAME);
      });
    }
  };
  std::exception_ptr unexpected;
  try {
    convert();
  } catch (...) {
    unexpected = std::current_exception();
  }
  report = FinishAvi(report, unexpected != nullptr);
  if (unexpected) std::rethrow_exception(unexpected);
  return report;
}

// Clean-up, in this order: the raw stream, the compressed stream, the file (then moved
// into place as the request says); then the display's setting and the export state. A
// file left incomplete is an error too (an unexpected error is told by its catcher).
ExportReport Viewer::FinishAvi(ExportReport report, bool unexpected) {
  AviConversion& c = *avi_;
  AVIStreamRelease(c.raw);
  AVIStreamRelease(c.compressed);
  int osError = 0;
  const AviResult closed = AVIFileRelease(c.file, &osError);
  if (report.aviResult == AVIERR_OK && !unexpected) report.aviResult = closed;
  display_.SetDecoding(c.decoding);
  if (screen_.lblSaveVisible) {  // the progress caption goes, its text as it was before
    screen_.lblSave = c.captionBefore;
    screen_.lblSaveVisible = false;
  }
  if (report.aviResult != AVIERR_OK) {
    report.outcome = ExportOutcome::Failed;
    if (report.cause.isEmpty()) report.cause = SystemErrorText(osError);
  }
  if (unexpected) report.outcome = ExportOutcome::Failed;  // the report goes no further than here
  PlaceOutput(*c.output, report, c.request.keepOnFailure);
  avi_.reset();
  LeaveExportState();
  return report;
}

ExportReport Viewer::SaveAvi(const AviExportRequest& request) {
  const ExportReport opened = OpenAvi(request);
  if (opened.outcome != ExportOutcome::Opened) return opened;
  return ConvertAvi(request.compressor);
}
