#include "archive/ArchiveIndex.h"

#include <atomic>

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Positions and sizes are in bytes, file positions count from 1, times are the camera's
// seconds since power-on. A path is the file's absolute name as the file system's bytes.
constexpr const char* kSchema[] = {
    R"(CREATE TABLE recording (
  id INTEGER PRIMARY KEY,
  path BLOB NOT NULL UNIQUE,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  sha256 TEXT NOT NULL,
  frames INTEGER NOT NULL,
  measurements INTEGER NOT NULL,
  first_seconds INTEGER,
  last_seconds INTEGER,
  top_kmh INTEGER,
  damaged INTEGER))",
    R"(CREATE TABLE ident (
  recording INTEGER NOT NULL REFERENCES recording(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  ident TEXT NOT NULL,
  PRIMARY KEY (recording, seq)) WITHOUT ROWID)",
    R"(CREATE TABLE measurement (
  recording INTEGER NOT NULL REFERENCES recording(id) ON DELETE CASCADE,
  frame INTEGER NOT NULL,
  position INTEGER NOT NULL,
  seconds INTEGER NOT NULL,
  kmh INTEGER NOT NULL,
  ident TEXT NOT NULL,
  PRIMARY KEY (recording, frame)) WITHOUT ROWID)",
};

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
  error_ = q.lastError().text();
  return std::nullopt;
}

bool ArchiveIndex::Exec(const QString& statement) {
  QSqlQuery q(db_);
  if (q.exec(statement)) return true;
  return Failed(q.lastError().text());
}

bool ArchiveIndex::Open(const QString& path, bool create) {
  const QFileInfo file(path);
  if (!create && !file.exists()) return Failed(QStringLiteral("no such index"));
  if (file.isDir()) return Failed(QStringLiteral("is a directory"));
  if (create && !QDir().mkpath(file.absolutePath())) return Failed(QStringLiteral("its folder cannot be made"));
  db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
  if (!db_.isValid()) return Failed(QStringLiteral("the SQLite driver of Qt (QSQLITE) is not installed"));
  db_.setDatabaseName(path);
  db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
  if (!db_.open()) return Failed(db_.lastError().text());
  QSqlQuery q(db_);
  if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return Failed(q.lastError().text());
  const int version = q.value(0).toInt();
  if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next()) return Failed(q.lastError().text());
  const bool empty = q.value(0).toInt() == 0;
  q.finish();
  if (version > kSchemaVersion)
    return Failed(QStringLiteral("made by a newer version of this program (schema %1)").arg(version));
  if (version == 0 && !empty) return Failed(QStringLiteral("not an archive index"));
  // WAL: readers never wait for the writer, and a killed writer leaves the last commit.
  if (!Exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !Exec(QStringLiteral("PRAGMA synchronous=NORMAL")) ||
      !Exec(QStringLiteral("PRAGMA foreign_keys=ON")))
    return false;
  return version == kSchemaVersion || CreateSchema();
}

bool ArchiveIndex::CreateSchema() {
  if (!Exec(QStringLiteral("BEGIN IMMEDIATE"))) return false;
  // Another run may have made it meanwhile.
  QSqlQuery q(db_);
  if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return Failed(q.lastError().text());
  const bool made = q.value(0).toInt() == kSchemaVersion;
  q.finish();
  bool ok = true;
  for (const char* statement : kSchema) ok = ok && (made || Exec(QString::fromLatin1(statement)));
  ok = ok && (made || Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion)));
  if (ok) return Exec(QStringLiteral("COMMIT"));
  const QString error = error_;
  Exec(QStringLiteral("ROLLBACK"));
  return Failed(error);
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
  if (!Exec(QStringLiteral("BEGIN IMMEDIATE"))) return false;
  const auto fail = [&](const QSqlQuery& q) {
    const QString error = q.lastError().text();
    Exec(QStringLiteral("ROLLBACK"));
    return Failed(error);
  };
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("DELETE FROM recording WHERE path = ?"));
  q.addBindValue(s.path);
  if (!q.exec()) return fail(q);
  q.prepare(QStringLiteral(
      "INSERT INTO recording (path, size, mtime_ns, sha256, frames, measurements, first_seconds, last_seconds, "
      "top_kmh, damaged) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
  for (const QVariant& v : {QVariant(s.path), QVariant::fromValue(s.stamp.size), QVariant::fromValue(s.stamp.mtimeNs),
                            QVariant(QString::fromLatin1(s.sha256)), QVariant(s.frames), QVariant(s.measurements),
                            orNull(s.firstSeconds), orNull(s.lastSeconds), orNull(s.topKmh), orNull(s.damaged)})
    q.addBindValue(v);
  if (!q.exec()) return fail(q);
  const QVariant id = q.lastInsertId();
  q.prepare(QStringLiteral("INSERT INTO ident (recording, seq, ident) VALUES (?, ?, ?)"));
  for (qsizetype k = 0; k < s.idents.size(); ++k) {
    q.bindValue(0, id);
    q.bindValue(1, k);
    q.bindValue(2, s.idents[k]);
    if (!q.exec()) return fail(q);
  }
  q.prepare(QStringLiteral(
      "INSERT INTO measurement (recording, frame, position, seconds, kmh, ident) VALUES (?, ?, ?, ?, ?, ?)"));
  for (const MeasurementRow& row : recording.rows) {
    q.bindValue(0, id);
    q.bindValue(1, row.frame);
    q.bindValue(2, QVariant::fromValue(row.position));
    q.bindValue(3, row.seconds);
    q.bindValue(4, row.kmh);
    q.bindValue(5, row.ident);
    if (!q.exec()) return fail(q);
  }
  q.finish();
  return Exec(QStringLiteral("COMMIT")) || fail(q);
}

bool ArchiveIndex::Drop(const QList<QByteArray>& paths) {
  if (paths.isEmpty()) return true;
  if (!Exec(QStringLiteral("BEGIN IMMEDIATE"))) return false;
  QSqlQuery q(db_);
  q.prepare(QStringLiteral("DELETE FROM recording WHERE path = ?"));
  for (const QByteArray& path : paths) {
    q.bindValue(0, path);
    if (!q.exec()) {
      const QString error = q.lastError().text();
      Exec(QStringLiteral("ROLLBACK"));
      return Failed(error);
    }
  }
  q.finish();
  return Exec(QStringLiteral("COMMIT"));
}

std::optional<QHash<qint64, RecordingSummary>> ArchiveIndex::Summaries() {
  QHash<qint64, RecordingSummary> out;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral("SELECT id, path, size, mtime_ns, sha256, frames, measurements, first_seconds, "
                             "last_seconds, top_kmh, damaged FROM recording")))
    return ReadFailed(q);
  while (q.next()) {
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
    out.insert(q.value(0).toLongLong(), s);
  }
  if (!q.exec(QStringLiteral("SELECT recording, ident FROM ident ORDER BY recording, seq"))) return ReadFailed(q);
  while (q.next()) {
    const auto it = out.find(q.value(0).toLongLong());
    if (it != out.end()) it->idents << q.value(1).toString();
  }
  return out;
}

std::optional<QHash<qint64, std::vector<MeasurementRow>>> ArchiveIndex::RowsAtOrOver(int kmh) {
  QHash<qint64, std::vector<MeasurementRow>> out;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(
      QStringLiteral("SELECT recording, frame, position, seconds, kmh FROM measurement WHERE kmh >= ? "
                     "ORDER BY recording, frame"));
  q.addBindValue(kmh);
  if (!q.exec()) return ReadFailed(q);
  std::vector<MeasurementRow>* rows = nullptr;
  qint64 current = -1;
  while (q.next()) {
    const qint64 id = q.value(0).toLongLong();
    if (id != current || !rows) rows = &out[current = id];
    rows->push_back({q.value(1).toInt(), q.value(2).toLongLong(), q.value(3).toInt(), q.value(4).toInt(), {}});
  }
  return out;
}

std::optional<std::vector<MeasurementRow>> ArchiveIndex::Rows(qint64 id) {
  std::vector<MeasurementRow> rows;
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  q.prepare(QStringLiteral(
      "SELECT frame, position, seconds, kmh, ident FROM measurement WHERE recording = ? ORDER BY frame"));
  q.addBindValue(id);
  if (!q.exec()) return ReadFailed(q);
  while (q.next())
    rows.push_back(
        {q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toInt(), q.value(3).toInt(), q.value(4).toString()});
  return rows;
}
