#include "ManyRecordings.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "CliError.h"
#include "Commands.h"
#include "OutputText.h"
#include "StdoutBuffer.h"
#include "platform/NativeName.h"
#include "platform/NaturalOrder.h"

bool IsFolder(const QString& path) {
  struct stat st {};
  return ::stat(NativeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool isRecordingName(const QByteArray& name) { return name.size() >= 4 && name.right(4).toLower() == ".mjp"; }

QString listingFailure(int err) {
  if (err == EACCES || err == EPERM) return QStringLiteral("permission denied");
  return QStringLiteral("cannot be read: %1").arg(QString::fromLocal8Bit(std::strerror(err)));
}

// One named folder searched depth first, by bytes: no name is decoded on the way, so none is lost.
class FolderSearch {
 public:
  explicit FolderSearch(std::vector<RunItem>& out) : out_(out) {}

  void Folder(const QByteArray& path, const struct stat& st) {
    if (!visited_.insert({st.st_dev, st.st_ino}).second) return;  // reached again through a link
    std::vector<QByteArray> names;
    const int err = list(path, names);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const QByteArray& name : names) entry(path.endsWith('/') ? path + name : path + '/' + name, name);
    if (err != 0) failed(path, err);
  }

 private:
  // The folder's names into names; answers 0, or the error that ended the listing.
  static int list(const QByteArray& path, std::vector<QByteArray>& names) {
    DIR* dir = ::opendir(path.constData());
    if (!dir) return errno;
    int err = 0;
    for (;;) {
      errno = 0;
      const dirent* e = ::readdir(dir);
      if (!e) {
        err = errno;
        break;
      }
      const QByteArray name(e->d_name);
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return err;
  }

  void entry(const QByteArray& path, const QByteArray& name) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
      // A recording's walk says why it cannot be opened; a dangling link by any other name is nothing.
      if (isRecordingName(name)) return recording(path);
      if (errno != ENOENT && errno != ELOOP) failed(path, errno);
      return;
    }
    if (S_ISDIR(st.st_mode)) return Folder(path, st);
    if (isRecordingName(name)) recording(path);
  }

  void recording(const QByteArray& path) { out_.push_back({NameFromNative(path), QString()}); }
  void failed(const QByteArray& path, int err) { out_.push_back({NameFromNative(path), listingFailure(err)}); }

  std::vector<RunItem>& out_;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace

std::vector<RunItem> RecordingsNamed(const QStringList& words) {
  std::vector<RunItem> out;
  for (const QString& word : words) {
    const QByteArray native = NativeName(word);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
      FolderSearch(out).Folder(native, st);
    } else {
      out.push_back({word, QString()});
    }
  }
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
