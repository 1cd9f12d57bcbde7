#pragma once
// The archive window's work with the index, all of it on threads of their own, each run with
// its own connection, so an index server that stops answering never freezes the window. A run
// opens a folder (lists it against the index, forgets the recordings gone, reads the new and the
// changed into the index, one transaction each, as many at once as there are cores) or reads
// the rows over a new limit. Stop ends a
// run between two frames; what was stored stays. Its signals come on the window's thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <QHash>
#include <QList>
#include <QObject>

#include "archive/ArchiveIndex.h"
#include "ui/ArchiveTable.h"

class ArchiveWorker : public QObject {
  Q_OBJECT
 public:
  // The folder as the index holds it: every recording listed, those to read pending, the
  // others with their summary, rows and events over `limit`.
  struct Listing {
    std::vector<ArchiveEntry> entries;
    int limit = 0;
  };
  // Every indexed recording's stamp and its rows at or over `limit`, by id.
  struct Rows {
    QHash<QByteArray, ArchiveIndex::Stored> stored;
    QHash<qint64, std::vector<MeasurementRow>> rows;
    int limit = 0;
  };
  // One recording's reading: what the index now holds of it, or why it could not be read.
  struct Reading {
    QByteArray path;
    std::optional<IndexedRecording> recording;
    QString failure;  // Polish; empty when read
  };

  explicit ArchiveWorker(QObject* parent = nullptr);
  ~ArchiveWorker() override;  // stops a run

  // Starts a run (stopping one still going) that lists the folder (absolute, the file system's
  // bytes) against the index at indexPath (Listed), then reads what needs reading (Read, Progress).
  void Open(const QString& indexPath, const QByteArray& folder, int limit);
  // Starts a run (stopping one still going) that reads the rows at or over the limit (RowsRead).
  void ReadRows(const QString& indexPath, int limit);
  // Asks the run to stop after the frame in hand. One that does not end within a second (an
  // index server that stopped answering) is left to end on its own, telling no one.
  void Stop();
  bool running() const { return run_ != nullptr; }
  // Runs' threads still going, those let go of among them: a program ending with some must not
  // wait for them, nor let them go on into its end.
  static int Live() { return live_; }

 signals:
  void Listed(const ArchiveWorker::Listing& listing);
  void RowsRead(const ArchiveWorker::Rows& rows);
  void Read(const ArchiveWorker::Reading& reading);
  void Progress(std::int64_t bytesDone, std::int64_t bytesTotal);
  // The run ended: stopped, or whole; failure: the message to show (Polish), empty when none.
  void Finished(bool stopped, const QString& failure);

 private:
  struct Run;
  using Outcome = std::pair<bool, QString>;  // Finished's: stopped, failure
  // Stops the run's thread, or lets go of it, telling no one; how it ended, when it did.
  std::optional<Outcome> Halt();
  // Runs work on a thread of its own, then tells its outcome.
  void Start(std::function<Outcome(Run&)> work);
  // Runs f on the window's thread, unless a later run has started meanwhile or the worker let
  // go of the run.
  static void Post(Run& run, std::function<void(ArchiveWorker&)> f);
  static Outcome OpenFolder(Run& run, const QString& indexPath, const QByteArray& folder, int limit);

  static std::atomic<int> live_;
  std::shared_ptr<Run> run_;  // the run going; none when idle
  std::thread thread_;
};
