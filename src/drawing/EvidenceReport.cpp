#include "drawing/EvidenceReport.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <QAbstractTextDocumentLayout>
#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QThread>
#include <QUrl>

#include "dib/cDIBSection.h"
#include "platform/Clock.h"
#include "platform/Modal.h"
#include "platform/NativeName.h"
#include "platform/Sha256.h"
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
  const char* modified;
  const char* made;
  const char* header[5];
  const char* peak;
  const char* frameSha;
  const char* damaged;
  const char* undecodable;
  const char* check;
  const char* integrity;
  const char* intact;
  const char* integrityHeader[4];
  const char* kinds[kFindingKinds];  // in FindingKind's order
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
      "Plik zmieniony",
      "Raport sporządzono",
      {"Nr", "Klatki", "Czas", "Maks. km/h", "Klatka maks."},
      "Zdarzenie %1: klatka %2",
      "SHA-256 klatki (oryginalne bajty JPEG)",
      "Dane JPEG tej klatki są uszkodzone (dekoder zgłosił błąd).",
      "Tej klatki nie da się zdekodować.",
      "Numery klatek liczone od 0, jak w vistrel-cli frames; skrót klatki dotyczy bajtów, które zapisuje "
      "eksport klatki do pliku JPEG.",
      "Integralność",
      "Nagranie nienaruszone: sprawdzono klatek: %1, każda daje się zdekodować, między klatkami nie ma obcych "
      "bajtów, czas i identyfikator kamery biegną bez przerw.",
      {"Rodzaj", "Klatka", "Pozycje w pliku", "Szczegóły"},
      {"Bajty poza klatkami", "Błędny blok", "Zmiana identyfikatora", "Cofnięcie czasu", "Skok czasu",
       "Klatka nieczytelna", "Ostrzeżenie dekodera", "Urwany koniec pliku"},
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
      "File modified",
      "Report made",
      {"No.", "Frames", "Time", "Peak km/h", "Peak frame"},
      "Event %1: frame %2",
      "SHA-256 of the frame (original JPEG bytes)",
      "This frame's JPEG data is damaged (the decoder reported an error).",
      "This frame cannot be decoded.",
      "Frame numbers count from 0, as vistrel-cli frames counts them; a frame's hash is of the bytes that "
      "export-jpeg writes.",
      "Integrity",
      "The recording is intact: %1 frames checked, each decodes, no stray bytes lie between them, the camera's "
      "time and identifier run on without a break.",
      {"Kind", "Frame", "File positions", "Details"},
      {"Stray bytes", "Bad block", "Identifier change", "Time backward", "Time jump", "Undecodable frame",
       "Decoder warning", "Cut-short end"},
  };
  return language == TextLanguage::Polish ? polish : english;
}

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Quantities (sizes, counts) in the language's own form; frame numbers and speeds, which
// are compared with other tools' output, without group separators.
QLocale localeOf(TextLanguage language) {
  return language == TextLanguage::Polish ? QLocale(QLocale::Polish, QLocale::Poland)
                                          : QLocale(QLocale::English, QLocale::UnitedKingdom);
}
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

// The recording's check, made here with every core; nothing, with the reason, when it cannot be.
std::optional<RecordingCheck> checked(const QString& path, QString* error) {
  PassFailure failure;
  CheckOptions options;
  options.jobs = std::max(1, QThread::idealThreadCount());
  std::optional<RecordingCheck> c = CheckRecording(path, options, &failure);
  if (!c && error) {
    *error = failure.readAt > 0 ? QStringLiteral("read error near position %1").arg(failure.readAt)
                                : QString::fromLocal8Bit(std::strerror(failure.openError));
  }
  return c;
}

// The integrity section: one line for an intact recording, else the findings' table.
QString integrityHtml(const RecordingCheck& c, TextLanguage language) {
  const Texts& t = textsIn(language);
  QString h = QStringLiteral("<h2>%1</h2>\n").arg(esc(text(t.integrity)));
  if (c.Intact()) return h + QStringLiteral("<p>%1</p>\n").arg(esc(text(t.intact).arg(c.frames)));
  constexpr int kWidths[] = {24, 8, 26, 42};  // per cent
  h += QStringLiteral("<table width=\"100%\"><thead><tr>");
  for (int col = 0; col < 4; ++col)
    h += QStringLiteral("<th width=\"%1%\">%2</th>").arg(kWidths[col]).arg(esc(text(t.integrityHeader[col])));
  h += QStringLiteral("</tr></thead>\n");
  for (const Finding& f : c.findings)
    h += QStringLiteral(
             "<tr><td class=\"warn\" style=\"white-space:nowrap\">%1</td><td>%2</td>"
             "<td style=\"white-space:nowrap\">%3</td><td>%4</td></tr>\n")
             .arg(esc(FindingKindTitle(f.kind, language)))
             .arg(f.frame)
             .arg(EventSpan(QString::number(f.start), QString::number(f.end)), esc(FindingDetails(f, language)));
  return h + QStringLiteral("</table>\n");
}

}  // namespace

QString FindingKindTitle(FindingKind kind, TextLanguage language) {
  return text(textsIn(language).kinds[static_cast<std::size_t>(kind)]);
}

QString FindingDetails(const Finding& f, TextLanguage language) {
  if (language != TextLanguage::Polish) return FindingDetails(f);
  switch (f.kind) {
    case FindingKind::StrayBytes: return QStringLiteral("bajtów: %1").arg(f.end - f.start + 1);
    case FindingKind::IdentChange: return QStringLiteral("z „%1” na „%2”").arg(f.identBefore, f.identAfter);
    case FindingKind::TimeBackward:
    case FindingKind::TimeJump:
      return QStringLiteral("z %1 na %2 s od włączenia kamery").arg(f.secondsBefore).arg(f.secondsAfter);
    case FindingKind::CutShort: return QStringLiteral("plik kończy się przed końcem klatki lub jej bloku");
    case FindingKind::BadBlock:
    case FindingKind::Undecodable:
    case FindingKind::DecodedWarning: break;  // the check's and the decoder's own words
  }
  return f.words;
}

QString EventSpan(const QString& first, const QString& last) {
  return first == last ? first : first + QStringLiteral("–") + last;
}

std::optional<EvidenceReport> GatherEvidence(const QString& path, std::vector<FrameRecord> frames, int limitKmh,
                                             std::int16_t powerOnMinutes, QString* error,
                                             std::optional<RecordingCheck> check) {
  EvidenceReport r;
  r.path = path;
  r.limitKmh = limitKmh;
  r.powerOnMinutes = powerOnMinutes;
  {
    int failed = 0;
    const std::optional<QByteArray> sha256 = Sha256OfFile(NativeName(path), &failed);
    if (!sha256) {
      if (error) *error = SystemErrorText(failed);
      return std::nullopt;
    }
    r.sha256 = QString::fromLatin1(*sha256);
    struct stat file {};
    if (::stat(NativeName(path).constData(), &file) == 0) {
      r.size = file.st_size;
      r.modified =
          QDateTime::fromMSecsSinceEpoch(std::int64_t{file.st_mtim.tv_sec} * 1000 + file.st_mtim.tv_nsec / 1'000'000);
    }
  }
  for (const FrameRecord& f : frames) {
    if (f.kind != FrameKind::Measurement && f.kind != FrameKind::TextTime) continue;
    if (!f.ident.isEmpty() && !r.idents.contains(f.ident)) r.idents << f.ident;
    if (r.firstTime.isEmpty()) r.firstTime = f.time;
    r.lastTime = f.time;
  }
  if (!check) check = checked(path, error);
  if (!check) return std::nullopt;
  r.check = std::move(*check);
  r.events = EventsOver(frames, limitKmh);
  r.frames = std::move(frames);
  r.made = Clock::now();

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
    peak.sha256 = QString::fromLatin1(Sha256Of(peak.jpeg));
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

namespace {

constexpr int kEventColumns = 5;  // the events' table; the file's table has two

// The report's HTML; the events' table starts anew, on a new page and with its header, before
// each event whose index is in `pageStarts` (the PDF's pages, so that each page's part of the
// table is whole and closed).
QString reportHtml(const EvidenceReport& r, TextLanguage language, bool selfContained,
                   const std::vector<std::size_t>& pageStarts) {
  const Texts& t = textsIn(language);
  const QLocale locale = localeOf(language);
  const SpeedPlot plot = plotOf(r, language);
  QString h;
  h += QStringLiteral(
           "<!DOCTYPE html>\n<html lang=\"%1\"><head><meta charset=\"utf-8\"><title>%2</title>\n"
           "<style>body{font-family:'Liberation Sans',Arial,sans-serif;margin:24px;color:#111}"
           "table{border-collapse:collapse}td,th{border:1px solid #999;padding:3px 8px;text-align:left}"
           "th{white-space:nowrap}tr{page-break-inside:avoid}"
           ".hash{font-family:'Liberation Mono',monospace;font-size:9pt;white-space:nowrap}"
           ".warn{color:#b00000;font-weight:bold}.event{page-break-before:always}</style></head><body>\n")
           .arg(language == TextLanguage::Polish ? "pl" : "en", esc(text(t.title)));
  h += QStringLiteral("<h1>%1</h1>\n<table>\n").arg(esc(text(t.title)));
  const auto row = [&](const char* name, const QString& value, bool hash = false) {
    h += QStringLiteral("<tr><th>%1</th><td%2>%3</td></tr>\n")
             .arg(esc(text(name)), hash ? QStringLiteral(" class=\"hash\"") : QString(), esc(value));
  };
  row(t.file, ReadableName(QFileInfo(r.path).fileName()));
  row(t.size, QStringLiteral("%1 %2").arg(locale.toString(r.size), text(t.bytes)));
  row(t.sha, r.sha256, true);
  row(t.idents, r.idents.join(QStringLiteral(", ")));
  row(t.first, r.firstTime.trimmed());
  row(t.last, r.lastTime.trimmed());
  if (r.modified.isValid()) row(t.modified, locale.toString(r.modified, QLocale::LongFormat));
  row(t.frames, locale.toString(static_cast<qint64>(r.frames.size())));
  row(t.limit, QStringLiteral("%1 km/h").arg(r.limitKmh));
  if (r.made.isValid()) row(t.made, locale.toString(r.made, QLocale::LongFormat));
  h += QStringLiteral("</table>\n<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"\"></p>\n")
           .arg(selfContained ? dataUri("image/svg+xml", svgOf(plot)) : QStringLiteral("plot"))
           .arg(kPlotSize.width())
           .arg(kPlotSize.height());

  h += integrityHtml(r.check, language);
  h += QStringLiteral("<h2>%1</h2>\n").arg(esc(text(t.events)));
  if (r.events.empty()) {
    h += QStringLiteral("<p>%1</p>\n").arg(esc(text(t.noEvents)));
  } else {
    // The same columns on every page the table runs over.
    constexpr int kWidths[] = {8, 22, 36, 17, 17};  // per cent
    QString header = QStringLiteral("<thead><tr>");
    for (int c = 0; c < kEventColumns; ++c)
      header += QStringLiteral("<th width=\"%1%\">%2</th>").arg(kWidths[c]).arg(esc(text(t.header[c])));
    header += QStringLiteral("</tr></thead>\n");
    h += QStringLiteral("<table width=\"100%\">\n") + header;
    for (std::size_t i = 0; i < r.events.size(); ++i) {
      if (std::find(pageStarts.begin(), pageStarts.end(), i) != pageStarts.end())
        h += QStringLiteral("</table>\n<table width=\"100%\" style=\"page-break-before:always\">\n") + header;
      const SpeedEvent& e = r.events[i];
      h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
               .arg(i + 1)
               .arg(EventSpan(QString::number(e.first), QString::number(e.last)),
                    esc(EventSpan(e.firstTime.trimmed(), e.lastTime.trimmed())))
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

// The report laid out on pages of `page` (device pixels of `device`), 2 cm margins.
std::unique_ptr<QTextDocument> pagedDocument(const EvidenceReport& r, TextLanguage language, const QImage& plot,
                                             const std::vector<std::size_t>& pageStarts, QPaintDevice& device,
                                             const QSizeF& page) {
  auto doc = std::make_unique<QTextDocument>();
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(9);
  doc->setDefaultFont(font);
  doc->documentLayout()->setPaintDevice(&device);
  doc->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("plot")), plot);
  for (std::size_t i = 0; i < r.peaks.size(); ++i)
    doc->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("frame-%1").arg(i)), r.peaks[i].picture);
  doc->setHtml(reportHtml(r, language, false, pageStarts));
  QTextFrameFormat margins = doc->rootFrame()->frameFormat();
  margins.setMargin(2 / 2.54 * device.logicalDpiY());
  doc->rootFrame()->setFrameFormat(margins);
  doc->setPageSize(page);
  return doc;
}

// The events that begin a page in the middle of the events' table, as laid out.
std::vector<std::size_t> eventsStartingPages(QTextDocument& doc) {
  std::vector<std::size_t> starts;
  std::size_t event = 0;
  const double pageHeight = doc.pageSize().height();
  const auto pageOf = [&](const QTextTable& table, int row) {
    return static_cast<int>(
        doc.documentLayout()->blockBoundingRect(table.cellAt(row, 0).firstCursorPosition().block()).top() / pageHeight);
  };
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    const auto* table = qobject_cast<QTextTable*>(frame);
    if (!table || table->columns() != kEventColumns) continue;
    for (int row = 1; row < table->rows(); ++row, ++event)
      if (row > 1 && pageOf(*table, row) != pageOf(*table, row - 1)) starts.push_back(event);
  }
  return starts;
}

}  // namespace

QString EvidenceHtml(const EvidenceReport& r, TextLanguage language, bool selfContained) {
  return reportHtml(r, language, selfContained, {});
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
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
      QPdfWriter writer(&buffer);
      writer.setPageSize(QPageSize(QPageSize::A4));
      writer.setPageMargins(QMarginsF());
      writer.setResolution(144);
      writer.setTitle(text(textsIn(language).title));
      writer.setCreator(QStringLiteral("Vistrel"));
      const QImage plot = plotOf(r, language).Picture(kPlotSize, 2.0);
      const QSizeF page(writer.width(), writer.height());
      // The events' table is cut where its pages end, each part a whole table with its
      // header: laid out again until every part stays on its page.
      std::vector<std::size_t> pageStarts;
      auto doc = pagedDocument(r, language, plot, pageStarts, writer, page);
      for (int pass = 0; pass < 8; ++pass) {
        std::vector<std::size_t> more = eventsStartingPages(*doc);
        if (more.empty()) break;
        pageStarts.insert(pageStarts.end(), more.begin(), more.end());
        std::sort(pageStarts.begin(), pageStarts.end());
        doc = pagedDocument(r, language, plot, pageStarts, writer, page);
      }
      QPainter p(&writer);
      p.setFont(doc->defaultFont());
      const double margin = 2 / 2.54 * writer.logicalDpiY();
      for (int n = 0; n < doc->pageCount(); ++n) {
        if (n > 0) writer.newPage();
        p.save();
        p.translate(0, -n * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, n * page.height()), page);
        p.setClipRect(context.clip);
        doc->documentLayout()->draw(&p, context);
        p.restore();
        p.drawText(QRectF(0, page.height() - margin, page.width() - margin, margin / 2),
                   Qt::AlignRight | Qt::AlignBottom, QString::number(n + 1));
      }
    }
    if (bytes.isEmpty()) return fail(QStringLiteral("the PDF could not be made"));
  } else {
    return fail(QStringLiteral("the report's name must end in .pdf or .html"));
  }
  if (const int failed = WriteWholeFile(path, bytes.constData(), bytes.size())) return fail(SystemErrorText(failed));
  return true;
}
