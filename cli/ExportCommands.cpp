// export-jpeg, export-mjp and export-avi: the viewer's own exports, their requests built
// from the command line and their reports said in one line and the exit status.

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QRegularExpression>

#include "BatchViewer.h"
#include "CliError.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "platform/NativeName.h"
#include "viewer/OutputFile.h"

namespace {

constexpr std::int64_t kMaxPos = std::numeric_limits<std::int64_t>::max();

// Ctrl-C during an export is the stop button, and so are SIGTERM and SIGHUP (a service
// manager stopping the run, a closed terminal): the export ends as the viewer's does.
volatile std::sig_atomic_t interrupted = 0;
extern "C" void onInterrupt(int) { interrupted = 1; }

class InterruptAsStop {
 public:
  explicit InterruptAsStop(Viewer& v) : v_(v) {
    for (std::size_t i = 0; i < kSignals.size(); ++i) previous_[i] = std::signal(kSignals[i], onInterrupt);
  }
  ~InterruptAsStop() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) std::signal(kSignals[i], previous_[i]);
  }
  void Poll() {
    if (interrupted) v_.Transport(TransportCommand::Stop);
  }

 private:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  Viewer& v_;
  std::array<void (*)(int), kSignals.size()> previous_{};
};

bool sameFile(const QString& a, const QString& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(NativeName(a).constData(), &sa) == 0 && ::stat(NativeName(b).constData(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

void CheckOutput(const QString& out, bool force, const QString& recording) {
  const QFileInfo info(out);
  if (info.isDir()) throw CliError::Failure(out, QStringLiteral("is a directory"));
  if (sameFile(out, recording))
    throw CliError::Failure(out, QStringLiteral("is the recording itself, which is never written"));
  if (info.exists() && !force) throw CliError::Failure(out, QStringLiteral("exists (use --force to replace it)"));
  const QByteArray folder = NativeName(info.absolutePath());
  if (::access(folder.constData(), W_OK | X_OK) != 0)
    throw CliError::Failure(out,
                            QStringLiteral("cannot be written: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
  if (NativeName(info.fileName()).size() > NAME_MAX)
    throw CliError::Failure(out, QStringLiteral("cannot be written: %1").arg(SystemErrorText(ENAMETOOLONG)));
}

namespace {

// The output path, checked.
QString outputPath(const BatchViewer& viewer, const CliArgs& args) {
  const QString out = args.required("-o");
  if (out.isEmpty()) throw CliError::Usage(QStringLiteral("-o needs a file name"));
  CheckOutput(out, args.flag("--force"), viewer.path());
  return out;
}

}  // namespace

void ReplaceExisting(const QString& out) {
  if (!MayReplace(out)) throw CliError::Failure(out, QStringLiteral("the existing file could not be replaced"));
}

namespace {

// --frames A:B as the marks that marking frame A, then frame B forward, sets.
void markFrames(BatchViewer& viewer, const QString& text) {
  static const QRegularExpression kRange(QStringLiteral("^([0-9]+):([0-9]+)$"));
  const QRegularExpressionMatch m = kRange.match(text);
  if (!m.hasMatch())
    throw CliError::Usage(QStringLiteral("--frames must be A:B (frame numbers from 0), not '%1'").arg(text));
  const int a = static_cast<int>(CliArgs::Number("--frames", m.captured(1), 0, std::numeric_limits<int>::max()));
  const int b = static_cast<int>(CliArgs::Number("--frames", m.captured(2), 0, std::numeric_limits<int>::max()));
  if (a == b) throw CliError::Usage(QStringLiteral("--frames %1 is a sequence of zero length").arg(text));
  if (a > b) throw CliError::Usage(QStringLiteral("--frames %1 is reversed: the first frame comes first").arg(text));
  viewer.MarkFrames(a, b);
}

// MarkStart and MarkEnd from --from/--to (file positions from 1, inclusive) or --frames.
void setMarks(BatchViewer& viewer, const CliArgs& args) {
  const auto from = args.value("--from"), to = args.value("--to"), frames = args.value("--frames");
  if (frames && (from || to)) throw CliError::Usage(QStringLiteral("give --frames or --from and --to, not both"));
  if (frames) return markFrames(viewer, *frames);
  if (!from || !to) throw CliError::Usage(QStringLiteral("give --from and --to, or --frames"));
  const std::int64_t start = CliArgs::Number("--from", *from, 1, kMaxPos);
  const std::int64_t end = CliArgs::Number("--to", *to, 1, kMaxPos);
  if (end == start) throw CliError::Usage(QStringLiteral("the range %1 to %2 is empty").arg(start).arg(end));
  if (end < start) throw CliError::Usage(QStringLiteral("the range %1 to %2 is reversed").arg(start).arg(end));
  if (end > viewer.v.FileLength())
    throw CliError::Usage(QStringLiteral("--to %1 is past the end of %2 (%3 bytes)")
                              .arg(end)
                              .arg(viewer.path())
                              .arg(viewer.v.FileLength()));
  viewer.v.SetMarks(start, end);
}

int outcome(const ExportReport& report, const QString& out) {
  switch (report.outcome) {
    case ExportOutcome::Done: return kExitDone;
    case ExportOutcome::Stopped:
      throw CliError::Failure(out, QStringLiteral("stopped; the file holds only what was written before"));
    case ExportOutcome::Undecodable:
      // The conversion ends quietly at a frame it cannot decode, as in the viewer; here
      // the rest of the range is missing, so it is said.
      throw CliError::Failure(
          out, QStringLiteral("the frame at position %1 cannot be decoded; the video ends before it").arg(report.at));
    case ExportOutcome::Failed:
    case ExportOutcome::Cancelled:
    case ExportOutcome::Opened: break;
  }
  // Nothing of a failed export is kept: the output's name holds what it held before.
  const QString because = report.cause.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(report.cause);
  throw CliError::Failure(report.file.isEmpty() ? out : report.file,
                          QStringLiteral("writing failed%1; the output was not saved").arg(because));
}

// The codec's options as the compressor dialog would fill them.
AVICOMPRESSOPTIONS compressorOptions(const CliArgs& args) {
  if (const QString why = AviModuleError(); !why.isEmpty())
    throw CliError::Failure(QStringLiteral("the AVI writer"), QStringLiteral("cannot be loaded: %1").arg(why));
  AVICOMPRESSOPTIONS o;
  o.codec = args.required("--codec");
  QStringList names;
  for (const AviCompressor& c : AviCompressors()) names << c.name;
  names << QString::fromLatin1(kCopyCompressor);
  if (!names.contains(o.codec))
    throw CliError::Usage(
        QStringLiteral("unknown codec '%1' (here: %2)").arg(o.codec, names.join(QStringLiteral(", "))));
  o.dwKeyFrameEvery =
      static_cast<std::int32_t>(CliArgs::Number("--keyint", args.value("--keyint").value_or("1"), 1, 10'000));
  if (const auto rate = args.value("--bitrate")) {
    // Bits per second, with k or M for thousands and millions; the layer takes bytes.
    static const QRegularExpression kRate(QStringLiteral("^([0-9]+)([kM]?)$"));
    const QRegularExpressionMatch m = kRate.match(*rate);
    const std::int64_t unit = m.captured(2) == "k" ? 1'000 : m.captured(2) == "M" ? 1'000'000 : 1;
    const std::int64_t bits = m.hasMatch() ? CliArgs::Number("--bitrate", m.captured(1), 0, kMaxPos / unit) * unit : -1;
    if (bits < 8 || bits / 8 > std::numeric_limits<std::int32_t>::max())
      throw CliError::Usage(
          QStringLiteral("--bitrate must be bits per second such as 800k or 2M, not '%1'").arg(*rate));
    o.dwBytesPerSecond = static_cast<std::int32_t>(bits / 8);
  }
  // As the compressor dialog does: a data rate reaches only the compressors that use one.
  bool usesDataRate = false;
  for (const AviCompressor& c : AviCompressors()) usesDataRate |= c.name == o.codec && c.usesDataRate;
  if (!usesDataRate) o.dwBytesPerSecond = 0;
  return o;
}

}  // namespace

namespace {

// --overlay with its format and place; none without --overlay (its companions alone are a usage error).
std::optional<OverlayRequest> overlayRequest(const CliArgs& args) {
  const auto text = args.value("--overlay-text"), at = args.value("--overlay-at");
  if (!args.flag("--overlay")) {
    if (text || at) throw CliError::Usage(QStringLiteral("--overlay-text and --overlay-at need --overlay"));
    return std::nullopt;
  }
  OverlayRequest overlay;
  if (text) overlay.format = *text;
  if (at && *at != QLatin1String("top") && *at != QLatin1String("bottom"))
    throw CliError::Usage(QStringLiteral("--overlay-at must be top or bottom, not '%1'").arg(*at));
  if (at) overlay.place = *at == QLatin1String("top") ? OverlayPlace::Top : OverlayPlace::Bottom;
  return overlay;
}

}  // namespace

int RunExportJpeg(const CliArgs& args) {
  const int n =
      static_cast<int>(CliArgs::Number("--frame", args.required("--frame"), 0, std::numeric_limits<int>::max()));
  const std::optional<OverlayRequest> overlay = overlayRequest(args);
  BatchViewer viewer(args.powerOnMinutes(), false);  // the export copies bytes: nothing needs decoding
  viewer.Open(args.file());
  const QString out = outputPath(viewer, args);
  if (overlay) CheckOutput(OverlayCopyPath(out), args.flag("--force"), viewer.path());
  const auto text = StartDrawing(overlay.has_value());
  viewer.GoToFrame(n);
  std::optional<std::vector<std::uint8_t>> frame = viewer.v.CurrentFrameBytes();
  ReplaceExisting(out);
  return outcome(viewer.v.SaveJpeg({out, frame ? std::move(*frame) : std::vector<std::uint8_t>(), overlay,
                                    PanelTextsOf(viewer.v.screen()), false}),
                 out);
}

int RunExportMjp(const CliArgs& args) {
  BatchViewer viewer(0, false);
  viewer.Open(args.file());
  const QString out = outputPath(viewer, args);
  setMarks(viewer, args);
  ReplaceExisting(out);
  ProgressBar bar(QStringLiteral("export-mjp"), false);
  InterruptAsStop stop(viewer.v);
  const ModuleValues& m = viewer.v.module();
  const double total = static_cast<double>(m.MarkEnd - m.MarkStart + 1);
  double copied = 0;
  viewer.v.SetDoEvents([&] {  // between pieces of 1,000,000 bytes
    bar.Update(copied += 1e6, total);
    stop.Poll();
  });
  return outcome(viewer.v.SaveMjp({out, m.MarkStart, m.MarkEnd, false}), out);
}

int RunExportAvi(const CliArgs& args) {
  const auto fps = static_cast<std::uint8_t>(CliArgs::Number("--fps", args.required("--fps"), 1, 30));
  const AVICOMPRESSOPTIONS options = compressorOptions(args);
  const std::optional<OverlayRequest> overlay = overlayRequest(args);
  if (overlay && options.codec == QLatin1String(kCopyCompressor))
    throw CliError::Usage(
        QStringLiteral("--overlay needs a codec that encodes pictures: copy writes the stored bytes"));
  const auto text = StartDrawing(overlay.has_value());
  BatchViewer viewer(args.powerOnMinutes(), false);  // marking by frame numbers needs no pictures
  viewer.Open(args.file());
  const QString out = outputPath(viewer, args);
  setMarks(viewer, args);
  viewer.ShowFirstFrameOfRange();  // the frame on screen, whose size the video takes
  ReplaceExisting(out);
  Viewer& v = viewer.v;
  const ModuleValues& m = v.module();

  ProgressBar bar(QStringLiteral("export-avi"), false);
  InterruptAsStop stop(v);
  v.SetDoEvents([&] {
    bar.Update(static_cast<double>(viewer.FrameEndPos() - m.MarkStart), static_cast<double>(m.MarkEnd - m.MarkStart));
    stop.Poll();
  });
  return outcome(v.SaveAvi({out, m.MarkStart, m.MarkEnd, fps, options, overlay, false}), out);
}
