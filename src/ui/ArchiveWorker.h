#pragma once
// The archive window's background reading: on a thread of its own, with its own connection to
// the index, it forgets the recordings gone from the folder and reads the new and the changed
// ones into the index (one transaction each), telling the window after each. Stop ends it
// between two frames; what was stored stays. Its signals come on the window's thread.

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include <QList>
#include <QObject>

#include "archive/IndexedRecording.h"

class ArchiveWorker : public QObject {
  Q_OBJECT
 public:
  // One recording's reading: what the index now holds of it, or why it could not be read.
  struct Reading {
    QByteArray path;
    std::optional<IndexedRecording> recording;
    QString failure;  // Polish; empty when read
  };

  explicit ArchiveWorker(QObject* parent = nullptr);
  ~ArchiveWorker() override;  // stops a run and waits for it

  // Starts a run (stopping one still going): drops `gone`, then reads `toRead` in order;
  // `bytes` is their size, for the progress.
  void Start(const QString& indexPath, QList<QByteArray> toRead, QList<QByteArray> gone, std::int64_t bytes);
  // Asks the run to stop after the frame in hand and waits for it.
  void Stop();
  bool running() const { return running_; }

 signals:
  void Read(const ArchiveWorker::Reading& reading);
  void Progress(std::int64_t bytesDone, std::int64_t bytesTotal);
  // The run ended: stopped, or whole; indexError: the index could not be written (Polish).
  void Finished(bool stopped, const QString& indexError);

 private:
  void Run(const QString& indexPath, const QList<QByteArray>& toRead, const QList<QByteArray>& gone, std::int64_t bytes,
           int run);
  // Stops the thread and waits for it, telling no one.
  void Halt();
  // Runs f on the window's thread, unless a later run has started meanwhile.
  template <class F>
  void Post(int run, F f);

  std::atomic<bool> stop_{false};
  std::atomic<int> run_{0};  // the run whose news the window takes
  bool running_ = false;
  std::thread thread_;
};
