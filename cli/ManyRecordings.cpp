#include "ManyRecordings.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "CliError.h"
#include "Commands.h"
#include "OutputText.h"
#include "StdoutBuffer.h"
#include "platform/NativeName.h"

namespace {

QString listingFailure(int err) {
  if (err == EACCES || err == EPERM) return QStringLiteral("permission denied");
  return QStringLiteral("cannot be read: %1").arg(QString::fromLocal8Bit(std::strerror(err)));
}

}  // namespace

std::vector<RunItem> RecordingsNamed(const QStringList& words) {
  std::vector<RunItem> out;
  for (const ListedRecording& listed : ListRecordings(words))
    out.push_back({listed.path, listed.error == 0 ? QString() : listingFailure(listed.error)});
  return out;
}

namespace {

struct Result {
  std::string out;
  std::optional<std::string> failure;  // the error line's text
};

}  // namespace

int RunEach(const std::vector<RunItem>& items, int jobs,
            const std::function<void(const QString&, std::string&)>& work) {
  const std::size_t count = items.size();
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
      const RunItem& item = items[k];
      Result r;
      try {
        if (!item.failure.isEmpty()) throw CliError::Failure(item.path, item.failure);
        work(item.path, r.out);
      } catch (const CliError& e) {
        r.out.clear();
        r.failure = e.what();
      } catch (const std::exception& e) {
        r.out.clear();
        r.failure = NativeName(item.path).toStdString() + ": " + e.what();
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
      std::fprintf(stderr, "vistrel-cli: %s\n", OneLine(*r.failure).c_str());
      status = kExitFailed;
    }
  }
  for (std::thread& t : threads) t.join();
  if (writeFailure) std::rethrow_exception(writeFailure);
  return status;
}
