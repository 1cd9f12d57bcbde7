#include "recording/RecordingFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/NativeName.h"

namespace {

QString reason(int err, const QString& path) {
  switch (err) {
    case ENOENT: return QStringLiteral("Plik nie istnieje:\n%1").arg(path);
    case EACCES:
    case EPERM: return QStringLiteral("Brak uprawnień do odczytu pliku:\n%1").arg(path);
    case EISDIR: return QStringLiteral("Wskazana ścieżka jest folderem, nie plikiem:\n%1").arg(path);
    default:
      return QStringLiteral("Nie można otworzyć pliku:\n%1\n(%2)").arg(path, QString::fromLocal8Bit(strerror(err)));
  }
}

}  // namespace

RecordingFile::~RecordingFile() { close(); }

void RecordingFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  length_ = 0;
  ++generation_;
}

bool RecordingFile::open(const QString& path, QString* error) {
  close();
  const QByteArray native = NativeName(path);  // the exact bytes, also of a name that is not UTF-8
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below anyway.
  int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    openError_ = errno;
    if (error) *error = reason(openError_, path);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    openError_ = err;
    if (error) *error = reason(err, path);
    return false;
  }
  std::int64_t length = st.st_size;
  if (S_ISBLK(st.st_mode)) {
    std::uint64_t bytes = 0;
    length = ::ioctl(fd, BLKGETSIZE64, &bytes) == 0 ? static_cast<std::int64_t>(bytes) : 0;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  fd_ = fd;
  length_ = length;
  openError_ = 0;
  ++generation_;
  return true;
}

std::int64_t RecordingFile::readAt(std::int64_t offset, std::uint8_t* into, std::size_t size) const {
  if (fd_ < 0 || offset < 0) return -1;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, into + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

KernelCopy RecordingFile::copyTo(int to, std::int64_t offset, std::int64_t size) const {
  if (fd_ < 0 || offset < 0) {
    errno = EBADF;
    return KernelCopy::Failed;
  }
  loff_t from = offset;
  std::int64_t done = 0;
  while (done < size) {
    const ssize_t n = ::copy_file_range(fd_, &from, to, nullptr, static_cast<std::size_t>(size - done), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
      return KernelCopy::Unsupported;
    }
    if (n == 0) errno = EIO;  // the recording ended early
    if (n <= 0) return KernelCopy::Failed;
    done += n;
  }
  return KernelCopy::Done;
}
