// The frame on screen as a JPEG file: exactly its stored bytes, start marker to end
// marker, copied from the window without reading the recording again.

#include "viewer/OutputFile.h"
#include "viewer/Viewer.h"

std::optional<std::vector<std::uint8_t>> Viewer::CurrentFrameBytes() const {
  const std::optional<FrameBytes> frame = scanner_.CurrentFrame();
  if (!frame) return std::nullopt;
  return std::vector<std::uint8_t>(frame->bytes.begin(), frame->bytes.end());
}

ExportReport Viewer::SaveJpeg(const JpegExportRequest& request) {
  ExportReport report;
  // Without a frame there are no bytes to write.
  if (request.frame.empty()) {
    report.outcome = ExportOutcome::Failed;
    return report;
  }
  OutputFile out;
  const auto size = static_cast<std::int64_t>(request.frame.size());
  const bool written = out.Create(request.path) && out.Write(request.frame.data(), size);
  const bool closed = out.Close();
  if (written && closed) {
    report.written = size;
  } else {
    report.outcome = ExportOutcome::Failed;
    report.cause = SystemErrorText(out.error());
  }
  return report;
}
