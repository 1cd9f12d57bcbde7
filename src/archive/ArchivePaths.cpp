#include "archive/ArchivePaths.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QDir>

#include "platform/NaturalOrder.h"

QString DefaultIndexPath() {
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
  const QList<QByteArray> x = a.split('/'), y = b.split('/');
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), NaturalLess);
}
