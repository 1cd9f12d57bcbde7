#pragma once
// The archive window's table: one row per recording of the folder, in the order listed, with
// what the index holds of it and its events over the limit. It shows values; the index, the
// readings and the limit are the window's.

#include <optional>
#include <vector>

#include <QAbstractTableModel>

#include "archive/IndexedRecording.h"
#include "viewer/SpeedEvents.h"

// One recording of the folder.
struct ArchiveEntry {
  QByteArray path;                          // absolute, the file system's bytes
  QByteArray name;                          // relative to the folder opened, bytes
  std::optional<FileStamp> stamp;           // as listed; none when it cannot be stat'ed
  std::optional<RecordingSummary> summary;  // what the index holds of it as it is now
  std::vector<MeasurementRow> rows;         // its measurement rows at or over the limit
  std::vector<SpeedEvent> events;           // its events over the limit
  QString failure;                          // why it could not be read; empty
  bool pending = false;                     // waiting to be read

  // Its rows at or over the limit (their identifiers dropped), and its events over it.
  void SetRows(const std::vector<MeasurementRow>& all, int limit);
};

class ArchiveTable : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Name, Date, Idents, Duration, Frames, TopSpeed, Events, ColumnCount };

  using QAbstractTableModel::QAbstractTableModel;

  void SetEntries(std::vector<ArchiveEntry> entries);
  const std::vector<ArchiveEntry>& entries() const { return entries_; }
  const ArchiveEntry& entry(int row) const { return entries_[static_cast<std::size_t>(row)]; }
  // The row of the recording at an absolute path; -1 when it is not in the table.
  int RowOf(const QByteArray& path) const;
  // Changes one row through `change`, and shows it.
  template <class F>
  void Change(int row, F change) {
    change(entries_[static_cast<std::size_t>(row)]);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
  }
  // Every row's events shown again (the limit changed).
  void EventsChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // A duration in seconds as the table shows it: m:ss, or h:mm:ss from an hour on.
  static QString DurationText(std::int64_t seconds);

 private:
  std::vector<ArchiveEntry> entries_;
};
