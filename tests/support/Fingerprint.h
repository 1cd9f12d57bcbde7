#pragma once
// What must not change about a recording: its size, modification time and bytes.

#include <tuple>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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
