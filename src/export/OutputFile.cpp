#include "export/OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "platform/Modal.h"
#include "recording/RecordingFile.h"

namespace {
thread_local int lastWriteError = 0;
}

int LastWriteError() { return lastWriteError; }
void NoteWriteError(int error) { lastWriteError = error; }

bool OutputFile::Create(const QString& path) {
  Close();
  const QByteArray native = QFile::encodeName(path);
  fd_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) NoteWriteError(errno);
  return fd_ >= 0;
}

bool OutputFile::Write(const std::uint8_t* bytes, std::int64_t size) {
  if (fd_ < 0) return false;
  while (size > 0) {
    const ssize_t n = ::write(fd_, bytes, static_cast<std::size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      NoteWriteError(n < 0 ? errno : EIO);
      return false;
    }
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
    case KernelCopy::Failed: NoteWriteError(errno); return false;
    case KernelCopy::Unsupported: break;
  }
  std::unique_ptr<std::uint8_t[]> piece(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
  if (!piece) {
    NoteWriteError(ENOMEM);
    return false;
  }
  const std::int64_t got = recording.readAt(offset, piece.get(), static_cast<std::size_t>(size));
  if (got != size) {
    NoteWriteError(EIO);  // the recording could not be read
    return false;
  }
  return Write(piece.get(), size);
}

bool OutputFile::Close() {
  if (fd_ < 0) return true;
  const bool ok = ::close(fd_) == 0;
  if (!ok) NoteWriteError(errno);
  fd_ = -1;
  return ok;
}

bool ConfirmReplace(const QString& path) {
  const QFileInfo existing(path);
  if (!existing.exists()) return true;
  // Only an ordinary file is replaced: deleting a folder, a device or a pipe that
  // happens to carry the chosen name is never what a save means.
  if (!existing.isFile()) return false;
  const MsgAnswer answer = Modal::current().message(
      QStringLiteral("Plik o podanej nazwie już istniej. Czy go zamienić ?"), MsgIcon::None, MsgButtons::YesNo);
  if (answer != MsgAnswer::Yes) return false;
  return QFile::remove(path);
}

QString AskSaveName(const QString& presetName, const QString& filter) {
  return Modal::current().saveFile({QString(), presetName, filter});
}
