#pragma once
// The archive table as the window shows it: sorted by any column (names in natural order,
// cam2 before cam10; numbers by value; rows lacking a value last), and filtered to the
// recordings with events over the limit and to those that saw an identifier.

#include <QSortFilterProxyModel>

#include "ui/ArchiveTable.h"

class ArchiveOrder : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit ArchiveOrder(ArchiveTable* table, QObject* parent = nullptr);

  // Only recordings with an event over the limit.
  void SetOnlyWithEvents(bool on);
  // Only recordings whose identifiers contain the text (any case); empty: all.
  void SetIdent(const QString& text);
  // The table's rows as shown, top to bottom.
  int ShownRow(int tableRow) const { return mapFromSource(table_->index(tableRow, 0)).row(); }
  int TableRow(int shownRow) const { return mapToSource(index(shownRow, 0)).row(); }
  // The filter again, after the rows' values changed.
  void Refilter() { invalidateFilter(); }

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

 private:
  ArchiveTable* table_;
  bool onlyWithEvents_ = false;
  QString ident_;
};
