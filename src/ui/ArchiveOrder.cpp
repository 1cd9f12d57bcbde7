#include "ui/ArchiveOrder.h"

#include "archive/ArchivePaths.h"

ArchiveOrder::ArchiveOrder(ArchiveTable* table, QObject* parent) : QSortFilterProxyModel(parent), table_(table) {
  setSourceModel(table);
  setDynamicSortFilter(false);  // rows stay put while the background reading fills them
}

void ArchiveOrder::SetOnlyWithEvents(bool on) {
  onlyWithEvents_ = on;
  invalidateFilter();
}

void ArchiveOrder::SetIdent(const QString& text) {
  ident_ = text.trimmed();
  invalidateFilter();
}

namespace {

// The value a column sorts by; none: the row lacks it.
std::optional<std::int64_t> sortValue(const ArchiveEntry& e, int column) {
  if (column == ArchiveTable::Date) return e.stamp ? std::optional(e.stamp->mtimeNs) : std::nullopt;
  if (!e.summary) return std::nullopt;
  const RecordingSummary& s = *e.summary;
  switch (column) {
    case ArchiveTable::Duration:
      return s.firstSeconds ? std::optional<std::int64_t>(*s.lastSeconds - *s.firstSeconds) : std::nullopt;
    case ArchiveTable::Frames: return s.frames;
    case ArchiveTable::TopSpeed: return s.topKmh;
    case ArchiveTable::Events: return static_cast<std::int64_t>(e.events.size());
    default: return std::nullopt;
  }
}

}  // namespace

bool ArchiveOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const ArchiveEntry& a = table_->entry(left.row());
  const ArchiveEntry& b = table_->entry(right.row());
  const int column = left.column();
  const bool byName = ListedBefore(a.name, b.name);
  if (column == ArchiveTable::Name) return byName;
  // Rows without a value stay at the bottom either way round; equal values keep the names' order.
  const bool descending = sortOrder() == Qt::DescendingOrder;
  const auto compare = [&](const auto& x, const auto& y) {
    if (x.has_value() != y.has_value()) return x.has_value() != descending;
    if (x != y) return *x < *y;
    return byName != descending;
  };
  if (column != ArchiveTable::Idents) return compare(sortValue(a, column), sortValue(b, column));
  const auto idents = [](const ArchiveEntry& e) {
    return e.summary && !e.summary->idents.isEmpty() ? std::optional(e.summary->idents.join(QLatin1Char(',')))
                                                     : std::nullopt;
  };
  return compare(idents(a), idents(b));
}

bool ArchiveOrder::filterAcceptsRow(int row, const QModelIndex&) const {
  const ArchiveEntry& e = table_->entry(row);
  if (onlyWithEvents_ && e.events.empty()) return false;
  if (ident_.isEmpty()) return true;
  if (!e.summary) return false;
  for (const QString& ident : e.summary->idents)
    if (ident.contains(ident_, Qt::CaseInsensitive)) return true;
  return false;
}
