#pragma once
// What a file holds: bytes of it, writing it, what must not change about a recording; files held open.

#include <unistd.h>

#include <tuple>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// Bytes from..to (1-based, inclusive) of a file; to 0: up to its end.
inline QByteArray BytesOf(const QString& path, qint64 from = 1, qint64 to = 0) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || !f.seek(from - 1)) return {};
  return to > 0 ? f.read(to - from + 1) : f.readAll();
}

// Writes `bytes` as the whole file, its folder made first.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Size, modification time and a hash of the whole file (of its last 4 MB when it is huge).
using Fingerprint = std::tuple<qint64, QDateTime, QByteArray>;

inline Fingerprint FingerprintOf(const QString& path) {
  QFile f(path);
  QCryptographicHash h(QCryptographicHash::Sha1);
  if (f.open(QIODevice::ReadOnly)) {
    if (f.size() > (64 << 20)) f.seek(f.size() - (4 << 20));
    h.addData(&f);
  }
  return {QFileInfo(path).size(), QFileInfo(path).lastModified(), h.result()};
}

// How many files of the file system this process holds open. Pipes, sockets and event handles are not
// counted: Qt's pooled threads each hold one, and they come and go by the clock (30 s idle), not by the code.
inline int OpenDescriptors() {
  int files = 0;
  for (const QString& fd : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System)) {
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName("/proc/self/fd/" + fd).constData(), target, sizeof target);
    const QByteArray path(target, n > 0 ? n : 0);
    files += path.startsWith('/') && !path.startsWith("/dev/") && !path.startsWith("/memfd:");
  }
  return files;
}
