// index, archive and events --db: the archive's index of recordings, made once and asked
// many times. Reading a recording is the walk's; the index only keeps what it found.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <QDateTime>
#include <QSet>

#include "BatchViewer.h"
#include "CliError.h"
#include "Commands.h"
#include "EventLines.h"
#include "FrameJson.h"
#include "ManyRecordings.h"
#include "OutputText.h"
#include "ProgressBar.h"
#include "StdoutBuffer.h"
#include "archive/ArchiveIndex.h"
#include "archive/ArchivePaths.h"
#include "archive/IndexPlan.h"
#include "archive/IndexLocation.h"
#include "archive/IndexUpdate.h"
#include "archive/IndexedEvents.h"
#include "caminfo/PanelTexts.h"
#include "platform/NativeName.h"

namespace {

constexpr const char* kIndexHelp =
    R"(usage: vistrel-cli index FILE|FOLDER... [--db FILE|URL] [--jobs N] [--decode] [--plan]

Reads each recording once and keeps what 'events --db' and 'archive' answer from: its size,
modification time and SHA-256, its frames and measurements, the camera's first and last
time, the identifiers seen, the top speed, and every measurement frame (number, position,
time, speed, identifier). Folders are searched at any depth for .mjp files, as the walk
commands search them. The index is an SQLite file, or a PostgreSQL database shared by many
(see the README for its tables).

A recording already indexed with the same size and modification time is not read again;
one that changed is read again; one that is gone from a folder named here is dropped. Each
recording is written in one transaction: a run that is killed leaves a usable index, and
the next run completes it. Indexers may run at once on one index: each claims a recording
before reading it and leaves those another running indexer has claimed (a claim is taken
over after 15 minutes, or at once when its process on this machine has ended).
Prints one line: how many recordings were read, unchanged, dropped and failed, and how many
were left to other indexers if any. A recording that cannot be read gives its one error
line on stderr (it leaves the index), the others are indexed, and the status is 1.

  --db FILE|URL        the index: an SQLite file, or postgresql://USER@HOST:PORT/DATABASE
                       (a unix socket: postgresql://USER@/DATABASE?host=/socket/folder;
                       a password from ~/.pgpass or PGPASSWORD). Default: $VISTREL_DB, else
                       $XDG_CACHE_HOME/vistrel/archive.sqlite (~/.cache/vistrel/archive.sqlite).
                       Never inside a folder indexed
  --jobs N             recordings read at once (default: the number of cores)
  --decode             also decode every frame and count those that cannot be decoded
                       (slower); without it the count is left empty
  --plan               read nothing: drop what is gone, then print the absolute names of
                       the recordings that need reading, each followed by a NUL byte (for
                       spreading them over many indexers)
)";

constexpr const char* kArchiveHelp =
    R"(usage: vistrel-cli archive [FILE|FOLDER...] [--db FILE|URL] [--over KMH] [--power-on HH:MM] [--csv|--json]

The indexed recordings (those named, or all), one line each, from the index alone: frames,
measurement frames, frames that could not be decoded (with 'index --decode'; '-' when not
checked), top speed, events over KMH (as 'events' finds them), the camera's first and
last time, the file's modification time, the identifiers seen and the file. CSV and JSON
also give its size, modification time in nanoseconds and SHA-256.

  --db FILE|URL        the index (default as for 'index')
  --over KMH           the limit for the events' count (0 to 1000); without it no count
  --power-on HH:MM     the camera's power-on time: the times as times of day
  --csv                comma-separated, with a header line
  --json               one JSON object per line
)";

// The recordings and folders named, if any: an index is asked as a whole without them.
std::optional<QStringList> wordsGiven(const CliArgs& args) {
  try {
    return args.files();
  } catch (const CliError&) {
    return std::nullopt;
  }
}

void openIndex(ArchiveIndex& index, const QString& location, bool create) {
  if (!index.Open(location, create)) throw CliError::Failure(index.Shown(), index.Error());
}

template <class T>
T orFailure(std::optional<T> value, const ArchiveIndex& index) {
  if (!value) throw CliError::Failure(index.Shown(), index.Error());
  return std::move(*value);
}

QString systemWords(int err) {
  return err == ENOENT ? QStringLiteral("no such file") : QString::fromLocal8Bit(std::strerror(err));
}

// The recording's absolute path, as the index keeps it.
QByteArray indexPath(const QString& path) { return AbsolutePath(NativeName(path)); }

// Why a recording could not be read for the index.
QString unreadWords(const IndexReading& read) {
  switch (read.failure) {
    case IndexReading::Failure::Missing: return systemWords(read.error);
    case IndexReading::Failure::Open: return OpenFailureText(read.error);
    case IndexReading::Failure::Read: return QStringLiteral("read error near position %1").arg(read.position);
    default: return QStringLiteral("changed while it was being indexed");
  }
}

// Why the index cannot answer for a recording as it is now; nothing when it can.
std::optional<QString> staleness(const QHash<QByteArray, ArchiveIndex::Stored>& stored, const QByteArray& path) {
  const auto it = stored.find(path);
  if (it == stored.end()) return QStringLiteral("not in the index (index it with 'vistrel-cli index')");
  int err = 0;
  const std::optional<FileStamp> now = StampOf(path, &err);
  if (!now) return systemWords(err);
  if (*now != it->stamp)
    return QStringLiteral("changed since it was indexed (index it again with 'vistrel-cli index')");
  return std::nullopt;
}

// The index's paths in the order runs list recordings.
QList<QByteArray> listed(QList<QByteArray> paths) {
  std::sort(paths.begin(), paths.end(), ListedBefore);
  return paths;
}

void failureLine(StdoutBuffer& out, const QString& path, const QString& why) {
  out.Flush();
  std::fprintf(stderr, "vistrel-cli: %s\n", OneLine(CliError::Failure(path, why).what()).c_str());
}

}  // namespace

const CliCommand& IndexCommand() {
  static const CliCommand command{"index",
                                  "reads recordings once into the archive's index (SQLite or PostgreSQL)",
                                  {{"--db", true}, {"--jobs", true}, {"--decode", false}, {"--plan", false}},
                                  kIndexHelp,
                                  RunIndex};
  return command;
}

const CliCommand& ArchiveCommand() {
  static const CliCommand command{
      "archive",
      "the indexed recordings, one line each, with their events over a limit",
      {{"--db", true}, {"--over", true}, {"--power-on", true}, {"--csv", false}, {"--json", false}},
      kArchiveHelp,
      RunArchive};
  return command;
}

int RunIndex(const CliArgs& args) {
  const QString dbPath = args.value("--db").value_or(DefaultIndexPath());
  const int workers = args.jobs();
  const bool decode = args.flag("--decode"), planOnly = args.flag("--plan");
  const QStringList words = args.files();
  QList<QByteArray> folders;
  for (const QString& word : words)
    if (IsFolder(word)) folders << indexPath(word);
  if (!IndexLocation::IsUrl(dbPath)) {
    const QByteArray db = indexPath(dbPath);
    for (const QByteArray& folder : folders)
      if (LiesInside(db, folder))
        throw CliError::Usage(QStringLiteral("the index %1 would lie inside the recordings' folder").arg(dbPath));
  }

  ArchiveIndex index;
  openIndex(index, dbPath, true);

  // What changed: only new and changed recordings are read; an unchanged one is stat'ed only.
  std::vector<RunItem> items = RecordingsNamed(words);
  QList<std::pair<QByteArray, std::optional<FileStamp>>> listed;
  QHash<QByteArray, QString> named;  // each recording's name as the run carries it
  for (const RunItem& item : items) {
    if (!item.failure.isEmpty()) continue;
    const QByteArray path = indexPath(item.path);
    listed.append({path, StampOf(path)});
    if (!named.contains(path)) named.insert(path, item.path);
  }
  // Files named alone (as a cluster's tasks name them) need only their own rows of the index.
  const QHash<QByteArray, ArchiveIndex::Stored> stored =
      orFailure(folders.isEmpty() ? index.StampsOf(named.keys()) : index.Stamps(), index);
  const IndexPlan plan = PlanIndexing(stored, listed, folders);
  if (!index.Drop(plan.gone)) throw CliError::Failure(index.Shown(), index.Error());
  if (planOnly) {
    StdoutBuffer out;
    bool failed = false;
    for (const RunItem& item : items)
      if (!item.failure.isEmpty()) {
        failureLine(out, item.path, item.failure);
        failed = true;
      }
    for (const QByteArray& path : plan.toRead) {
      out.text.append(path.constData(), static_cast<std::size_t>(path.size()));
      out.text += '\0';
      out.Done();
    }
    out.Flush();
    return failed ? kExitFailed : kExitDone;
  }
  std::vector<RunItem> toRead;  // and, in their places, the folders that could not be searched
  const QSet<QByteArray> reading(plan.toRead.begin(), plan.toRead.end());
  double bytesToRead = 0;
  for (const RunItem& item : items) {
    if (!item.failure.isEmpty()) {
      toRead.push_back(item);
      continue;
    }
    const QByteArray path = indexPath(item.path);
    if (!reading.contains(path) || named.value(path) != item.path) continue;
    named.insert(path, QString());  // read once, though named twice
    toRead.push_back(item);
    if (const auto stamp = StampOf(path)) bytesToRead += static_cast<double>(stamp->size);
  }

  ProgressBar bar(QStringLiteral("index"), false);
  std::mutex progress;
  double bytesRead = 0;
  int read = 0, failed = 0, current = 0, held = 0;
  const int status = toRead.empty() ? kExitDone : RunEach(toRead, workers, [&](const QString& path, std::string&) {
    // A connection stays on the thread that opened it: one per worker.
    thread_local std::unique_ptr<ArchiveIndex> local;
    if (!local) {
      auto opened = std::make_unique<ArchiveIndex>();
      openIndex(*opened, dbPath, false);  // a failed one is tried again for the next recording
      local = std::move(opened);
    }
    const IndexUpdate update = UpdateIndex(*local, indexPath(path), decode);
    const std::lock_guard<std::mutex> guard(progress);
    switch (update.result) {
      case IndexUpdate::Result::Stored:
        ++read;
        bytesRead += static_cast<double>(update.reading.recording->summary.stamp.size);
        bar.Update(bytesRead, bytesToRead);
        return;
      case IndexUpdate::Result::Current: ++current; return;
      case IndexUpdate::Result::Held: ++held; return;
      case IndexUpdate::Result::Unread:
      case IndexUpdate::Result::Stopped: ++failed; throw CliError::Failure(path, unreadWords(update.reading));
      case IndexUpdate::Result::IndexFailed: ++failed; throw CliError::Failure(local->Shown(), update.error);
    }
  });
  bar.Finish();
  std::printf("%lld recordings: %d read, %d unchanged, %lld dropped, %d failed",
              static_cast<long long>(plan.toRead.size() + plan.unchanged), read, plan.unchanged + current,
              static_cast<long long>(plan.gone.size()), failed);
  if (held > 0) std::printf(", %d left to other indexers", held);
  std::printf("\n");
  return status;
}

int RunEventsFromIndex(const CliArgs& args) {
  const int limit = static_cast<int>(CliArgs::Number("--over", args.required("--over"), 0, 1000));
  const bool csv = args.flag("--csv");
  const std::int16_t powerOn = args.powerOnMinutes();
  const QString dbPath = args.required("--db");
  const std::optional<QStringList> words = wordsGiven(args);

  ArchiveIndex index;
  openIndex(index, dbPath, false);
  const auto stored = orFailure(index.Stamps(), index);
  const auto rows = orFailure(index.RowsAtOrOver(limit), index);

  // The recordings named, as the walk lists them, or every one indexed.
  QList<std::pair<RunItem, QByteArray>> recordings;
  if (words) {
    for (const RunItem& item : RecordingsNamed(*words)) recordings.append({item, indexPath(item.path)});
  } else {
    for (const QByteArray& path : listed(stored.keys())) recordings.append({{NameFromNative(path), {}}, path});
  }

  StdoutBuffer out;
  if (csv) out.text += kEventsCsvHeader;
  int status = kExitDone;
  static const std::vector<MeasurementRow> kNone;
  for (const auto& [item, path] : recordings) {
    const std::optional<QString> why = item.failure.isEmpty() ? staleness(stored, path) : item.failure;
    if (why) {
      failureLine(out, item.path, *why);
      status = kExitFailed;
      continue;
    }
    const auto it = rows.find(stored.value(path).id);
    AppendEventLines(out.text, item.path, EventsOfRows(it == rows.end() ? kNone : *it, limit, powerOn), csv);
    out.Done();
  }
  out.Flush();
  return status;
}

int RunArchive(const CliArgs& args) {
  const QString dbPath = args.value("--db").value_or(DefaultIndexPath());
  std::optional<int> limit;
  if (const auto over = args.value("--over")) limit = static_cast<int>(CliArgs::Number("--over", *over, 0, 1000));
  const bool csv = args.flag("--csv"), json = args.flag("--json");
  if (csv && json) throw CliError::Usage(QStringLiteral("give --csv or --json, not both"));
  const std::int16_t powerOn = args.powerOnMinutes();
  const std::optional<QStringList> words = wordsGiven(args);

  ArchiveIndex index;
  openIndex(index, dbPath, false);
  const auto summaries = orFailure(index.Summaries(), index);
  QHash<qint64, std::vector<MeasurementRow>> rows;
  if (limit) rows = orFailure(index.RowsAtOrOver(*limit), index);

  QList<QByteArray> named;
  if (words)
    for (const QString& word : *words) named << indexPath(word);
  QHash<QByteArray, qint64> ids;
  for (auto it = summaries.begin(); it != summaries.end(); ++it)
    if (!words || std::any_of(named.begin(), named.end(),
                              [&](const QByteArray& n) { return it->path == n || LiesInside(it->path, n); }))
      ids.insert(it->path, it.key());

  StdoutBuffer out;
  const auto text = [&](const QString& s) { AppendShown(out.text, s); };
  const auto time = [&](const std::optional<std::int32_t>& seconds) {
    return seconds ? MeasurementTimeText(*seconds, powerOn) : QString();
  };
  const auto number = [](const std::optional<int>& v) { return v ? QString::number(*v) : QString(); };
  if (csv)
    out.text +=
        "file,size,mtime_ns,modified,sha256,frames,measurements,damaged,top_kmh,events,first_time,last_time,idents\n";
  // The table: numbers right-aligned, texts left-aligned, the file last.
  const auto row = [&](const QStringList& numbers, const QStringList& texts, const QString& file) {
    static constexpr int kNumberWidths[] = {7, 9, 8, 8, 7};
    static constexpr int kTextWidths[] = {10, 10, 17, 14};
    for (qsizetype k = 0; k < numbers.size(); ++k) text(numbers[k].rightJustified(kNumberWidths[k]));
    text(QStringLiteral("  "));
    for (qsizetype k = 0; k < texts.size(); ++k) text(texts[k].leftJustified(kTextWidths[k]) + QLatin1Char(' '));
    text(file + QLatin1Char('\n'));
  };
  if (!csv && !json)
    row({"frames", "measured", "damaged", "top_kmh", "events"}, {"first", "last", "modified", "idents"}, "file");
  for (const QByteArray& path : listed(ids.keys())) {
    const qint64 id = ids.value(path);
    const RecordingSummary& s = summaries[id];
    std::optional<int> events;
    if (limit) events = static_cast<int>(EventsOfRows(rows.value(id), *limit, powerOn).size());
    const QString file = NameFromNative(path);
    const qint64 ms = s.stamp.mtimeNs / 1'000'000;
    if (json) {
      const auto field = [&](const char* key, const QString& value, bool quoted) {
        out.text += key;
        if (!quoted) return text(value.isEmpty() ? QStringLiteral("null") : value);
        if (value.isNull()) return text(QStringLiteral("null"));
        AppendJsonString(out.text, value);
      };
      out.text += "{\"file\":";
      AppendJsonString(out.text, ReversibleName(file));
      field(",\"size\":", QString::number(s.stamp.size), false);
      field(",\"mtime_ns\":", QString::number(s.stamp.mtimeNs), false);
      field(",\"modified\":", QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate), true);
      field(",\"sha256\":", QString::fromLatin1(s.sha256), true);
      field(",\"frames\":", QString::number(s.frames), false);
      field(",\"measurements\":", QString::number(s.measurements), false);
      field(",\"damaged\":", number(s.damaged), false);
      field(",\"top_kmh\":", number(s.topKmh), false);
      field(",\"events\":", number(events), false);
      field(",\"first_time\":", time(s.firstSeconds), true);
      field(",\"last_time\":", time(s.lastSeconds), true);
      out.text += ",\"idents\":[";
      for (qsizetype k = 0; k < s.idents.size(); ++k) {
        if (k) out.text += ',';
        AppendJsonString(out.text, s.idents[k]);
      }
      out.text += "]}\n";
    } else if (csv) {
      AppendCsvText(out.text, ReversibleName(file));
      for (const QString& v :
           {QString::number(s.stamp.size), QString::number(s.stamp.mtimeNs),
            QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate), QString::fromLatin1(s.sha256),
            QString::number(s.frames), QString::number(s.measurements), number(s.damaged), number(s.topKmh),
            number(events), time(s.firstSeconds), time(s.lastSeconds)}) {
        out.text += ',';
        AppendCsvOwnText(out.text, v);
      }
      out.text += ',';
      AppendCsvText(out.text, s.idents.join(QStringLiteral(", ")));
      out.text += '\n';
    } else {
      const auto orDash = [](const QString& v) { return v.isEmpty() ? QStringLiteral("-") : v; };
      row({QString::number(s.frames), QString::number(s.measurements), orDash(number(s.damaged)),
           orDash(number(s.topKmh)), orDash(number(events))},
          {orDash(time(s.firstSeconds)), orDash(time(s.lastSeconds)),
           QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
           orDash(s.idents.join(QStringLiteral(", ")))},
          file);
    }
    out.Done();
  }
  out.Flush();
  return kExitDone;
}
