#include "ManyRecordings.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "CliError.h"
#include "Commands.h"
#include "StdoutBuffer.h"

QStringList RecordingsNamed(const QStringList& words) {
  QStringList out;
  for (const QString& word : words) {
    if (!QFileInfo(word).isDir()) {
      out << word;
      continue;
    }
    QStringList found;
    QDirIterator it(word, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (QFileInfo(path).suffix().compare(QLatin1String("mjp"), Qt::CaseInsensitive) == 0) found << path;
    }
    found.sort();
    out << found;
  }
  return out;
}

namespace {

struct Result {
  std::string out;
  std::optional<QString> failure;  // the error line's text
};

}  // namespace

int RunEach(const QStringList& recordings, int jobs, const std::function<void(const QString&, std::string&)>& work) {
  const auto count = static_cast<std::size_t>(recordings.size());
  std::vector<std::optional<Result>> results(count);
  std::mutex lock;
  std::condition_variable ready;
  std::size_t next = 0;  // the next recording a worker takes
  const auto worker = [&] {
    for (;;) {
      std::size_t k;
      {
        const std::lock_guard<std::mutex> guard(lock);
        if (next == count) return;
        k = next++;
      }
      Result r;
      try {
        work(recordings[static_cast<qsizetype>(k)], r.out);
      } catch (const CliError& e) {
        r.out.clear();
        r.failure = QString::fromUtf8(e.what());
      } catch (const std::exception& e) {
        r.out.clear();
        r.failure = recordings[static_cast<qsizetype>(k)] + QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
      }
      const std::lock_guard<std::mutex> guard(lock);
      results[k] = std::move(r);
      ready.notify_all();
    }
  };
  std::vector<std::thread> threads;
  const int workers = std::max(1, std::min(jobs, static_cast<int>(count)));
  for (int k = 0; k < workers; ++k) threads.emplace_back(worker);

  int status = kExitDone;
  StdoutBuffer stdoutBuffer;
  std::exception_ptr writeFailure;
  for (std::size_t k = 0; k < count; ++k) {
    Result r;
    {
      std::unique_lock<std::mutex> guard(lock);
      ready.wait(guard, [&] { return results[k].has_value(); });
      r = std::move(*results[k]);
      results[k].reset();
    }
    if (writeFailure) continue;  // the workers still finish; nothing more is printed
    try {
      stdoutBuffer.text += r.out;
      stdoutBuffer.Flush();
    } catch (...) {
      writeFailure = std::current_exception();
    }
    if (r.failure) {
      std::fprintf(stderr, "vistrel-cli: %s\n", qPrintable(*r.failure));
      status = kExitFailed;
    }
  }
  for (std::thread& t : threads) t.join();
  if (writeFailure) std::rethrow_exception(writeFailure);
  return status;
}
