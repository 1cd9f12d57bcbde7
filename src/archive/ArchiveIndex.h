#pragma once
// The archive's index: one SQLite file (through QtSql) holding, per recording, its summary
// and its measurement frames. Each recording is written in one transaction, so a killed run
// leaves every recording either as it was or as it is now. Used from one thread.

#include <optional>
#include <vector>

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "archive/IndexedRecording.h"

class ArchiveIndex {
 public:
  static constexpr int kSchemaVersion = 1;  // PRAGMA user_version of the files this writes

  // A recording as the index holds it.
  struct Stored {
    qint64 id = 0;
    FileStamp stamp;
  };

  ArchiveIndex();
  ~ArchiveIndex();
  ArchiveIndex(const ArchiveIndex&) = delete;
  ArchiveIndex& operator=(const ArchiveIndex&) = delete;

  // Opens the index at path; create: a missing file (and its folder) is made. False with
  // Error() when it cannot be opened, is no index of this program or one of a newer schema.
  bool Open(const QString& path, bool create);
  const QString& Error() const { return error_; }

  // Every recording's path and stamp. The readers answer nothing when the index cannot be
  // read, with Error().
  std::optional<QHash<QByteArray, Stored>> Stamps();
  // Replaces what the index holds of the recording's path, in one transaction.
  bool Store(const IndexedRecording& recording);
  // Forgets the recordings at these paths, in one transaction.
  bool Drop(const QList<QByteArray>& paths);

  // Every recording's summary, by id.
  std::optional<QHash<qint64, RecordingSummary>> Summaries();
  // Every recording's measurement rows at or over the speed (their identifiers left empty),
  // in frame order, by recording id.
  std::optional<QHash<qint64, std::vector<MeasurementRow>>> RowsAtOrOver(int kmh);
  // One recording's measurement rows, whole.
  std::optional<std::vector<MeasurementRow>> Rows(qint64 id);

 private:
  bool CreateSchema();
  bool Failed(const QString& what);
  bool Exec(const QString& statement);
  std::nullopt_t ReadFailed(const QSqlQuery& q);

  QString name_;  // the connection's name
  QSqlDatabase db_;
  QString error_;
};
