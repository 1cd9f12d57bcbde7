#include "archive/ArchivePaths.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QDir>

#include "platform/NaturalOrder.h"

QString DefaultIndexPath() {
  if (const QString named = qEnvironmentVariable("VISTREL_DB"); !named.isEmpty()) return named;
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty() || QDir::isRelativePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
  return cache + QStringLiteral("/vistrel/archive.sqlite");
}

QByteArray AbsolutePath(const QByteArray& path) {
  QByteArray whole = path;
  if (!path.startsWith('/')) {
    QByteArray here(4096, '\0');
    while (!::getcwd(here.data(), static_cast<std::size_t>(here.size())) && errno == ERANGE)
      here.resize(here.size() * 2);
    whole = QByteArray(here.constData()) + '/' + path;
  }
  QList<QByteArray> kept;
  for (const QByteArray& part : whole.split('/')) {
    if (part.isEmpty() || part == ".") continue;
    if (part == "..") {
      if (!kept.isEmpty()) kept.removeLast();
      continue;
    }
    kept << part;
  }
  QByteArray out;
  for (const QByteArray& part : kept) out += '/' + part;
  return out.isEmpty() ? QByteArray("/") : out;
}

bool LiesInside(const QByteArray& path, const QByteArray& folder) {
  if (folder.endsWith('/')) return path.startsWith(folder) && path.size() > folder.size();
  return path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == '/';
}

std::optional<FileStamp> StampOf(const QByteArray& path, int* error) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0) {
    if (error) *error = errno;
    return std::nullopt;
  }
  return FileStamp{st.st_size, std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
}

// Name by name: a folder's entries are listed in order, and a folder's recordings where the
// folder's own name falls among its siblings.
bool ListedBefore(const QByteArray& a, const QByteArray& b) {
  // The names between slashes, compared in place, from the first name in which the paths
  // differ: sorting a thousand paths would otherwise spend its time on their common folders.
  const qsizetype shorter = std::min(a.size(), b.size());
  const qsizetype same = std::mismatch(a.constData(), a.constData() + shorter, b.constData()).first - a.constData();
  if (same == a.size() && same == b.size()) return false;
  const qsizetype slash = same > 0 ? a.lastIndexOf('/', same - 1) : -1;
  qsizetype i = slash + 1, j = slash + 1;
  while (i <= a.size() && j <= b.size()) {
    qsizetype ae = a.indexOf('/', i), be = b.indexOf('/', j);
    if (ae < 0) ae = a.size();
    if (be < 0) be = b.size();
    const QByteArrayView x(a.constData() + i, ae - i), y(b.constData() + j, be - j);
    if (NaturalLess(x, y)) return true;
    if (NaturalLess(y, x)) return false;
    i = ae + 1;
    j = be + 1;
  }
  return i > a.size() && j <= b.size();  // the one with fewer names first
}
