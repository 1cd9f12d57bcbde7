#include "ui/ArchiveWorker.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

#include <QSet>

#include "archive/ArchivePaths.h"
#include "archive/IndexPlan.h"
#include "archive/IndexReading.h"
#include "archive/IndexUpdate.h"
#include "archive/RecordingList.h"
#include "platform/NativeName.h"

// What a run's thread shares with the worker. The thread keeps it while it lives, so a worker
// may let go of a run (and be destroyed) before its thread ends.
struct ArchiveWorker::Run {
  std::atomic<bool> stop{false};
  std::mutex m;
  std::condition_variable endedChanged;
  bool ended = false;              // the thread's work is done; guarded by m
  Outcome outcome;                 // how it ended; guarded by m
  ArchiveWorker* owner = nullptr;  // null once the worker let go of the run; guarded by m
  std::shared_ptr<Run> self;       // the thread's own hold, for the news it posts
};

namespace {

// What an exception says, for a message; nothing more is known of one that is no std::exception.
QString unexpected(const std::exception* e = nullptr) {
  return QStringLiteral("Nieoczekiwany błąd podczas pracy z indeksem archiwum:\n%1")
      .arg(e ? QString::fromLocal8Bit(e->what()) : QStringLiteral("nieznany wyjątek"));
}

}  // namespace

ArchiveWorker::ArchiveWorker(QObject* parent) : QObject(parent) {}

ArchiveWorker::~ArchiveWorker() { Halt(); }

void ArchiveWorker::Post(Run& run, std::function<void(ArchiveWorker&)> f) {
  const std::lock_guard lock(run.m);
  if (!run.owner) return;
  QMetaObject::invokeMethod(
      run.owner,
      [owner = run.owner, run = run.self, f = std::move(f)] {
        if (owner->run_ == run) f(*owner);
      },
      Qt::QueuedConnection);
}

std::atomic<int> ArchiveWorker::live_{0};

void ArchiveWorker::Start(std::function<Outcome(Run&)> work) {
  Stop();
  auto run = std::make_shared<Run>();
  run->owner = this;
  run->self = run;
  ++live_;
  try {
    thread_ = std::thread([run = run.get(), work = std::move(work)] {
      Outcome outcome;
      try {
        outcome = work(*run);              // its connections to the index closed
      } catch (const std::exception& e) {  // out of memory, a hash that could not start: said, not fatal
        outcome = {false, unexpected(&e)};
      } catch (...) {
        outcome = {false, unexpected()};
      }
      Post(*run, [outcome](ArchiveWorker& owner) {
        owner.thread_.join();  // it only has its ending left
        owner.run_.reset();
        emit owner.Finished(outcome.first, outcome.second);
      });
      std::shared_ptr<Run> keep;  // the run lives on until this thread has said it ended
      {
        const std::lock_guard lock(run->m);
        run->ended = true;
        run->outcome = outcome;
        keep = std::move(run->self);
      }
      run->endedChanged.notify_all();
      --live_;
    });
  } catch (const std::system_error& e) {
    --live_;
    emit Finished(false, unexpected(&e));
    return;
  }
  run_ = std::move(run);
}

std::optional<ArchiveWorker::Outcome> ArchiveWorker::Halt() {
  if (!run_) return std::nullopt;
  run_->stop = true;
  std::optional<Outcome> outcome;
  {
    std::unique_lock lock(run_->m);
    if (run_->endedChanged.wait_for(lock, std::chrono::seconds(1), [&] { return run_->ended; }))
      outcome = run_->outcome;
    run_->owner = nullptr;
  }
  if (outcome) thread_.join();
  else thread_.detach();  // blocked in the index's server: it ends on its own, telling no one
  run_.reset();
  return outcome;
}

void ArchiveWorker::Stop() {
  if (!running()) return;
  // A run that ended before its end was told tells it now: a failure is not lost.
  const std::optional<Outcome> outcome = Halt();
  emit Finished(outcome ? outcome->first : true, outcome ? outcome->second : QString());
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

QString cannot(const char* what, const ArchiveIndex& index, const QString& why) {
  return QStringLiteral("Nie można %1 indeksu archiwum %2:\n%3").arg(QString::fromUtf8(what), index.Shown(), why);
}
QString cannotOpen(const ArchiveIndex& index) { return cannot("otworzyć", index, index.Error()); }
QString cannotRead(const ArchiveIndex& index) { return cannot("odczytać", index, index.Error()); }
QString cannotWrite(const ArchiveIndex& index, const QString& why) { return cannot("zapisać", index, why); }

// The folder's recordings as they are now against what the index holds; a folder that cannot
// be searched stands in the list with its reason.
IndexPlan listFolder(const QByteArray& root, const QHash<QByteArray, ArchiveIndex::Stored>& stored,
                     const QHash<qint64, RecordingSummary>& summaries,
                     const QHash<qint64, std::vector<MeasurementRow>>& rows, int limit, ArchiveWorker::Listing& listing,
                     std::int64_t& bytes) {
  std::vector<ArchiveEntry>& entries = listing.entries;
  QList<std::pair<QByteArray, std::optional<FileStamp>>> listed;
  for (const ListedRecording& item : ListRecordings({NameFromNative(root)})) {
    ArchiveEntry e;
    e.path = AbsolutePath(NativeName(item.path));
    e.name = LiesInside(e.path, root) ? e.path.mid(root.size() + (root.endsWith('/') ? 0 : 1)) : e.path;
    if (item.error != 0) {
      e.failure =
          QStringLiteral("nie można przeszukać folderu (%1)").arg(QString::fromLocal8Bit(std::strerror(item.error)));
    } else {
      e.stamp = StampOf(e.path);
      listed.append({e.path, e.stamp});
    }
    entries.push_back(std::move(e));
  }
  IndexPlan plan = PlanIndexing(stored, listed, {root});
  const QSet<QByteArray> toRead(plan.toRead.begin(), plan.toRead.end());
  for (ArchiveEntry& e : entries) {
    if (!e.failure.isEmpty()) continue;
    if (toRead.contains(e.path)) {
      e.pending = true;
      bytes += e.stamp ? e.stamp->size : 0;
    } else if (const auto it = stored.find(e.path); it != stored.end()) {
      e.summary = summaries.value(it->id);
      e.SetRows(rows.value(it->id), limit);
    }
  }
  listing.limit = limit;
  return plan;
}

}  // namespace

void ArchiveWorker::Open(const QString& indexPath, const QByteArray& folder, int limit) {
  Start([indexPath, folder, limit](Run& run) { return OpenFolder(run, indexPath, folder, limit); });
}

// On the run's thread: the index's connection is made, used and closed here.
ArchiveWorker::Outcome ArchiveWorker::OpenFolder(Run& run, const QString& indexPath, const QByteArray& folder,
                                                 int limit) {
  ArchiveIndex index;
  if (!index.Open(indexPath, true)) return {false, cannotOpen(index)};
  if (run.stop) return {true, {}};
  const auto stored = index.Stamps();
  std::optional<QHash<qint64, RecordingSummary>> summaries;
  std::optional<QHash<qint64, std::vector<MeasurementRow>>> rows;
  if (stored) summaries = index.Summaries();
  if (summaries) rows = index.RowsAtOrOver(limit);
  if (!rows) return {false, cannotRead(index)};
  if (run.stop) return {true, {}};
  Listing listing;
  std::int64_t bytes = 0;
  const IndexPlan plan = listFolder(folder, *stored, *summaries, *rows, limit, listing, bytes);
  if (run.stop) return {true, {}};
  Post(run, [listing = std::move(listing)](ArchiveWorker& owner) { emit owner.Listed(listing); });
  if (!index.Drop(plan.gone)) return {false, cannotWrite(index, index.Error())};
  // The recordings are read side by side, one connection to the index each, as the command line's
  // index reads them; the first failure of the index ends them all.
  std::atomic<qsizetype> next{0};
  std::atomic<std::int64_t> done{0};
  std::mutex failing;
  QString failure;
  const auto fail = [&](const QString& why) {
    const std::lock_guard lock(failing);
    if (failure.isEmpty()) failure = why;
    run.stop = true;
  };
  const auto readSome = [&](ArchiveIndex& own) {
    for (qsizetype k = next++; k < plan.toRead.size() && !run.stop; k = next++) {
      const QByteArray& path = plan.toRead[k];
      IndexUpdate update = UpdateIndex(own, path, false, &run.stop);
      Reading reading{path, std::move(update.reading.recording), {}};
      switch (update.result) {
        case IndexUpdate::Result::Stored: done += reading.recording->summary.stamp.size; break;
        case IndexUpdate::Result::Current:  // another indexer read it meanwhile: its reading is in the index
          if (auto loaded = own.Load(path); !loaded) {
            return fail(cannotRead(own));
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
        case IndexUpdate::Result::Stopped: return;
        case IndexUpdate::Result::IndexFailed: return fail(cannotWrite(own, update.error));
      }
      Post(run, [reading = std::move(reading), done = done.load(), bytes](ArchiveWorker& owner) {
        emit owner.Read(reading);
        emit owner.Progress(done, bytes);
      });
    }
  };
  const auto readOn = [&](ArchiveIndex& own) {
    try {
      readSome(own);
    } catch (const std::exception& e) {
      fail(unexpected(&e));
    } catch (...) {
      fail(unexpected());
    }
  };
  std::vector<std::thread> others;
  const qsizetype jobs = std::min<qsizetype>(std::max(1u, std::thread::hardware_concurrency()), plan.toRead.size());
  try {
    for (qsizetype j = 1; j < jobs && !run.stop; ++j)
      others.emplace_back([&] {
        ArchiveIndex own;  // one that cannot connect (a server at its limit) leaves its share to the others
        if (own.Open(indexPath, false)) readOn(own);
      });
  } catch (const std::system_error&) {  // fewer threads than cores: the others read it all
  }
  readOn(index);
  for (std::thread& t : others) t.join();
  return {failure.isEmpty() && run.stop, failure};
}

void ArchiveWorker::ReadRows(const QString& indexPath, int limit) {
  Start([indexPath, limit](Run& run) -> Outcome {
    ArchiveIndex index;
    if (!index.Open(indexPath, false)) return {false, cannotOpen(index)};
    if (run.stop) return {true, {}};
    Rows answer;
    answer.limit = limit;
    auto stored = index.Stamps();
    auto rows = stored ? index.RowsAtOrOver(limit) : std::nullopt;
    if (!rows) return {false, cannotRead(index)};
    answer.stored = std::move(*stored);
    answer.rows = std::move(*rows);
    Post(run, [answer = std::move(answer)](ArchiveWorker& owner) { emit owner.RowsRead(answer); });
    return {false, {}};
  });
}
