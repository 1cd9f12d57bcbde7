#pragma once
// What a run over some recordings has to do to bring the index up to date, decided from the
// files' stamps alone: read the new and the changed, leave the unchanged unread, forget
// those gone from the folders being indexed.

#include <QHash>
#include <QList>
#include <QSet>

#include "archive/ArchiveIndex.h"

struct IndexPlan {
  QList<QByteArray> toRead;  // in the order listed
  int unchanged = 0;
  QList<QByteArray> gone;  // indexed, inside a folder listed, no longer found there
};

// listed: the recordings found (absolute, duplicates ignored) with their stamps (none: the
// file cannot be stat'ed, so its reading says why); folders: the folders they were listed from.
IndexPlan PlanIndexing(const QHash<QByteArray, ArchiveIndex::Stored>& stored,
                       const QList<std::pair<QByteArray, std::optional<FileStamp>>>& listed,
                       const QList<QByteArray>& folders);
