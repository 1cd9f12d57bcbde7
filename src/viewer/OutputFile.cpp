#include "viewer/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "recording/RecordingFile.h"

bool OutputFile::Fail(int error) {
  if (!error_) error_ = error;
  return false;
}

bool OutputFile::Create(const QString& path) {
  Close();
  const QByteArray native = QFile::encodeName(path);
  fd_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd_ >= 0 || Fail(errno);
}

bool OutputFile::Write(const std::uint8_t* bytes, std::int64_t size) {
  if (fd_ < 0) return false;
  while (size > 0) {
    const ssize_t n = ::write(fd_, bytes, static_cast<std::size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? errno : EIO);
    bytes += n;
    size -= n;
  }
  return true;
}

bool OutputFile::CopyFrom(const RecordingFile& recording, std::int64_t offset, std::int64_t size) {
  if (fd_ < 0) return false;
  // The kernel copies between the files directly where it can.
  switch (recording.copyTo(fd_, offset, size)) {
    case KernelCopy::Done: return true;
    case KernelCopy::Failed: return Fail(errno);
    case KernelCopy::Unsupported: break;
  }
  std::unique_ptr<std::uint8_t[]> piece(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
  if (!piece) return Fail(ENOMEM);
  const std::int64_t got = recording.readAt(offset, piece.get(), static_cast<std::size_t>(size));
  if (got != size) return Fail(EIO);  // the recording could not be read
  return Write(piece.get(), size);
}

bool OutputFile::Close() {
  if (fd_ < 0) return true;
  const bool ok = ::close(fd_) == 0;
  if (!ok) Fail(errno);
  fd_ = -1;
  return ok;
}

bool RemoveToReplace(const QString& path) {
  const QFileInfo existing(path);
  if (!existing.exists()) return true;
  if (!existing.isFile()) return false;
  return QFile::remove(path);
}

QString SystemErrorText(int error) { return error ? QString::fromLocal8Bit(std::strerror(error)) : QString(); }
