#pragma once
// The archive's index: an SQLite file or a PostgreSQL database (through QtSql) holding, per
// recording, its summary and its measurement frames. Each recording is written in one
// transaction, so a killed run leaves every recording either as it was or as it is now; a
// recording is claimed before it is read, so indexers working at once never read one twice.
// Used from one thread.

#include <optional>
#include <vector>

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "archive/IndexedRecording.h"

class ArchiveIndex {
 public:
  // The schema's version (SQLite: PRAGMA user_version; PostgreSQL: table vistrel_schema).
  static constexpr int kSchemaVersion = 3;
  // How long a claim holds at most; one of this machine's ends sooner, with its process.
  static constexpr int kClaimSeconds = 900;

  // A recording as the index holds it.
  struct Stored {
    qint64 id = 0;
    FileStamp stamp;
  };

  ArchiveIndex();
  ~ArchiveIndex();
  ArchiveIndex(const ArchiveIndex&) = delete;
  ArchiveIndex& operator=(const ArchiveIndex&) = delete;

  // Opens the index at location: a file, or a postgresql:// URL; create: a missing file (and
  // its folder) is made. False with Error() when it cannot be opened, is no index of this
  // program or one of a newer schema.
  bool Open(const QString& location, bool create);
  const QString& Error() const { return error_; }
  // The location as messages name it (a URL without its password).
  const QString& Shown() const { return shown_; }

  // Every recording's path and stamp. The readers answer nothing when the index cannot be
  // read, with Error().
  std::optional<QHash<QByteArray, Stored>> Stamps();
  // The same for these paths alone (those the index does not hold left out): a run over a few
  // named recordings reads a few rows of a large index, not all of them.
  std::optional<QHash<QByteArray, Stored>> StampsOf(const QList<QByteArray>& paths);
  // Replaces what the index holds of the recording's path, in one transaction; this
  // process's claim on it ends.
  bool Store(const IndexedRecording& recording);
  // Forgets the recordings at these paths (and this process's claims on them), in one transaction.
  bool Drop(const QList<QByteArray>& paths);

  enum class Claim {
    Taken,    // this process may read it now
    Current,  // the index holds the file as it is (another indexer read it meanwhile)
    Held,     // an indexer still running reads it
    Failed,   // Error() says why
  };
  // Claims the recording at path, whose stamp is now `stamp`, for reading by this process. A
  // claim whose time ran out, or whose process on this machine has ended, is taken over.
  // holder: for Held, who holds it ("host pid").
  Claim ClaimForReading(const QByteArray& path, const FileStamp& stamp, QString* holder = nullptr);
  // Ends this process's claim on the path without storing anything.
  bool Release(const QByteArray& path);

  // Every recording's summary, by id.
  std::optional<QHash<qint64, RecordingSummary>> Summaries();
  // What the index holds of the recording at path; an empty optional inside when it holds nothing.
  std::optional<std::optional<IndexedRecording>> Load(const QByteArray& path);
  // Every recording's measurement rows at or over the speed (their identifiers left empty),
  // in frame order, by recording id.
  std::optional<QHash<qint64, std::vector<MeasurementRow>>> RowsAtOrOver(int kmh);
  // One recording's measurement rows, whole.
  std::optional<std::vector<MeasurementRow>> Rows(qint64 id);

 private:
  bool OpenSqlite(const QString& file, bool create);
  bool Upgrade();  // to kSchemaVersion, from what the index has
  std::optional<int> Version();
  bool Begin();       // a transaction that writes
  bool LockClaims();  // in it: claims and schema changes one at a time (SQLite's writers are already)
  bool Failed(const QString& what);
  bool Exec(const QString& statement);
  bool Rollback(const QSqlQuery& failed);  // ends the transaction; false, with the query's error
  bool Rollback();                         // the same, keeping Error()
  bool Commit();                           // false, rolled back, when the commit fails
  std::nullopt_t ReadFailed(const QSqlQuery& q);
  QString Sql(const char* statement) const;  // the statement in this index's dialect

  QString name_;  // the connection's name
  QSqlDatabase db_;
  bool postgres_ = false;
  QString error_, shown_;
};
