#include "ui/ArchiveTable.h"

#include <QColor>
#include <QDateTime>

#include "archive/IndexedEvents.h"
#include "platform/NativeName.h"

void ArchiveEntry::SetRows(const std::vector<MeasurementRow>& all, int limit) {
  rows.clear();
  for (const MeasurementRow& r : all)
    if (r.kmh >= limit) rows.push_back({r.frame, r.position, r.seconds, r.kmh, {}});
  events = EventsOfRows(rows, limit, 0);
}

void ArchiveTable::SetEntries(std::vector<ArchiveEntry> entries) {
  beginResetModel();
  entries_ = std::move(entries);
  endResetModel();
}

int ArchiveTable::RowOf(const QByteArray& path) const {
  for (std::size_t k = 0; k < entries_.size(); ++k)
    if (entries_[k].path == path) return static_cast<int>(k);
  return -1;
}

void ArchiveTable::EventsChanged() {
  if (!entries_.empty()) emit dataChanged(index(0, Events), index(rowCount() - 1, Events));
}

int ArchiveTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int ArchiveTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString ArchiveTable::DurationText(std::int64_t seconds) {
  const auto two = [](std::int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  if (seconds < 3600) return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
  return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(two(seconds / 60 % 60), two(seconds % 60));
}

namespace {

QString dateText(const FileStamp& stamp) {
  return QDateTime::fromMSecsSinceEpoch(stamp.mtimeNs / 1'000'000).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What a row shows in a column; what it waits for or lacks is empty.
QString cellText(const ArchiveEntry& e, int column) {
  if (column == ArchiveTable::Name) return ReadableName(NameFromNative(e.name));
  if (column == ArchiveTable::Date) return e.stamp ? dateText(*e.stamp) : QString();
  if (!e.failure.isEmpty()) return column == ArchiveTable::Idents ? e.failure : QString();
  if (!e.summary) return column == ArchiveTable::Idents && e.pending ? QStringLiteral("…") : QString();
  const RecordingSummary& s = *e.summary;
  switch (column) {
    case ArchiveTable::Idents: return s.idents.join(QStringLiteral(", "));
    case ArchiveTable::Duration:
      return s.firstSeconds ? ArchiveTable::DurationText(*s.lastSeconds - *s.firstSeconds) : QString();
    case ArchiveTable::Frames: return QString::number(s.frames);
    case ArchiveTable::TopSpeed: return s.topKmh ? QString::number(*s.topKmh) : QString();
    case ArchiveTable::Events: return QString::number(e.events.size());
    default: return {};
  }
}

}  // namespace

QVariant ArchiveTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ArchiveEntry& e = entry(index.row());
  switch (role) {
    case Qt::DisplayRole: return cellText(e, index.column());
    case Qt::TextAlignmentRole:
      return index.column() >= Duration ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                        : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      if (!e.failure.isEmpty()) return QColor(Qt::darkRed);
      if (e.summary && !e.events.empty() && index.column() == Events) return QColor(Qt::red);
      return {};
    case Qt::ToolTipRole:
      return index.column() == Name || !e.failure.isEmpty() ? cellText(e, index.column()) : QVariant();
    default: return {};
  }
}

QVariant ArchiveTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  static const char* const kTitles[] = {"Nagranie", "Data",       "Identyfikatory", "Czas trwania",
                                        "Klatki",   "Maks. km/h", "Zdarzenia"};
  return section >= 0 && section < ColumnCount ? QString::fromUtf8(kTitles[section]) : QVariant();
}
