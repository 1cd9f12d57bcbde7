#pragma once
// "Archiwum": every recording of a folder in one table, filled from the archive's index and
// completed by a reading of the new and the changed ones, both in the background. A
// double-click asks the main window to open a recording at its first event's peak frame; the
// main window's N and Shift+N go on into the neighbouring recordings' events in the table's order.

#include <functional>
#include <memory>
#include <optional>

#include <QWidget>

#include "archive/ArchivePaths.h"
#include "recording/Scanner.h"
#include "ui/ArchiveOrder.h"
#include "ui/ArchiveTable.h"
#include "ui/ArchiveWorker.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

class frmArchive : public QWidget {
  Q_OBJECT
 public:
  explicit frmArchive(QWidget* parent = nullptr);
  ~frmArchive() override;

  // A recording to open, and the frame to show there (none: as the open command shows it).
  struct Jump {
    QString path;
    std::optional<FilePos> frame;
    bool operator==(const Jump&) const = default;
  };

  // Lists the folder's recordings in the background and shows what the index holds of them,
  // then reads the new and the changed into it. False, with the reason in a message box, when
  // the folder is no folder or the index would lie in it; an index that cannot be opened or read
  // is named in a message box when the background finds it. indexPath: a file or a
  // postgresql:// URL; empty: the index set in the window (txtIndex), else the default one.
  bool OpenFolder(const QString& folder, const QString& indexPath = {});
  // The folder shown (absolute); empty before the first.
  const QString& folder() const { return folder_; }

  int limit() const;
  void SetLimit(int kmh);
  // What a double-click on the row shown at `shownRow` opens: the first event's peak frame.
  std::optional<Jump> JumpAt(int shownRow) const;
  // The peak of the first (forward) or last event of the next (forward) or previous recording
  // with events, in the table's order as shown, from the recording at `current`; none when
  // `current` is not in the table or no recording that way has events.
  std::optional<Jump> NeighbourRecordingEvent(const QString& current, bool forward) const;
  // Whether the background work with the index is still going.
  bool Reading() const { return worker_.running() || rows_.running(); }

  // Opens a recording in the main window.
  std::function<void(const Jump&)> openRecording;
  // N and Shift+N here too: the main window's jump to the next or previous event.
  std::function<void(bool forward)> jumpToEvent;

  ArchiveTable table;
  ArchiveOrder order{&table};
  QSpinBox* txtLimit;
  QCheckBox* chkWithEvents;
  QLineEdit* txtIdent;
  QLineEdit* txtIndex;  // the index; empty: the default one
  QTableView* tblRecordings;
  QLabel* lblSummary;
  QProgressBar* prgReading;
  QPushButton* cmdStop;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void Listed(const ArchiveWorker::Listing& listing);
  // The rows over the limit read again from the index the table was listed from.
  void AskRows();
  // Every indexed row's events again, from the rows over the limit.
  void RowsRead(const ArchiveWorker::Rows& answer);
  void Take(const ArchiveWorker::Reading& reading);
  void Finished(bool stopped, const QString& failure);
  // The progress bar and Zatrzymaj shown, the bar with text; waiting: no share to show yet.
  void ShowBusy(const QString& text, bool waiting);
  void ShowSummary();

  QString folder_;
  QString indexPath_;       // the index of the folder shown
  bool listing_ = false;    // the folder's listing is on its way
  bool listed_ = false;     // the table is the listing from indexPath_
  bool rowsAgain_ = false;  // the limit changed while rows_ was reading
  QString indexTyped_;      // what txtIndex held when its editing last finished
  ArchiveWorker worker_;    // the folder's listing and reading
  ArchiveWorker rows_;      // the rows over a new limit
};
