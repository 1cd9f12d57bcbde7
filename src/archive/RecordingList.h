#pragma once
// The recordings that names stand for: a file as named, a folder's .mjp files at any depth
// (by the names' bytes, links followed, each folder's entries in natural order). Never skips
// what it cannot search: such a folder is listed in its place, with the error that stopped it.

#include <vector>

#include <QString>
#include <QStringList>

struct ListedRecording {
  QString path;   // as named, or as found under a named folder (bytes as NameFromNative carries them)
  int error = 0;  // errno of a folder that could not be searched; 0 for a recording
};

// Whether the path names a folder (a link to one included).
bool IsFolder(const QString& path);

// What the words name, in their order: a file (or anything but a folder) as given, so that
// opening it says why it cannot be read; a folder's .mjp / .MJP files at any depth, a folder
// reached twice (a link loop) searched once, and each folder that could not be searched.
std::vector<ListedRecording> ListRecordings(const QStringList& words);
