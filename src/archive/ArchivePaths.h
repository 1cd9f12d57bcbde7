#pragma once
// Where the archive's index lies and how it names recordings: absolute paths kept as the
// bytes the file system has, a file's stamp, and the order recordings are listed in.

#include <optional>

#include <QByteArray>
#include <QString>

#include "archive/IndexedRecording.h"

// The index named by $VISTREL_DB (a file or a postgresql:// URL), else
// $XDG_CACHE_HOME/vistrel/archive.sqlite, or ~/.cache/vistrel/archive.sqlite; never beside
// the recordings, which are evidence and stay untouched.
QString DefaultIndexPath();

// The path (a name's bytes) made absolute against the working folder and cleaned
// ("a/./b/../c" is "a/c", no doubled or trailing slash), symbolic links kept as named.
QByteArray AbsolutePath(const QByteArray& path);

// Whether path lies inside folder (at any depth); both absolute.
bool LiesInside(const QByteArray& path, const QByteArray& folder);

// The file's size and modification time (a symbolic link's target's); nothing when
// it cannot be stat'ed, errno in *error.
std::optional<FileStamp> StampOf(const QByteArray& path, int* error = nullptr);

// The order in which recordings are listed, the one folder runs print them in: folder by
// folder, each one's names in natural order (cam2 before cam10).
bool ListedBefore(const QByteArray& a, const QByteArray& b);
