#include "archive/IndexPlan.h"

#include <algorithm>

#include "archive/ArchivePaths.h"

IndexPlan PlanIndexing(const QHash<QByteArray, ArchiveIndex::Stored>& stored,
                       const QList<std::pair<QByteArray, std::optional<FileStamp>>>& listed,
                       const QList<QByteArray>& folders) {
  IndexPlan plan;
  QSet<QByteArray> seen;
  for (const auto& [path, stamp] : listed) {
    if (seen.contains(path)) continue;
    seen.insert(path);
    const auto it = stored.find(path);
    if (stamp && it != stored.end() && it->stamp == *stamp) {
      ++plan.unchanged;
    } else {
      plan.toRead << path;
    }
  }
  for (auto it = stored.begin(); it != stored.end(); ++it) {
    const auto inside = [&](const QByteArray& folder) { return LiesInside(it.key(), folder); };
    if (!seen.contains(it.key()) && std::any_of(folders.begin(), folders.end(), inside)) plan.gone << it.key();
  }
  std::sort(plan.gone.begin(), plan.gone.end());
  return plan;
}
