// A report made by the project: every SHA-256 in it made again from the recording — the
// recording's own, and each event's peak frame's (of the bytes export-jpeg writes). The HTML
// report is read as it is, its pictures compared with the frames too; a PDF's text is compressed
// and its fonts subset, so it is read through pdftotext (poppler-utils) when that is installed.

#include <algorithm>
#include <cstring>
#include <map>

#include <QCryptographicHash>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "check/VerifySteps.h"

namespace {

constexpr std::int64_t kHashPiece = 1 << 20;
constexpr int kPdfTextTimeoutMs = 120'000;

// What the report says of one event's peak frame.
struct PeakClaim {
  int event = 0;
  int frame = 0;
  QString sha256;                     // empty when the report gives none
  std::optional<QByteArray> picture;  // the HTML's picture of it, its bytes
};

struct Claims {
  QString recordingSha256;  // empty when the report gives none before its events
  std::vector<PeakClaim> peaks;
  QStringList unexplained;  // SHA-256 sums tied to neither
};

// The report's text in reading order: tokens are found by their own shape, in either language.
Claims claimsIn(const QString& text) {
  static const QRegularExpression token(
      QStringLiteral("(?:Event|Zdarzenie)\\s+(\\d+):\\s+(?:frame|klatka)\\s+(\\d+)"  // an event's heading
                     "|data:image/jpeg;base64,([A-Za-z0-9+/=]+)"                     // its picture
                     "|data:[^\"'\\s)]*"                                             // other embedded data: not read
                     "|(?<![0-9A-Za-z])([0-9a-fA-F]{64})(?![0-9A-Za-z])"));          // a SHA-256
  Claims c;
  for (auto it = token.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.hasCaptured(1)) {
      c.peaks.push_back({m.captured(1).toInt(), m.captured(2).toInt(), {}, {}});
    } else if (m.hasCaptured(3)) {
      if (!c.peaks.empty() && !c.peaks.back().picture)
        c.peaks.back().picture = QByteArray::fromBase64(m.captured(3).toLatin1());
    } else if (m.hasCaptured(4)) {
      const QString sha = m.captured(4).toLower();
      if (c.peaks.empty() && c.recordingSha256.isEmpty()) {
        c.recordingSha256 = sha;
      } else if (!c.peaks.empty() && c.peaks.back().sha256.isEmpty()) {
        c.peaks.back().sha256 = sha;
      } else {
        c.unexplained << sha;
      }
    }
  }
  return c;
}

// The text of a PDF, through pdftotext; nothing with failure filled when it cannot be had.
std::optional<QString> pdfText(const QString& path, VerifyFailure* failure) {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  const auto fail = [&](const QString& what) {
    if (failure) *failure = {path, 0, 0, what};
    return std::nullopt;
  };
  if (program.isEmpty())
    return fail(
        QStringLiteral("a PDF report is read through pdftotext (poppler-utils), which is not installed; "
                       "verify the HTML report instead"));
  QProcess p;
  p.start(program, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                    QFileInfo(path).absoluteFilePath(), QStringLiteral("-")});
  if (!p.waitForFinished(kPdfTextTimeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    p.kill();
    p.waitForFinished();
    return fail(QStringLiteral("pdftotext cannot read it: %1")
                    .arg(QString::fromLocal8Bit(p.readAllStandardError()).simplified()));
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

std::optional<QString> fileSha256(FramePass& pass, const QString& path, VerifyFailure* failure) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  std::vector<std::uint8_t> piece;
  for (std::int64_t at = 0; at < pass.length(); at += kHashPiece) {
    const std::int64_t size = std::min(kHashPiece, pass.length() - at);
    if (!PassRan(pass, path, pass.ReadAt(at, size, piece), failure)) return std::nullopt;
    hash.addData(QByteArrayView(piece.data(), static_cast<qsizetype>(size)));
  }
  return QString::fromLatin1(hash.result().toHex());
}

struct FrameFacts {
  VerifiedFrame frame;
  QString sha256;
  QByteArray bytes;  // kept only when the report holds a picture of it
};

}  // namespace

std::optional<Verification> VerifyReport(const QString& item, const QString& recording, VerifyFailure* failure) {
  // A PDF by its first bytes, whatever its name.
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(item, bytes, failure)) return std::nullopt;
  QString text;
  if (bytes.size() >= 5 && std::memcmp(bytes.data(), "%PDF-", 5) == 0) {
    const std::optional<QString> extracted = pdfText(item, failure);
    if (!extracted) return std::nullopt;
    text = *extracted;
  } else {
    text = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  }
  const Claims claims = claimsIn(text);

  FramePass pass;
  if (!OpenPass(pass, recording, failure)) return std::nullopt;
  std::map<int, FrameFacts> peaks;  // by frame number
  for (const PeakClaim& p : claims.peaks) peaks[p.frame];
  std::vector<std::uint8_t> spare;
  bool readFailed = false;
  const int last = peaks.empty() ? -1 : peaks.rbegin()->first;
  const bool ran = pass.Run([&](const PassFrame& f) {
    const auto it = peaks.find(f.n);
    if (it == peaks.end()) return f.n < last;
    const std::span<const std::uint8_t> bytes = FrameBytesOf(pass, f, spare);
    if (bytes.empty()) return !(readFailed = true);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    it->second = {VerifiedFrameOf(f),
                  QString::fromLatin1(QCryptographicHash::hash(view, QCryptographicHash::Sha256).toHex()),
                  view.toByteArray()};
    return f.n < last;
  });
  if (!PassRan(pass, recording, ran && !readFailed, failure)) return std::nullopt;
  const std::optional<QString> recordingSha256 = fileSha256(pass, recording, failure);
  if (!recordingSha256) return std::nullopt;

  Verification v;
  v.kind = ItemKind::Report;
  const auto differs = [&](const QString& difference) {
    v.difference = difference;
    return v;
  };
  if (claims.recordingSha256.isEmpty() && claims.peaks.empty())
    return differs(QStringLiteral("the report holds no SHA-256 of the recording"));
  if (claims.recordingSha256.isEmpty())
    return differs(QStringLiteral("the report gives no SHA-256 of the recording before its events"));
  if (claims.recordingSha256 != *recordingSha256)
    return differs(QStringLiteral("the report's SHA-256 of the recording is %1; the recording's is %2")
                       .arg(claims.recordingSha256, *recordingSha256));
  ++v.hashes;
  for (const PeakClaim& p : claims.peaks) {
    const FrameFacts& facts = peaks.at(p.frame);
    const QString event = QStringLiteral("event %1 (frame %2)").arg(p.event).arg(p.frame);
    if (facts.sha256.isEmpty()) return differs(event + QStringLiteral(": the recording has no frame %1").arg(p.frame));
    if (p.sha256.isEmpty()) return differs(event + QStringLiteral(": the report gives no SHA-256 of the frame"));
    if (p.sha256 != facts.sha256)
      return differs(
          event +
          QStringLiteral(": the report's SHA-256 is %1; the frame's bytes give %2").arg(p.sha256, facts.sha256));
    ++v.hashes;
    if (p.picture && *p.picture != facts.bytes) {
      const auto agrees = CommonPrefix({reinterpret_cast<const std::uint8_t*>(p.picture->constData()),
                                        static_cast<std::size_t>(p.picture->size())},
                                       {reinterpret_cast<const std::uint8_t*>(facts.bytes.constData()),
                                        static_cast<std::size_t>(facts.bytes.size())});
      return differs(
          event + QStringLiteral(": the report's picture differs from the frame's bytes at byte %1").arg(agrees + 1));
    }
    v.frames.push_back(facts.frame);
  }
  if (!claims.unexplained.isEmpty())
    return differs(QStringLiteral("the SHA-256 %1 in the report belongs to neither the recording nor a peak frame")
                       .arg(claims.unexplained.front()));
  v.verified = true;
  return v;
}
