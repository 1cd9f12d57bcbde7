// The frame on screen as a JPEG file: exactly its stored bytes, start marker to end
// marker, copied from the window without reading the recording again. On request, an
// annotated copy beside it: the frame decoded, the camera's data laid over it, encoded
// anew at quality 95.

#include <cerrno>

#include <QDir>
#include <QFileInfo>

#include "dib/cDIBSection.h"
#include "platform/StagedOutput.h"
#include "recording/JpegModule.h"
#include "viewer/OutputFile.h"
#include "viewer/Viewer.h"

namespace {

constexpr int kAnnotatedQuality = 95;

// Writes bytes as the file under its temporary name; the system's error, 0 on success.
int writeFile(const StagedOutput& staged, const std::vector<std::uint8_t>& bytes) {
  OutputFile out;
  const bool written = out.Create(staged.path()) && out.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  const bool closed = out.Close();
  return written && closed ? 0 : (out.error() ? out.error() : EIO);
}

}  // namespace

QString OverlayCopyPath(const QString& path) {
  const QFileInfo f(path);
  const QString suffix = f.suffix().isEmpty() ? QString() : QLatin1Char('.') + f.suffix();
  return f.dir().filePath(f.completeBaseName() + QStringLiteral("-opis") + suffix);
}

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
  StagedOutput original(request.path);
  if (const int error = writeFile(original, request.frame)) {
    report.outcome = ExportOutcome::Failed;
    report.cause = SystemErrorText(error);
    PlaceOutput(original, report, request.keepOnFailure);
    return report;
  }
  report.written = static_cast<std::int64_t>(request.frame.size());
  if (!request.overlay) {
    PlaceOutput(original, report, request.keepOnFailure);
    return report;
  }

  // The annotated copy: the original is moved into place with it, or (a request that keeps
  // nothing of a failure) neither is.
  cDIBSection picture;
  std::vector<std::uint8_t> annotated;
  if (LoadJpegFromMemory(picture, request.frame.data(), static_cast<std::int32_t>(request.frame.size()))) {
    FrameOverlay().Draw(picture, OverlayCaption(request.overlay->format, request.panel), request.overlay->place);
    annotated = EncodeJpeg(picture, kAnnotatedQuality);
  }
  StagedOutput copy(OverlayCopyPath(request.path));
  if (annotated.empty()) {  // the original stands; its copy cannot be made
    report.outcome = ExportOutcome::Failed;
    report.cause = QStringLiteral("the frame cannot be decoded for its annotated copy");
    report.file = copy.finalPath();
    copy.Abandon();
  } else if (const int error = writeFile(copy, annotated)) {
    report.outcome = ExportOutcome::Failed;
    report.cause = SystemErrorText(error);
    report.file = copy.finalPath();
  }
  PlaceOutput(original, report, request.keepOnFailure);
  PlaceOutput(copy, report, request.keepOnFailure);
  return report;
}
