#include "drawing/EvidenceReport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTextDocument>
#include <QUrl>

#include "dib/cDIBSection.h"
#include "platform/Modal.h"
#include "recording/JpegModule.h"
#include "viewer/OutputFile.h"

namespace {

constexpr QSize kPlotSize(640, 280);

struct Texts {
  const char* title;
  const char* file;
  const char* size;
  const char* bytes;
  const char* sha;
  const char* idents;
  const char* first;
  const char* last;
  const char* frames;
  const char* limit;
  const char* events;
  const char* noEvents;
  const char* header[7];
  const char* peak;
  const char* frameSha;
  const char* damaged;
  const char* undecodable;
  const char* check;
};

const Texts& textsIn(TextLanguage language) {
  static const Texts polish{
      "Raport z nagrania",
      "Plik",
      "Rozmiar",
      "bajtów",
      "SHA-256 pliku",
      "Identyfikatory kamery",
      "Pierwszy czas",
      "Ostatni czas",
      "Klatki",
      "Limit",
      "Zdarzenia (przekroczenia limitu)",
      "Brak zdarzeń powyżej limitu.",
      {"Nr", "Pierwsza klatka", "Ostatnia klatka", "Od", "Do", "Maks. km/h", "Klatka maks."},
      "Zdarzenie %1: klatka %2",
      "SHA-256 klatki (oryginalne bajty JPEG)",
      "Dane JPEG tej klatki są uszkodzone (dekoder zgłosił błąd).",
      "Tej klatki nie da się zdekodować.",
      "Numery klatek liczone od 0, jak w vistrel-cli frames; skrót klatki dotyczy bajtów, które zapisuje "
      "eksport klatki do pliku JPEG.",
  };
  static const Texts english{
      "Recording report",
      "File",
      "Size",
      "bytes",
      "SHA-256 of the file",
      "Camera identifiers",
      "First time",
      "Last time",
      "Frames",
      "Limit",
      "Events (over the limit)",
      "No events over the limit.",
      {"No.", "First frame", "Last frame", "From", "To", "Peak km/h", "Peak frame"},
      "Event %1: frame %2",
      "SHA-256 of the frame (original JPEG bytes)",
      "This frame's JPEG data is damaged (the decoder reported an error).",
      "This frame cannot be decoded.",
      "Frame numbers count from 0, as vistrel-cli frames counts them; a frame's hash is of the bytes that "
      "export-jpeg writes.",
  };
  return language == TextLanguage::Polish ? polish : english;
}

QString text(const char* utf8) { return QString::fromUtf8(utf8); }
QString esc(const QString& s) { return s.toHtmlEscaped(); }

// A silent Modal for the report's decoding: a frame that cannot be decoded is reported
// in the document, not in a message box.
class QuietDecoding {
 public:
  QuietDecoding() : previous_(Modal::install(nullptr)) {}
  ~QuietDecoding() { Modal::install(previous_); }

 private:
  Modal* previous_;
};

QString fileSha256(QFile& file) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QByteArray chunk(1 << 20, Qt::Uninitialized);
  for (;;) {
    const qint64 n = file.read(chunk.data(), chunk.size());
    if (n < 0) return {};
    if (n == 0) break;
    hash.addData(QByteArrayView(chunk.constData(), n));
  }
  return QString::fromLatin1(hash.result().toHex());
}

QImage upright(const cDIBSection& dib) {
  const QImage bottomUp(dib.DIBSectionBitsPtr(), dib.Width(), dib.Height(), dib.BytesPerScanLine(),
                        QImage::Format_BGR888);
  return bottomUp.mirrored().convertToFormat(QImage::Format_RGB32);
}

QByteArray svgOf(const SpeedPlot& plot) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(kPlotSize);
  svg.setViewBox(QRect(QPoint(0, 0), kPlotSize));
  QPainter p(&svg);
  plot.Draw(p, QRectF(QPointF(0, 0), QSizeF(kPlotSize)));
  p.end();
  return bytes;
}

QString dataUri(const char* type, const QByteArray& bytes) {
  return QStringLiteral("data:%1;base64,%2").arg(QLatin1String(type), QString::fromLatin1(bytes.toBase64()));
}

SpeedPlot plotOf(const EvidenceReport& r, TextLanguage language) {
  return SpeedPlot(r.frames, r.limitKmh, r.powerOnMinutes, language);
}

}  // namespace

std::optional<EvidenceReport> GatherEvidence(const QString& path, std::vector<FrameRecord> frames, int limitKmh,
                                             std::int16_t powerOnMinutes, QString* error) {
  EvidenceReport r;
  r.path = path;
  r.limitKmh = limitKmh;
  r.powerOnMinutes = powerOnMinutes;
  {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      if (error) *error = file.errorString();
      return std::nullopt;
    }
    r.size = file.size();
    r.sha256 = fileSha256(file);
    if (r.sha256.isEmpty()) {
      if (error) *error = file.errorString();
      return std::nullopt;
    }
  }
  for (const FrameRecord& f : frames) {
    if (f.kind != FrameKind::Measurement && f.kind != FrameKind::TextTime) continue;
    if (!f.ident.isEmpty() && !r.idents.contains(f.ident)) r.idents << f.ident;
    if (r.firstTime.isEmpty()) r.firstTime = f.time;
    r.lastTime = f.time;
  }
  r.events = EventsOver(frames, limitKmh);
  r.frames = std::move(frames);

  // Each peak frame as a jump shows it, its bytes as they are stored.
  if (r.events.empty()) return r;
  Viewer v;
  v.StartWithoutWindow(powerOnMinutes, false);
  if (!v.OpenRecordingFile(path, error)) return std::nullopt;
  v.ShowOpenedRecording();
  const QuietDecoding quiet;
  for (const SpeedEvent& e : r.events) {
    ReportPeak peak{e, r.frames[static_cast<std::size_t>(e.peakFrame)], {}, {}, {}, false};
    const SearchResult found = v.ShowFrameAt(peak.frame.start);
    const std::optional<std::vector<std::uint8_t>> bytes = v.CurrentFrameBytes();
    if (found == SearchResult::ReadFailed || !bytes || v.scanner().FrameStartPos() != peak.frame.start) {
      if (error) *error = QStringLiteral("frame %1 cannot be read again").arg(e.peakFrame);
      return std::nullopt;
    }
    peak.jpeg = QByteArray(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
    peak.sha256 = QString::fromLatin1(QCryptographicHash::hash(peak.jpeg, QCryptographicHash::Sha256).toHex());
    cDIBSection dib;
    if (LoadJpegFromMemory(dib, bytes->data(), static_cast<std::int32_t>(bytes->size()), &peak.damaged)) {
      peak.picture = upright(dib);
    } else {
      peak.damaged = true;
    }
    r.peaks.push_back(std::move(peak));
  }
  return r;
}

QString EvidenceHtml(const EvidenceReport& r, TextLanguage language, bool selfContained) {
  const Texts& t = textsIn(language);
  const SpeedPlot plot = plotOf(r, language);
  QString h;
  h += QStringLiteral(
           "<!DOCTYPE html>\n<html lang=\"%1\"><head><meta charset=\"utf-8\"><title>%2</title>\n"
           "<style>body{font-family:'Liberation Sans',Arial,sans-serif;margin:24px;color:#111}"
           "table{border-collapse:collapse}td,th{border:1px solid #999;padding:3px 8px;text-align:left}"
           ".hash{font-family:'Liberation Mono',monospace;font-size:9pt;white-space:nowrap}"
           ".warn{color:#b00000;font-weight:bold}.event{page-break-before:always}</style></head><body>\n")
           .arg(language == TextLanguage::Polish ? "pl" : "en", esc(text(t.title)));
  h += QStringLiteral("<h1>%1</h1>\n<table>\n").arg(esc(text(t.title)));
  const auto row = [&](const char* name, const QString& value, bool hash = false) {
    h += QStringLiteral("<tr><th>%1</th><td%2>%3</td></tr>\n")
             .arg(esc(text(name)), hash ? QStringLiteral(" class=\"hash\"") : QString(), esc(value));
  };
  row(t.file, QFileInfo(r.path).fileName());
  row(t.size, QStringLiteral("%1 %2").arg(r.size).arg(text(t.bytes)));
  row(t.sha, r.sha256, true);
  row(t.idents, r.idents.join(QStringLiteral(", ")));
  row(t.first, r.firstTime.trimmed());
  row(t.last, r.lastTime.trimmed());
  row(t.frames, QString::number(r.frames.size()));
  row(t.limit, QStringLiteral("%1 km/h").arg(r.limitKmh));
  h += QStringLiteral("</table>\n<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"\"></p>\n")
           .arg(selfContained ? dataUri("image/svg+xml", svgOf(plot)) : QStringLiteral("plot"))
           .arg(kPlotSize.width())
           .arg(kPlotSize.height());

  h += QStringLiteral("<h2>%1</h2>\n").arg(esc(text(t.events)));
  if (r.events.empty()) {
    h += QStringLiteral("<p>%1</p>\n").arg(esc(text(t.noEvents)));
  } else {
    h += QStringLiteral("<table>\n<tr>");
    for (const char* name : t.header) h += QStringLiteral("<th>%1</th>").arg(esc(text(name)));
    h += QStringLiteral("</tr>\n");
    for (std::size_t i = 0; i < r.events.size(); ++i) {
      const SpeedEvent& e = r.events[i];
      h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td><td>%7</td></tr>\n")
               .arg(i + 1)
               .arg(e.first)
               .arg(e.last)
               .arg(esc(e.firstTime.trimmed()), esc(e.lastTime.trimmed()))
               .arg(e.peakKmh)
               .arg(e.peakFrame);
    }
    h += QStringLiteral("</table>\n<p>%1</p>\n").arg(esc(text(t.check)));
  }
  for (std::size_t i = 0; i < r.peaks.size(); ++i) {
    const ReportPeak& p = r.peaks[i];
    h += QStringLiteral("<div class=\"event\"><h2>%1</h2>\n").arg(esc(text(t.peak).arg(i + 1).arg(p.event.peakFrame)));
    h += QStringLiteral("<p><b>%1 km/h</b> &nbsp; %2 &nbsp; %3</p>\n")
             .arg(p.event.peakKmh)
             .arg(esc(p.frame.time.trimmed()), esc(p.frame.ident));
    if (!p.picture.isNull()) {
      const QString src = selfContained ? dataUri("image/jpeg", p.jpeg) : QStringLiteral("frame-%1").arg(i);
      const int width = std::min(640, p.picture.width());
      h += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"\"></p>\n")
               .arg(src)
               .arg(width)
               .arg(p.picture.height() * width / std::max(1, p.picture.width()));
    }
    if (p.damaged)
      h += QStringLiteral("<p class=\"warn\">%1</p>\n").arg(esc(text(p.picture.isNull() ? t.undecodable : t.damaged)));
    h += QStringLiteral("<p>%1:<br><span class=\"hash\">%2</span></p></div>\n").arg(esc(text(t.frameSha)), p.sha256);
  }
  h += QStringLiteral("</body></html>\n");
  return h;
}

bool WriteEvidenceReport(const EvidenceReport& r, const QString& path, TextLanguage language, QString* error) {
  // Made in memory, then written whole: a write that fails leaves nothing behind.
  const QString suffix = QFileInfo(path).suffix().toLower();
  const auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  QByteArray bytes;
  if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
    bytes = EvidenceHtml(r, language, true).toUtf8();
  } else if (suffix == QLatin1String("pdf")) {
    QTextDocument doc;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(9);
    doc.setDefaultFont(font);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("plot")),
                    plotOf(r, language).Picture(kPlotSize, 2.0));
    for (std::size_t i = 0; i < r.peaks.size(); ++i)
      doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("frame-%1").arg(i)), r.peaks[i].picture);
    doc.setHtml(EvidenceHtml(r, language, false));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
      QPdfWriter writer(&buffer);
      writer.setPageSize(QPageSize(QPageSize::A4));
      writer.setResolution(144);
      writer.setTitle(text(textsIn(language).title));
      writer.setCreator(QStringLiteral("Vistrel"));
      doc.print(&writer);
    }
    if (bytes.isEmpty()) return fail(QStringLiteral("the PDF could not be made"));
  } else {
    return fail(QStringLiteral("the report's name must end in .pdf or .html"));
  }
  if (const int failed = WriteWholeFile(path, bytes.constData(), bytes.size())) return fail(SystemErrorText(failed));
  return true;
}
