// frames and telemetry: the walk forward from the opening, one line per frame.

#include <thread>

#include "BatchViewer.h"
#include "CliError.h"
#include "EventLines.h"
#include "Commands.h"
#include "FrameJson.h"
#include "ManyRecordings.h"
#include "OutputText.h"
#include "ProgressBar.h"
#include "StdoutBuffer.h"
#include "viewer/SpeedEvents.h"

namespace {

// A table's text as it is, nothing a terminal would obey.
void append(std::string& out, const QString& text) { AppendShown(out, text); }

// Left-aligned in width columns (counted in characters, not bytes).
void padded(std::string& out, const QString& text, int width) {
  append(out, text);
  if (text.size() < width) out.append(static_cast<std::size_t>(width - text.size()), ' ');
}

void rightAligned(std::string& out, const QString& text, int width) {
  if (text.size() < width) out.append(static_cast<std::size_t>(width - text.size()), ' ');
  append(out, text);
}

// A CSV cell of text from outside: a name, or a text the recording holds.
void csvField(std::string& out, const QString& text) { AppendCsvText(out, text); }

// The speed the panel shows, or nothing while it is hidden.
QString shownSpeed(const ScreenState& s) { return s.lblInfoVisible ? s.lblInfo : QString(); }

void tableLine(std::string& out, const QString& n, const QString& start, const QString& ident, const QString& speed,
               const QString& battery, const QString& time) {
  rightAligned(out, n, 7);
  rightAligned(out, start, 12);
  out += "  ";
  padded(out, ident, 12);
  rightAligned(out, speed, 9);
  rightAligned(out, battery, 8);
  out += "  ";
  append(out, time);
  out += '\n';
}

void tableRow(std::string& out, int n, FilePos start, const ScreenState& s) {
  tableLine(out, QString::number(n), QString::number(start), s.lblIdent, shownSpeed(s), s.lblBattInfo, s.lblTime);
}

void csvRow(std::string& out, int n, FilePos start, const ScreenState& s) {
  out += std::to_string(n) + ',' + std::to_string(start) + ',';
  csvField(out, s.lblIdent);
  out += ',';
  append(out, shownSpeed(s).section(QLatin1Char(' '), 0, 0));  // "57 km/h": the number
  out += ',';
  AppendCsvOwnText(out, s.lblBattInfo);
  out += ',';
  csvField(out, s.lblTime);
  out += '\n';
}

// Walks the recording, writing one row per frame through out, with the progress bar.
template <class Row>
void walkWriting(BatchViewer& viewer, StdoutBuffer& out, const QString& name, Row row) {
  ProgressBar bar(name, true);
  viewer.Walk(
      [&](int n, bool decoded) {
        row(n, decoded);
        out.Done();
        return true;
      },
      &bar);
  bar.Finish();
  out.Flush();
}

// A run over one file prints what it always printed; over several (or a folder) each
// recording is walked on its own, in parallel, with its name on every record.
bool manyRecordings(const CliArgs& args) { return args.files().size() > 1 || IsFolder(args.files().front()); }

// Walks one recording of a run over many, its rows into out.
void walkInto(const CliArgs& args, const QString& path, const std::function<void(BatchViewer&, int, bool)>& row) {
  BatchViewer viewer(args.powerOnMinutes(), !args.flag("--no-decode"));
  viewer.Open(path);
  viewer.Walk([&](int n, bool decoded) {
    row(viewer, n, decoded);
    return true;
  });
}

// One recording's events over the limit, as JSON lines or CSV rows with the file first.
void appendEvents(std::string& out, const CliArgs& args, const QString& path, int limit, bool csv) {
  BatchViewer viewer(args.powerOnMinutes(), false);  // no pictures needed
  viewer.Open(path);
  AppendEventLines(out, path, EventsOver(viewer.Records(), limit), csv);
}

}  // namespace

int RunEvents(const CliArgs& args) {
  if (args.value("--db")) return RunEventsFromIndex(args);
  const int limit = static_cast<int>(CliArgs::Number("--over", args.required("--over"), 0, 1000));
  const bool csv = args.flag("--csv");
  const int workers = args.jobs();
  const std::vector<RunItem> recordings = RecordingsNamed(args.files());
  if (csv) std::fputs(kEventsCsvHeader, stdout);
  std::fflush(stdout);
  return RunEach(recordings, workers,
                 [&](const QString& path, std::string& out) { appendEvents(out, args, path, limit, csv); });
}

int RunFrames(const CliArgs& args) {
  if (manyRecordings(args)) {
    const int workers = args.jobs();
    return RunEach(RecordingsNamed(args.files()), workers, [&](const QString& path, std::string& out) {
      std::string prefix = "{\"file\":";
      AppendJsonString(prefix, ReversibleName(path));
      prefix += ',';
      walkInto(args, path, [&](BatchViewer& viewer, int n, bool decoded) {
        const std::size_t at = out.size();
        AppendFrameJson(out, n, decoded, viewer);
        out.replace(at, 1, prefix);  // the object's brace, then its file first
      });
    });
  }
  BatchViewer viewer(args.powerOnMinutes(), !args.flag("--no-decode"));
  viewer.Open(args.file());
  StdoutBuffer out;
  walkWriting(viewer, out, QStringLiteral("frames"),
              [&](int n, bool decoded) { AppendFrameJson(out.text, n, decoded, viewer); });
  return kExitDone;
}

int RunTelemetry(const CliArgs& args) {
  const bool csv = args.flag("--csv");
  if (manyRecordings(args)) {
    // CSV: the file is the first column; the table: each recording under its name, as it is.
    const int workers = args.jobs();
    const std::vector<RunItem> recordings = RecordingsNamed(args.files());
    if (csv) std::fputs("file,frame,position,ident,speed_kmh,battery,time\n", stdout);
    std::fflush(stdout);
    return RunEach(recordings, workers, [&](const QString& path, std::string& out) {
      if (!csv) {
        append(out, QStringLiteral("== ") + path);
        out += '\n';
        tableLine(out, "frame", "position", "ident", "speed", "battery", "time");
      }
      walkInto(args, path, [&](BatchViewer& viewer, int n, bool) {
        if (csv) {
          csvField(out, ReversibleName(path));
          out += ',';
        }
        (csv ? csvRow : tableRow)(out, n, viewer.FrameStartPos(), viewer.v.screen());
      });
    });
  }
  BatchViewer viewer(args.powerOnMinutes(), !args.flag("--no-decode"));
  viewer.Open(args.file());
  StdoutBuffer out;
  if (csv) {
    out.text += "frame,position,ident,speed_kmh,battery,time\n";
  } else {
    tableLine(out.text, "frame", "position", "ident", "speed", "battery", "time");
  }
  walkWriting(viewer, out, QStringLiteral("telemetry"),
              [&](int n, bool) { (csv ? csvRow : tableRow)(out.text, n, viewer.FrameStartPos(), viewer.v.screen()); });
  return kExitDone;
}
