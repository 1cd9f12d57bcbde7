#pragma once
// An output file written under a temporary name in its own folder (".NAME.part-PID") and
// moved over its final name only once it is complete: a process killed at any moment
// leaves neither a cut file under the final name nor a replaced file destroyed.

#include <cstdint>

#include <QByteArray>
#include <QString>

class StagedOutput {
 public:
  // Also removes the temporaries that runs no longer alive left for the same final name.
  explicit StagedOutput(const QString& finalPath);
  ~StagedOutput() { Abandon(); }
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Where to write: a name of its own beside the final one.
  const QString& path() const { return path_; }
  const QString& finalPath() const { return finalPath_; }

  // The temporary's data made durable (fsync), then renamed over the final name and the
  // folder's entry made durable. False, with error(), when any step failed; the temporary
  // is then removed and whatever had the final name before is untouched.
  bool Commit();
  // The temporary removed, the final name untouched.
  void Abandon();
  // Starts writing what the temporary holds by now to the disk, without waiting for it, once
  // enough has come since the last time: the sync at Commit then has little left to wait for.
  // Cheap to call after every piece or frame.
  void WriteBack();

  int error() const { return error_; }  // errno of the failed step; 0 none

 private:
  QString finalPath_;
  QString path_;
  QByteArray native_;  // path_ as the system spells it
  bool pending_ = true;
  int error_ = 0;
  int watch_ = -1;                // the temporary opened for WriteBack, once it exists
  std::int64_t writtenBack_ = 0;  // bytes handed to WriteBack's writing so far
};
