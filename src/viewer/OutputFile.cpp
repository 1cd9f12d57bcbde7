#include "viewer/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "platform/StagedOutput.h"
#include "platform/NativeName.h"
#include "recording/RecordingFile.h"
#include "viewer/ExportReport.h"

bool OutputFile::Fail(int error) {
  if (!error_) error_ = error;
  return false;
}

bool OutputFile::Create(const QString& path) {
  Close();
  const QByteArray native = NativeName(path);
  fd_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

bool MayReplace(const QString& path) {
  const QFileInfo existing(path);
  return !existing.exists() || existing.isFile();
}

void PlaceOutput(StagedOutput& output, ExportReport& report, bool keepOnFailure) {
  if (report.outcome == ExportOutcome::Failed && !keepOnFailure) return output.Abandon();
  if (output.Commit()) return;
  if (report.outcome != ExportOutcome::Failed || report.cause.isEmpty()) {
    report.cause = SystemErrorText(output.error());
    report.file = output.finalPath();
  }
  report.outcome = ExportOutcome::Failed;
}

int WriteWholeFile(const QString& path, const char* bytes, std::int64_t size) {
  StagedOutput staged(path);
  OutputFile out;
  const bool written = out.Create(staged.path()) && out.Write(reinterpret_cast<const std::uint8_t*>(bytes), size);
  if (!out.Close() || !written) return out.error() ? out.error() : EIO;
  return staged.Commit() ? 0 : staged.error();
}

QString SystemErrorText(int error) { return error ? QString::fromLocal8Bit(std::strerror(error)) : QString(); }
