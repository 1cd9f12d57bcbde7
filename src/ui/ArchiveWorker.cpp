#include "ui/ArchiveWorker.h"

#include <cerrno>
#include <cstring>

#include "archive/ArchiveIndex.h"
#include "archive/ArchivePaths.h"
#include "archive/IndexReading.h"
#include "archive/IndexUpdate.h"

ArchiveWorker::ArchiveWorker(QObject* parent) : QObject(parent) {}

ArchiveWorker::~ArchiveWorker() { Halt(); }

template <class F>
void ArchiveWorker::Post(int run, F f) {
  QMetaObject::invokeMethod(
      this,
      [this, run, f = std::move(f)]() mutable {
        if (run == run_) f();
      },
      Qt::QueuedConnection);
}

void ArchiveWorker::Start(const QString& indexPath, QList<QByteArray> toRead, QList<QByteArray> gone,
                          std::int64_t bytes) {
  Stop();
  stop_ = false;
  running_ = true;
  const int run = ++run_;
  thread_ = std::thread([this, indexPath, toRead = std::move(toRead), gone = std::move(gone), bytes, run] {
    Run(indexPath, toRead, gone, bytes, run);
  });
}

void ArchiveWorker::Halt() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void ArchiveWorker::Stop() {
  Halt();
  if (running_) {
    running_ = false;
    ++run_;  // what the stopped run still has on its way is not news any more
    emit Finished(true, QString());
  }
}

namespace {

QString failureText(const IndexReading& r) {
  switch (r.failure) {
    case IndexReading::Failure::Missing:
      return r.error == ENOENT
                 ? QStringLiteral("plik zniknął")
                 : QStringLiteral("nie można odczytać (%1)").arg(QString::fromLocal8Bit(std::strerror(r.error)));
    case IndexReading::Failure::Open: return r.openError;
    case IndexReading::Failure::Read: return QStringLiteral("Błąd odczytu pliku w pobliżu pozycji %1").arg(r.position);
    case IndexReading::Failure::Changed: return QStringLiteral("plik zmienił się w czasie odczytu");
    case IndexReading::Failure::None:
    case IndexReading::Failure::Stopped: break;
  }
  return {};
}

}  // namespace

// On the worker's thread: the index's connection is made, used and closed here.
void ArchiveWorker::Run(const QString& indexPath, const QList<QByteArray>& toRead, const QList<QByteArray>& gone,
                        std::int64_t bytes, int run) {
  const auto finish = [&](bool stopped, const QString& error) {
    Post(run, [this, stopped, error] {
      if (thread_.joinable()) thread_.join();
      running_ = false;
      emit Finished(stopped, error);
    });
  };
  ArchiveIndex index;
  if (!index.Open(indexPath, true) || !index.Drop(gone)) return finish(false, index.Error());
  std::int64_t done = 0;
  for (const QByteArray& path : toRead) {
    if (stop_) return finish(true, {});
    IndexUpdate update = UpdateIndex(index, path, false, &stop_);
    Reading reading{path, std::move(update.reading.recording), {}};
    switch (update.result) {
      case IndexUpdate::Result::Stored: done += reading.recording->summary.stamp.size; break;
      case IndexUpdate::Result::Current:  // another indexer read it meanwhile: its reading is in the index
        if (auto loaded = index.Load(path); !loaded) {
          return finish(false, index.Error());
        } else if (*loaded) {
          reading.recording = std::move(**loaded);
        } else {  // and another forgot it again since
          reading.failure = QStringLiteral("usunięte z indeksu przez inny proces; otwórz folder ponownie");
        }
        break;
      case IndexUpdate::Result::Held:
        reading.failure =
            QStringLiteral("odczytuje je inny proces (%1); otwórz folder ponownie później").arg(update.holder);
        break;
      case IndexUpdate::Result::Unread: reading.failure = failureText(update.reading); break;
      case IndexUpdate::Result::Stopped: return finish(true, {});
      case IndexUpdate::Result::IndexFailed: return finish(false, update.error);
    }
    Post(run, [this, reading = std::move(reading), done, bytes] {
      emit Read(reading);
      emit Progress(done, bytes);
    });
  }
  finish(false, {});
}
