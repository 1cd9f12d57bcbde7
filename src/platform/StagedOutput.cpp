#include "platform/StagedOutput.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/NativeName.h"
#include "platform/ProcessEnded.h"

namespace {

constexpr std::size_t kNameMax = NAME_MAX;
constexpr std::int64_t kWriteBackStep = 8 << 20;  // bytes between two WriteBack calls that write

// ".NAME.part-" for a final name; a name too long to carry the suffix is shortened so that
// the temporary's name still fits the file system.
std::string partPrefix(const std::string& name) {
  const std::string suffix = ".part-";
  const std::size_t room = kNameMax - 1 - suffix.size() - 10;  // the dot, the suffix, a pid
  return "." + name.substr(0, std::min(name.size(), room)) + suffix;
}

// A temporary of the given prefix whose process has ended.
bool leftBehind(const char* entry, const std::string& prefix) {
  if (std::strncmp(entry, prefix.c_str(), prefix.size()) != 0) return false;
  const char* digits = entry + prefix.size();
  if (*digits < '0' || *digits > '9') return false;
  char* end = nullptr;
  const long pid = std::strtol(digits, &end, 10);
  return *end == '\0' && ProcessEnded(pid);
}

void removeLeftovers(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir))
    if (leftBehind(e->d_name, prefix)) ::unlinkat(::dirfd(dir), e->d_name, 0);
  ::closedir(dir);
}

bool syncPath(const char* path, int flags) {
  const int fd = ::open(path, flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // EINVAL: a file system that cannot sync
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
}

}  // namespace

StagedOutput::StagedOutput(const QString& finalPath) : finalPath_(finalPath) {
  const std::string native = NativeName(finalPath).toStdString();
  const std::size_t slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  const std::string prefix = partPrefix(name);
  removeLeftovers(folder.empty() ? "." : folder, prefix);
  native_ = QByteArray::fromStdString(folder + prefix + std::to_string(::getpid()));
  path_ = NameFromNative(native_);
}

void StagedOutput::WriteBack() {
  if (!pending_) return;
  if (watch_ < 0) watch_ = ::open(native_.constData(), O_RDONLY | O_CLOEXEC);
  struct stat now {};
  if (watch_ < 0 || ::fstat(watch_, &now) != 0 || now.st_size - writtenBack_ < kWriteBackStep) return;
  ::sync_file_range(watch_, writtenBack_, now.st_size - writtenBack_, SYNC_FILE_RANGE_WRITE);
  writtenBack_ = now.st_size;
}

bool StagedOutput::Commit() {
  if (watch_ >= 0) ::close(std::exchange(watch_, -1));
  if (!pending_) return error_ == 0;
  const QByteArray target = NativeName(finalPath_);
  bool ok = syncPath(native_.constData(), O_RDONLY) && ::rename(native_.constData(), target.constData()) == 0;
  if (!ok) {
    error_ = errno ? errno : EIO;
    Abandon();
    return false;
  }
  pending_ = false;
  // The rename itself made durable: the folder's entry synced.
  const int slash = target.lastIndexOf('/');
  syncPath(slash < 0 ? "." : target.left(slash + 1).constData(), O_RDONLY | O_DIRECTORY);
  return true;
}

void StagedOutput::Abandon() {
  if (watch_ >= 0) ::close(std::exchange(watch_, -1));
  if (!pending_) return;
  pending_ = false;
  ::unlink(native_.constData());
}
