// check and verify: whether a recording is intact, and whether an item came unchanged from one.

#include <atomic>
#include <cerrno>
#include <cstring>

#include "CliError.h"
#include "Commands.h"
#include "FrameJson.h"
#include "ManyRecordings.h"
#include "OutputText.h"
#include "StdoutBuffer.h"
#include "check/RecordingCheck.h"
#include "check/Verification.h"

namespace {

constexpr int kExitFindings = 3;  // check: something was found; verify: not verified

QString unreadable(int openError, FilePos readAt, const QString& what) {
  if (!what.isEmpty()) return what;
  if (readAt > 0) return QStringLiteral("read error near position %1").arg(readAt);
  switch (openError) {
    case ENOENT: return QStringLiteral("no such file");
    case EISDIR: return QStringLiteral("is a directory");
    case EACCES:
    case EPERM: return QStringLiteral("permission denied");
    case EINVAL: return QStringLiteral("not a regular file");
    default: return QStringLiteral("cannot open: %1").arg(QString::fromLocal8Bit(std::strerror(openError)));
  }
}

QString kindName(FindingKind kind) { return QString::fromLatin1(FindingKindName(kind)); }

// "2 undecodable, 1 stray-bytes"
QString counted(const RecordingCheck& c) {
  QStringList parts;
  const auto counts = c.Counts();
  for (int k = 0; k < kFindingKinds; ++k)
    if (counts[static_cast<std::size_t>(k)] > 0)
      parts << QStringLiteral("%1 %2").arg(counts[static_cast<std::size_t>(k)]).arg(kindName(FindingKind(k)));
  return parts.join(QStringLiteral(", "));
}

QString verdict(const RecordingCheck& c) {
  if (c.Intact()) return QStringLiteral("intact, %1 frames").arg(c.frames);
  return QStringLiteral("%1 findings in %2 frames: %3").arg(c.findings.size()).arg(c.frames).arg(counted(c));
}

void appendText(std::string& out, const QString& path, const RecordingCheck& c) {
  for (const Finding& f : c.findings) {
    AppendShown(out, QStringLiteral("%1: frame %2, positions %3-%4: %5: %6")
                         .arg(path)
                         .arg(f.frame)
                         .arg(f.start)
                         .arg(f.end)
                         .arg(kindName(f.kind), FindingDetails(f)));
    out += '\n';
  }
  AppendShown(out, path + QStringLiteral(": ") + verdict(c));
  out += '\n';
}

void appendJson(std::string& out, const QString& path, const RecordingCheck& c) {
  out += "{\"file\":";
  AppendJsonString(out, ReversibleName(path));
  out += ",\"frames\":" + std::to_string(c.frames) + ",\"intact\":" + (c.Intact() ? "true" : "false");
  out += ",\"stray_bytes\":" + std::to_string(c.strayBytes) + ",\"counts\":{";
  const auto counts = c.Counts();
  for (int k = 0; k < kFindingKinds; ++k) {
    if (k > 0) out += ',';
    out += '"' + std::string(FindingKindName(FindingKind(k))) + "\":" + std::to_string(counts[std::size_t(k)]);
  }
  out += "},\"findings\":[";
  for (std::size_t i = 0; i < c.findings.size(); ++i) {
    const Finding& f = c.findings[i];
    if (i > 0) out += ',';
    out += "{\"frame\":" + std::to_string(f.frame) + ",\"kind\":\"" + std::string(FindingKindName(f.kind)) +
           "\",\"start\":" + std::to_string(f.start) + ",\"end\":" + std::to_string(f.end) + ",\"details\":";
    AppendJsonString(out, FindingDetails(f));
    out += '}';
  }
  out += "]}\n";
}

constexpr const char* kCsvHeader = "file,frame,kind,start,end,details\n";

void appendCsv(std::string& out, const QString& path, const RecordingCheck& c) {
  const auto row = [&](const QString& frame, const QString& kind, const QString& start, const QString& end,
                       const QString& text) {
    AppendCsvText(out, ReversibleName(path));
    out += ',' + frame.toStdString() + ',';
    AppendCsvOwnText(out, kind);
    out += ',' + start.toStdString() + ',' + end.toStdString() + ',';
    AppendCsvText(out, text);
    out += '\n';
  };
  for (const Finding& f : c.findings)
    row(QString::number(f.frame), kindName(f.kind), QString::number(f.start), QString::number(f.end),
        FindingDetails(f));
  // The recording's verdict closes its rows: kind "intact" or "findings".
  row({}, c.Intact() ? QStringLiteral("intact") : QStringLiteral("findings"), {}, {}, verdict(c));
}

// The camera's data of a frame, as the verdict names it.
QString cameraData(const FrameInfo& info) {
  switch (info.Kind) {
    case FrameKind::Measurement:
      return QStringLiteral("%1, %2 km/h, %3 seconds since power-on")
          .arg(info.Ident)
          .arg(info.SpeedKmh)
          .arg(info.SecondsSincePowerOn);
    case FrameKind::TextTime: return QStringLiteral("%1, %2").arg(info.Ident, info.TimeText);
    case FrameKind::Unrecognised: return QStringLiteral("a block of no known kind");
    case FrameKind::NoBlock: break;
  }
  return QStringLiteral("no camera block");
}

QString frameRange(const std::vector<VerifiedFrame>& frames) {
  if (frames.empty()) return QStringLiteral("no whole frame");
  if (frames.size() == 1) return QStringLiteral("frame %1").arg(frames.front().n);
  return QStringLiteral("frames %1-%2 (%3 frames)").arg(frames.front().n).arg(frames.back().n).arg(frames.size());
}

QString verifiedText(const Verification& v, const QString& item, const QString& recording) {
  switch (v.kind) {
    case ItemKind::Jpeg: {
      QStringList equal;
      for (const VerifiedFrame& f : v.frames)
        equal << QStringLiteral("frame %1 of %2 (positions %3-%4): %5")
                     .arg(f.n)
                     .arg(recording)
                     .arg(f.start)
                     .arg(f.end)
                     .arg(cameraData(f.info));
      return QStringLiteral("%1 equals %2").arg(item, equal.join(QStringLiteral("; and ")));
    }
    case ItemKind::MjpCut:
      return QStringLiteral("%1 is positions %2-%3 of %4, byte for byte: %5")
          .arg(item)
          .arg(v.from)
          .arg(v.to)
          .arg(recording, frameRange(v.frames));
    case ItemKind::Avi:
      return QStringLiteral("%1: its %2 packets are %3 of %4, in order, byte for byte")
          .arg(item)
          .arg(v.frames.size())
          .arg(frameRange(v.frames), recording);
    case ItemKind::Report: {
      QStringList peaks;
      for (const VerifiedFrame& f : v.frames) peaks << QString::number(f.n);
      return QStringLiteral("%1: its %2 SHA-256 sums are those of %3%4")
          .arg(item)
          .arg(v.hashes)
          .arg(recording, peaks.isEmpty()
                              ? QString()
                              : QStringLiteral(" and of its peak frames ") + peaks.join(QStringLiteral(", ")));
    }
  }
  return {};
}

constexpr const char* kCheckHelp =
    R"(usage: vistrel-cli check FILE|FOLDER... [--json|--csv] [--jobs N] [--gap SECONDS]

Whether each recording is intact. Its frames are found as stepping forward finds them and
every frame is decoded as the viewer decodes it; each finding gives its frame number (from
0, as 'frames' counts), the file positions it concerns (from 1) and its kind:

  stray-bytes          bytes between frames (or before the first, after the last) that belong
                       to no frame and to no frame's 32-byte block; their count
  bad-block            the block before a frame has a type tag the camera does not write, or a
                       measurement's speed, battery or time field is no hexadecimal number
  ident-change         the camera identifier differs from the previous block's
  time-backward        a measurement's camera time is earlier than the previous measurement's
  time-jump            ... later than the previous measurement's by more than --gap seconds
  undecodable          the frame cannot be decoded: the decoder's words
  decode-warning       the frame decodes, but the decoder warned about its data: its words
  cut-short            the file ends inside a frame, or inside the block before one

Each recording ends with its verdict: "intact", or the count of findings of each kind.
Exit status: 0 every recording intact, 3 a finding in any, 1 a recording that could not be read.

  --json               one JSON object per recording: file, frames, intact, stray_bytes,
                       counts (by kind), findings [{frame, kind, start, end, details}]
  --csv                file,frame,kind,start,end,details: a row per finding, then the
                       recording's verdict row (kind "intact" or "findings")
  --jobs N             threads decoding a recording's frames (default: the number of cores);
                       the findings are the same for any N. Recordings are checked in turn.
  --gap SECONDS        the largest step of the camera's time that is no jump (default 60)

Several files and folders are taken as 'frames' takes them.
)";

constexpr const char* kVerifyHelp = R"(usage: vistrel-cli verify ITEM --against RECORDING

Whether ITEM came unchanged from RECORDING. ITEM is, by its extension (else by its first bytes):

  .jpg .jpeg           a frame exported as JPEG: its bytes must equal a frame's; the frame,
                       its positions and its camera data are named
  .mjp                 an MJP cut: its bytes must equal a stretch of the recording; the
                       stretch and the frames inside it are named
  .avi                 an AVI made with --codec copy: every packet must equal a frame, the
                       frames following each other in the recording (read with FFmpeg's demuxer)
  .html .pdf           a report made by 'report' or the window: every SHA-256 in it is made
                       again from the recording (the recording's, each event's peak frame's);
                       the HTML's pictures must be the peak frames' bytes too. A PDF is read
                       through pdftotext (poppler-utils); without it a PDF cannot be verified

Exit status: 0 verified; 3 not verified, with the first difference found; 1 a file that could
not be read (or a PDF without pdftotext).
)";

int RunCheck(const CliArgs& args);
int RunVerify(const CliArgs& args);

}  // namespace

const CliCommand& CheckCommand() {
  static const CliCommand command{"check",
                                  "whether recordings are intact: every finding with its frame and position",
                                  {{"--json", false}, {"--csv", false}, {"--jobs", true}, {"--gap", true}},
                                  kCheckHelp,
                                  RunCheck};
  return command;
}

const CliCommand& VerifyCommand() {
  static const CliCommand command{"verify",
                                  "whether a JPEG, MJP cut, AVI or report came unchanged from a recording",
                                  {{"--against", true}},
                                  kVerifyHelp,
                                  RunVerify};
  return command;
}

namespace {

int RunCheck(const CliArgs& args) {
  CheckOptions options;
  options.jobs = args.jobs();
  if (const auto gap = args.value("--gap")) options.gapSeconds = CliArgs::Number("--gap", *gap, 0, 1'048'575);
  const bool json = args.flag("--json"), csv = args.flag("--csv");
  if (json && csv) throw CliError::Usage(QStringLiteral("give --json or --csv, not both"));
  const std::vector<RunItem> recordings = RecordingsNamed(args.files());
  if (csv) std::fputs(kCsvHeader, stdout);
  std::fflush(stdout);
  std::atomic<bool> found{false};
  // One recording at a time, its frames decoded on every thread asked for.
  const int status = RunEach(recordings, 1, [&](const QString& path, std::string& out) {
    PassFailure failure;
    const std::optional<RecordingCheck> c = CheckRecording(path, options, &failure);
    if (!c) throw CliError::Failure(path, unreadable(failure.openError, failure.readAt, {}));
    if (!c->Intact()) found = true;
    (json ? appendJson : csv ? appendCsv : appendText)(out, path, *c);
  });
  if (status != kExitDone) return status;
  return found ? kExitFindings : kExitDone;
}

int RunVerify(const CliArgs& args) {
  const QString recording = args.required("--against");
  const QString& item = args.file();
  VerifyFailure failure;
  const std::optional<Verification> v = VerifyItem(item, recording, &failure);
  if (!v) throw CliError::Failure(failure.path, unreadable(failure.openError, failure.readAt, failure.what));
  StdoutBuffer out;
  AppendShown(out.text, v->verified ? QStringLiteral("verified: ") + verifiedText(*v, item, recording)
                                    : QStringLiteral("not verified: %1: %2").arg(item, v->difference));
  out.text += '\n';
  out.Flush();
  return v->verified ? kExitDone : kExitFindings;
}

}  // namespace
