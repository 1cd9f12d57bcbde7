#include "archive/ArchiveIndex.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <span>

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>

#include "archive/IndexLocation.h"
#include "platform/ProcessEnded.h"

namespace {

// Version 1: the tables. Positions and sizes are in bytes, file positions count from 1, times
// are the camera's seconds since power-on. A path is the file's absolute name as the file
// system's bytes. %ID%, %BYTES%, %BIG% and %NOROWID% are the dialect's words (Sql()).
constexpr const char* kTables[] = {
    R"(CREATE TABLE recording (
  id %ID%,
  path %BYTES% NOT NULL UNIQUE,
  size %BIG% NOT NULL,
  mtime_ns %BIG% NOT NULL,
  sha256 TEXT NOT NULL,
  frames INTEGER NOT NULL,
  measurements INTEGER NOT NULL,
  first_seconds INTEGER,
  last_seconds INTEGER,
  top_kmh INTEGER,
  damaged INTEGER))",
    R"(CREATE TABLE ident (
  recording %BIG% NOT NULL REFERENCES recording(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  ident TEXT NOT NULL,
  PRIMARY KEY (recording, seq))%NOROWID%)",
    R"(CREATE TABLE measurement (
  recording %BIG% NOT NULL REFERENCES recording(id) ON DELETE CASCADE,
  frame INTEGER NOT NULL,
  position %BIG% NOT NULL,
  seconds INTEGER NOT NULL,
  kmh INTEGER NOT NULL,
  ident TEXT NOT NULL,
  PRIMARY KEY (recording, frame))%NOROWID%)",
};

// Version 2: the index by speed, which answers "every row at or over a limit" without reading
// the rows below it.
constexpr const char* kBySpeed[] = {
    "CREATE INDEX measurement_by_speed ON measurement (kmh, recording, frame, position, seconds)",
};

// Version 3: claims. An indexer about to read a recording claims its path: its machine, its
// process, and when the claim runs out (seconds since 1970).
constexpr const char* kClaims[] = {
    "CREATE TABLE claim (path %BYTES% PRIMARY KEY, host TEXT NOT NULL, pid INTEGER NOT NULL, expires %BIG% NOT NULL)",
};

// What brings an index from each version to the next: kSteps[v] takes version v to v + 1.
constexpr std::span<const char* const> kSteps[] = {kTables, kBySpeed, kClaims};
static_assert(std::size(kSteps) == ArchiveIndex::kSchemaVersion);

// Rows written by one INSERT into a server's index: fewer round trips. SQLite has none to save,
// and Qt's driver looks each parameter up by its number, which grows with the square of their
// count: one row at a time there.
constexpr std::size_t kRowsPerInsertOnServer = 64;

// The key of the PostgreSQL lock that makes claims (and schema changes) one at a time.
constexpr int kClaimLock = 20802;

QString connectionName() {
  static std::atomic<int> next{0};
  return QStringLiteral("vistrel-archive-%1").arg(next++);
}

template <class T>
QVariant orNull(const std::optional<T>& v) {
  return v ? QVariant::fromValue(*v) : QVariant();
}

template <class T>
std::optional<T> optionalOf(const QVariant& v) {
  if (v.isNull()) return std::nullopt;
  return v.value<T>();
}

// What the database said, on one line (a server's message may run over several).
QString errorWords(const QSqlError& e) {
  const QString words = e.databaseText().simplified();
  return words.isEmpty() ? e.text().simplified() : words;
}

QVariant big(std::int64_t v) { return QVariant(static_cast<qlonglong>(v)); }

// Who claims: this machine and this process.
const QString& thisHost() {
  static const QString host = QSysInfo::machineHostName();
  return host;
}
QVariant thisPid() { return QVariant(static_cast<int>(::getpid())); }

constexpr const char* kUnclaim = "DELETE FROM claim WHERE path = ? AND host = ? AND pid = ?";

// Runs q, prepared with kUnclaim, for this process's claim on path.
bool unclaim(QSqlQuery& q, const QByteArray& path) {
  for (const QVariant& v : {QVariant(path), QVariant(thisHost()), thisPid()}) q.addBindValue(v);
  return q.exec();
}

}  // namespace

ArchiveIndex::ArchiveIndex() : name_(connectionName()) {}

ArchiveIndex::~ArchiveIndex() {
  if (db_.isValid()) db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name_);
}

bool ArchiveIndex::Failed(const QString& what) {
  error_ = what;
  return false;
}

std::nullopt_t ArchiveIndex::ReadFailed(const QSqlQuery& q) {
  error_ = errorWords(q.lastError());
  return std::nullopt;
}

bool ArchiveIndex::Exec(const QString& statement) {
  QSqlQuery q(db_);
  if (q.exec(statement)) return true;
  return Failed(errorWords(q.lastError()));
}

bool ArchiveIndex::Rollback(const QSqlQuery& failed) {
  error_ = errorWords(failed.lastError());
  return Rollback();
}

bool ArchiveIndex::Rollback() {
  const QString error = error_;
  Exec(QStringLiteral("ROLLBACK"));
  return Failed(error);
}

bool ArchiveIndex::Commit() { return Exec(QStringLiteral("COMMIT")) || Rollback(); }

bool ArchiveIndex::LockClaims() {
  return !postgres_ || Exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kClaimLock));
}

bool ArchiveIndex::Begin() { return Exec(postgres_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")); }

QString ArchiveIndex::Sql(const char* statement) const {
  QString s = QString::fromLatin1(statement);
  s.replace(QLatin1String("%ID%"), postgres_ ? QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                                             : QLatin1String("INTEGER PRIMARY KEY"));
  s.replace(QLatin1String("%BYTES%"), postgres_ ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
  s.replace(QLatin1String("%BIG%"), postgres_ ? QLatin1String("BIGINT") : QLatin1String("INTEGER"));
  s.replace(QLatin1String("%NOROWID%"), postgres_ ? QLatin1String("") : QLatin1String(" WITHOUT ROWID"));
  return s;
}

bool ArchiveIndex::Open(const QString& given, bool create) {
  shown_ = IndexLocation::Masked(given);
  const std::optional<IndexLocation> where = IndexLocation::Of(given, &error_);
  if (!where) return false;
  shown_ = where->shown;
  postgres_ = where->postgres;
  if (!postgres_) {
    if (!OpenSqlite(where->file, create)) return false;
  } else {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
    if (!db_.isValid()) return Failed(QStringLiteral("the PostgreSQL driver of Qt (QPSQL) is not installed"));
    db_.setHostName(where->host);
    if (where->port > 0) db_.setPort(where->port);
    db_.setUserName(where->user);
    db_.setPassword(where->password);
    db_.setDatabaseName(where->database);
    db_.setConnectOptions(where->options);
    if (!db_.open()) return Failed(errorWords(db_.lastError()));
    // Notices (a table that already exists, ...) are no concern of the reader's.
    if (!Exec(QStringLiteral("SET client_min_messages TO WARNING"))) return false;
  }
  const std::optional<int> version = Version();
  if (!version) return false;
  QSqlQuery q(db_);
  if (!q.exec(postgres_ ? QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                         "WHERE table_schema = current_schema()")
                        : QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
      !q.next())
    return Failed(errorWords(q.lastError()));
  const bool empty = q.value(0).toInt() == 0;
  q.finish();
  if (*version > kSchemaVersion)
    return Failed(QStringLiteral("made by a newer version of this program (schema %1)").arg(*version));
  // Tables but no version: not ours, unless another run made them between the two reads.
  if (*version == 0 && !empty && Version() == 0) return Failed(QStringLiteral("not an archive index"));
  if (*version == 0 && empty && !create)
    return Failed(QStringLiteral("holds no archive index (make one with 'vistrel-cli index')"));
  return *version == kSchemaVersion || Upgrade();
}

bool ArchiveIndex::OpenSqlite(const QString& path, bool create) {
  const QFileInfo file(path);
  if (!create && !file.exists()) return Failed(QStringLiteral("no such index"));
  if (file.isDir()) return Failed(QStringLiteral("is a directory"));
  if (create && !QDir().mkpath(file.absolutePath())) return Failed(QStringLiteral("its folder cannot be made"));
  db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
  if (!db_.isValid()) return Failed(QStringLiteral("the SQLite driver of Qt (QSQLITE) is not installed"));
  db_.setDatabaseName(path);
  db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
  if (!db_.open()) return Failed(errorWords(db_.lastError()));
  // The file must be an SQLite database before anything is set on it.
  if (!Version()) return false;
  // WAL: readers never wait for the writer, and a killed writer leaves the last commit. The
  // change is made once, by the first run on a new file; SQLite answers "busy" at once, without
  // waiting, to a run that asks for it while another has the file open, so that one tries again.
  for (QElapsedTimer waited; !Exec(QStringLiteral("PRAGMA journal_mode=WAL"));) {
    if (!error_.contains(QLatin1String("locked")) || waited.elapsed() > 30'000) return false;
    QThread::msleep(20);
  }
  return Exec(QStringLiteral("PRAGMA synchronous=NORMAL")) && Exec(QStringLiteral("PRAGMA foreign_keys=ON"));
}

std::optional<int> ArchiveIndex::Version() {
  QSqlQuery q(db_);
  if (!postgres_) {
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return ReadFailed(q);
    return q.value(0).toInt();
  }
  if (!q.exec(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema() "
                             "AND table_name = 'vistrel_schema'")) ||
      !q.next())
    return ReadFailed(q);
  if (q.value(0).toInt() == 0) return 0;
  if (!q.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM vistrel_schema")) || !q.next())
    return ReadFailed(q);
  return q.value(0).toInt();
}

bool ArchiveIndex::Upgrade() {
  if (!Begin()) return false;
  if (!LockClaims()) return Rollback();
  // Another run may have done it meanwhile.
  const std::optional<int> from = Version();
  bool ok = from.has_value();
  if (ok && postgres_ && *from == 0)
    ok = Exec(QStringLiteral("CREATE TABLE vistrel_schema (version INTEGER NOT NULL)"));
  for (std::size_t v = static_cast<std::size_t>(std::max(from.value_or(0), 0)); ok && v < std::size(kSteps); ++v)
    for (const char* statement : kSteps[v]) ok = ok && Exec(Sql(statement));
  if (ok && from != kSchemaVersion)
    ok = postgres_ ? Exec(QStringLiteral("DELETE FROM vistrel_schema")) &&
                         Exec(QStringLiteral("INSERT INTO vistrel_schema VALUES (%1)").arg(kSchemaVersion))
                   : Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
  return ok ? Commit() : Rollback();
}

std::optional<QHash<QByteArray, ArchiveIndex::Stored>> ArchiveIndex::StampsOf(const QList<QByteArray>& paths) {
  QHash<QByteArray, Stored> stamps;
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("SELECT id, size, mtime_ns FROM recording WHERE path = ?"));
  for (const QByteArray& path : paths) {
    q.bindValue(0, path);
    if (!q.exec()) return ReadFailed(q);
    if (q.next()) stamps.insert(path, {q.value(0).toLongLong(), {q.value(1).toLongLong(), q.value(2).toLongLong()}});
  }
  return stamps;
}

std::optional<QHash<QByteArray, ArchiveIndex::Stored>> ArchiveIndex::Stamps() {
  QHash<QByteArray, Stored> stamps;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral("SELECT path, id, size, mtime_ns FROM recording"))) return ReadFailed(q);
  while (q.next())
    stamps.insert(q.value(0).toByteArray(),
                  {q.value(1).toLongLong(), {q.value(2).toLongLong(), q.value(3).toLongLong()}});
  return stamps;
}

bool ArchiveIndex::Store(const IndexedRecording& recording) {
  const RecordingSummary& s = recording.summary;
  if (!Begin()) return false;
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("DELETE FROM recording WHERE path = ?"));
  q.addBindValue(s.path);
  if (!q.exec()) return Rollback(q);
  q.prepare(QStringLiteral(
      "INSERT INTO recording (path, size, mtime_ns, sha256, frames, measurements, first_seconds, last_seconds, "
      "top_kmh, damaged) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
  for (const QVariant& v : {QVariant(s.path), big(s.stamp.size), big(s.stamp.mtimeNs),
                            QVariant(QString::fromLatin1(s.sha256)), QVariant(s.frames), QVariant(s.measurements),
                            orNull(s.firstSeconds), orNull(s.lastSeconds), orNull(s.topKmh), orNull(s.damaged)})
    q.addBindValue(v);
  if (!q.exec() || !q.next()) return Rollback(q);
  const QVariant id = big(q.value(0).toLongLong());
  q.finish();
  q.prepare(QStringLiteral("INSERT INTO ident (recording, seq, ident) VALUES (?, ?, ?)"));
  for (qsizetype k = 0; k < s.idents.size(); ++k) {
    q.bindValue(0, id);
    q.bindValue(1, static_cast<int>(k));
    q.bindValue(2, s.idents[k]);
    if (!q.exec()) return Rollback(q);
  }
  // The measurement rows, rowsPerInsert at a time.
  const std::size_t rowsPerInsert = postgres_ ? kRowsPerInsertOnServer : 1;
  std::size_t prepared = 0;
  for (std::size_t first = 0; first < recording.rows.size(); first += rowsPerInsert) {
    const std::size_t n = std::min(rowsPerInsert, recording.rows.size() - first);
    if (n != prepared) {
      QString statement =
          QStringLiteral("INSERT INTO measurement (recording, frame, position, seconds, kmh, ident) VALUES ");
      for (std::size_t k = 0; k < n; ++k)
        statement += k ? QStringLiteral(", (?, ?, ?, ?, ?, ?)") : QStringLiteral("(?, ?, ?, ?, ?, ?)");
      q.prepare(statement);
      prepared = n;
    }
    for (std::size_t k = 0; k < n; ++k) {
      const MeasurementRow& row = recording.rows[first + k];
      for (const QVariant& v :
           {id, QVariant(row.frame), big(row.position), QVariant(row.seconds), QVariant(row.kmh), QVariant(row.ident)})
        q.addBindValue(v);
    }
    if (!q.exec()) return Rollback(q);
  }
  q.prepare(QLatin1String(kUnclaim));
  if (!unclaim(q, s.path)) return Rollback(q);
  q.finish();
  return Commit();
}

bool ArchiveIndex::Drop(const QList<QByteArray>& paths) {
  if (paths.isEmpty()) return true;
  if (!Begin()) return false;
  QSqlQuery forget(db_), mine(db_);
  forget.prepare(QStringLiteral("DELETE FROM recording WHERE path = ?"));
  mine.prepare(QLatin1String(kUnclaim));
  for (const QByteArray& path : paths) {
    forget.bindValue(0, path);
    if (!forget.exec()) return Rollback(forget);
    if (!unclaim(mine, path)) return Rollback(mine);
  }
  return Commit();
}

ArchiveIndex::Claim ArchiveIndex::ClaimForReading(const QByteArray& path, const FileStamp& stamp, QString* holder) {
  if (!Begin()) return Claim::Failed;
  if (!LockClaims()) {
    Rollback();
    return Claim::Failed;
  }
  const auto fail = [&](const QSqlQuery& q) {
    Rollback(q);
    return Claim::Failed;
  };
  const auto end = [&](Claim claim) { return Commit() ? claim : Claim::Failed; };
  // The claim first, the recording second: a claim ends in the transaction that stores the
  // recording, so whichever way another indexer's store falls between the two reads (each
  // sees what was committed when it began, on PostgreSQL), one of them sees it.
  QSqlQuery q(db_);
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  q.prepare(QStringLiteral("SELECT host, pid, expires FROM claim WHERE path = ?"));
  q.addBindValue(path);
  if (!q.exec()) return fail(q);
  if (q.next()) {
    const QString host = q.value(0).toString();
    const long pid = q.value(1).toLongLong();
    const bool held = q.value(2).toLongLong() > now && (host != thisHost() || !ProcessEnded(pid));
    if (held) {
      if (holder) *holder = QStringLiteral("%1 %2").arg(host).arg(pid);
      q.finish();
      return end(Claim::Held);
    }
  }
  q.prepare(QStringLiteral("SELECT size, mtime_ns FROM recording WHERE path = ?"));
  q.addBindValue(path);
  if (!q.exec()) return fail(q);
  if (q.next() && FileStamp{q.value(0).toLongLong(), q.value(1).toLongLong()} == stamp) {
    q.finish();
    return end(Claim::Current);
  }
  q.prepare(QStringLiteral("DELETE FROM claim WHERE path = ?"));
  q.addBindValue(path);
  if (!q.exec()) return fail(q);
  q.prepare(QStringLiteral("INSERT INTO claim (path, host, pid, expires) VALUES (?, ?, ?, ?)"));
  for (const QVariant& v : {QVariant(path), QVariant(thisHost()), thisPid(), big(now + kClaimSeconds)})
    q.addBindValue(v);
  if (!q.exec()) return fail(q);
  q.finish();
  return end(Claim::Taken);
}

bool ArchiveIndex::Release(const QByteArray& path) {
  QSqlQuery q(db_);
  q.prepare(QLatin1String(kUnclaim));
  return unclaim(q, path) || Failed(errorWords(q.lastError()));
}

namespace {

constexpr const char* kSummaryColumns =
    "id, path, size, mtime_ns, sha256, frames, measurements, first_seconds, last_seconds, top_kmh, damaged";

// The summary in a row of kSummaryColumns (without its identifiers).
RecordingSummary summaryOf(const QSqlQuery& q) {
  RecordingSummary s;
  s.path = q.value(1).toByteArray();
  s.stamp = {q.value(2).toLongLong(), q.value(3).toLongLong()};
  s.sha256 = q.value(4).toString().toLatin1();
  s.frames = q.value(5).toInt();
  s.measurements = q.value(6).toInt();
  s.firstSeconds = optionalOf<std::int32_t>(q.value(7));
  s.lastSeconds = optionalOf<std::int32_t>(q.value(8));
  s.topKmh = optionalOf<int>(q.value(9));
  s.damaged = optionalOf<int>(q.value(10));
  return s;
}

}  // namespace

std::optional<QHash<qint64, RecordingSummary>> ArchiveIndex::Summaries() {
  QHash<qint64, RecordingSummary> out;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral("SELECT %1 FROM recording").arg(QLatin1String(kSummaryColumns)))) return ReadFailed(q);
  while (q.next()) out.insert(q.value(0).toLongLong(), summaryOf(q));
  if (!q.exec(QStringLiteral("SELECT recording, ident FROM ident ORDER BY recording, seq"))) return ReadFailed(q);
  while (q.next()) {
    const auto it = out.find(q.value(0).toLongLong());
    if (it != out.end()) it->idents << q.value(1).toString();
  }
  return out;
}

std::optional<std::optional<IndexedRecording>> ArchiveIndex::Load(const QByteArray& path) {
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(QStringLiteral("SELECT %1 FROM recording WHERE path = ?").arg(QLatin1String(kSummaryColumns)));
  q.addBindValue(path);
  if (!q.exec()) return ReadFailed(q);
  if (!q.next()) return std::optional<IndexedRecording>();
  IndexedRecording recording{summaryOf(q), {}};
  const qint64 id = q.value(0).toLongLong();
  q.prepare(QStringLiteral("SELECT ident FROM ident WHERE recording = ? ORDER BY seq"));
  q.addBindValue(big(id));
  if (!q.exec()) return ReadFailed(q);
  while (q.next()) recording.summary.idents << q.value(0).toString();
  std::optional<std::vector<MeasurementRow>> rows = Rows(id);
  if (!rows) return std::nullopt;
  recording.rows = std::move(*rows);
  return recording;
}

std::optional<QHash<qint64, std::vector<MeasurementRow>>> ArchiveIndex::RowsAtOrOver(int kmh) {
  QHash<qint64, std::vector<MeasurementRow>> out;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  // By speed, through the index by speed: the rows below the limit are never read. Each
  // recording's rows are put in frame order here, which costs less than sorting them in SQL.
  q.prepare(QStringLiteral("SELECT recording, frame, position, seconds, kmh FROM measurement WHERE kmh >= ?"));
  q.addBindValue(kmh);
  if (!q.exec()) return ReadFailed(q);
  std::vector<MeasurementRow>* rows = nullptr;
  qint64 current = -1;
  while (q.next()) {
    const qint64 id = q.value(0).toLongLong();
    if (id != current || !rows) rows = &out[current = id];
    rows->push_back({q.value(1).toInt(), q.value(2).toLongLong(), q.value(3).toInt(), q.value(4).toInt(), {}});
  }
  for (std::vector<MeasurementRow>& r : out)
    std::sort(r.begin(), r.end(), [](const MeasurementRow& a, const MeasurementRow& b) { return a.frame < b.frame; });
  return out;
}

std::optional<std::vector<MeasurementRow>> ArchiveIndex::Rows(qint64 id) {
  std::vector<MeasurementRow> rows;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(QStringLiteral(
      "SELECT frame, position, seconds, kmh, ident FROM measurement WHERE recording = ? ORDER BY frame"));
  q.addBindValue(big(id));
  if (!q.exec()) return ReadFailed(q);
  while (q.next())
    rows.push_back(
        {q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toInt(), q.value(3).toInt(), q.value(4).toString()});
  return rows;
}
