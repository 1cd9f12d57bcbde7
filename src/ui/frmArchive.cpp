#include "ui/frmArchive.h"

#include <algorithm>
#include <cstring>

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "archive/ArchiveIndex.h"
#include "archive/IndexLocation.h"
#include "archive/IndexPlan.h"
#include "archive/IndexedEvents.h"
#include "archive/RecordingList.h"
#include "platform/Modal.h"
#include "platform/NativeName.h"
#include "ui/Remembered.h"

frmArchive::frmArchive(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Archiwum"));
  resize(900, 560);
  txtLimit = new QSpinBox(this);
  txtLimit->setRange(0, 1000);
  txtLimit->setSuffix(QStringLiteral(" km/h"));
  txtLimit->setValue(std::clamp(Remembered::OverviewLimit(), 0, 1000));
  chkWithEvents = new QCheckBox(QStringLiteral("tylko ze &zdarzeniami"), this);
  txtIdent = new QLineEdit(this);
  txtIdent->setPlaceholderText(QStringLiteral("wszystkie"));
  txtIdent->setClearButtonEnabled(true);
  // Another index (a shared PostgreSQL one, say) is named here and kept for the next run.
  indexTyped_ = Remembered::ArchiveIndex();
  txtIndex = new QLineEdit(indexTyped_, this);
  txtIndex->setPlaceholderText(IndexLocation::Masked(DefaultIndexPath()));
  txtIndex->setToolTip(QStringLiteral("Plik SQLite albo postgresql://UŻYTKOWNIK@SERWER:PORT/BAZA (hasło w ~/.pgpass); "
                                      "puste: %1")
                           .arg(IndexLocation::Masked(DefaultIndexPath())));
  tblRecordings = new QTableView(this);
  tblRecordings->setModel(&order);
  tblRecordings->setSortingEnabled(true);
  tblRecordings->sortByColumn(ArchiveTable::Name, Qt::AscendingOrder);
  tblRecordings->setSelectionBehavior(QAbstractItemView::SelectRows);
  tblRecordings->setSelectionMode(QAbstractItemView::SingleSelection);
  tblRecordings->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblRecordings->setWordWrap(false);
  tblRecordings->verticalHeader()->hide();
  tblRecordings->verticalHeader()->setDefaultSectionSize(tblRecordings->fontMetrics().height() + 6);
  tblRecordings->horizontalHeader()->setSectionResizeMode(ArchiveTable::Name, QHeaderView::Stretch);
  for (int c = ArchiveTable::Date; c < ArchiveTable::ColumnCount; ++c)
    tblRecordings->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  lblSummary = new QLabel(this);
  prgReading = new QProgressBar(this);
  prgReading->setRange(0, 1000);
  prgReading->setFormat(QStringLiteral("Odczyt nowych nagrań… %p%"));
  cmdStop = new QPushButton(QStringLiteral("Zatrzymaj"), this);
  prgReading->hide();
  cmdStop->hide();

  auto* top = new QHBoxLayout;
  const auto labelled = [&](const QString& text, QWidget* w) {
    auto* label = new QLabel(text, this);
    label->setBuddy(w);
    top->addWidget(label);
    top->addWidget(w);
  };
  labelled(QStringLiteral("&Limit prędkości:"), txtLimit);
  top->addWidget(chkWithEvents);
  top->addSpacing(16);
  labelled(QStringLiteral("&Identyfikator:"), txtIdent);
  top->addSpacing(16);
  labelled(QStringLiteral("In&deks:"), txtIndex);
  top->setStretchFactor(txtIndex, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblSummary, 1);
  bottom->addWidget(prgReading);
  bottom->addWidget(cmdStop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(tblRecordings, 1);
  layout->addLayout(bottom);

  connect(txtLimit, &QSpinBox::valueChanged, this, [this](int kmh) {
    Remembered::SetOverviewLimit(kmh);
    RefreshEvents();
  });
  connect(chkWithEvents, &QCheckBox::toggled, this, [this](bool on) {
    order.SetOnlyWithEvents(on);
    ShowSummary();
  });
  connect(txtIdent, &QLineEdit::textChanged, this, [this](const QString& text) {
    order.SetIdent(text);
    ShowSummary();
  });
  connect(tblRecordings, &QTableView::activated, this, [this](const QModelIndex& at) {
    if (const std::optional<Jump> jump = JumpAt(at.row()); jump && openRecording) openRecording(*jump);
  });
  connect(txtIndex, &QLineEdit::editingFinished, this, [this] {
    const QString typed = txtIndex->text().trimmed();
    if (typed == indexTyped_) return;
    indexTyped_ = typed;
    // Kept for the next run without a password typed into it: that one belongs in ~/.pgpass.
    Remembered::SetArchiveIndex(IndexLocation::WithoutPassword(typed));
    if (!folder_.isEmpty()) OpenFolder(folder_);
  });
  connect(cmdStop, &QPushButton::clicked, this, [this] { worker_.Stop(); });
  connect(&worker_, &ArchiveWorker::Read, this, &frmArchive::Take);
  connect(&worker_, &ArchiveWorker::Progress, this, [this](std::int64_t done, std::int64_t total) {
    prgReading->setValue(total > 0 ? static_cast<int>(std::min<std::int64_t>(1000, done * 1000 / total)) : 0);
  });
  connect(&worker_, &ArchiveWorker::Finished, this, &frmArchive::Finished);
  for (const bool forward : {true, false}) {
    auto* key = new QShortcut(forward ? QKeySequence(Qt::Key_N) : QKeySequence(Qt::SHIFT | Qt::Key_N), this);
    connect(key, &QShortcut::activated, this, [this, forward] {
      if (jumpToEvent) jumpToEvent(forward);
    });
  }
}

frmArchive::~frmArchive() = default;

int frmArchive::limit() const { return txtLimit->value(); }
void frmArchive::SetLimit(int kmh) { txtLimit->setValue(kmh); }

void frmArchive::closeEvent(QCloseEvent* e) {
  worker_.Stop();  // what was read stays in the index; the rest is read when the folder is opened again
  e->accept();
}

bool frmArchive::OpenFolder(const QString& folder, const QString& givenIndex) {
  const QString set = txtIndex->text().trimmed();
  const QString indexPath = !givenIndex.isEmpty() ? givenIndex : !set.isEmpty() ? set : DefaultIndexPath();
  const QByteArray root = AbsolutePath(NativeName(folder));
  const auto refuse = [](const QString& text) {
    Modal::current().message(text, MsgIcon::Critical, MsgButtons::Ok);
    return false;
  };
  if (!IsFolder(folder)) return refuse(QStringLiteral("Nie można otworzyć folderu:\n%1").arg(folder));
  // The folder is evidence: the index never lies inside it.
  if (!IndexLocation::IsUrl(indexPath) && LiesInside(AbsolutePath(NativeName(indexPath)), root))
    return refuse(QStringLiteral("Indeks archiwum (%1) leżałby w folderze nagrań %2.\nWybierz inny folder.")
                      .arg(indexPath, folder));
  worker_.Stop();
  if (!index_ || indexPath != indexPath_) {
    index_ = std::make_unique<ArchiveIndex>();
    indexPath_ = indexPath;
    if (!index_->Open(indexPath, true)) {
      const QString error = index_->Error(), shown = index_->Shown();
      index_.reset();
      return refuse(QStringLiteral("Nie można otworzyć indeksu archiwum %1:\n%2").arg(shown, error));
    }
  }
  const std::optional<QHash<QByteArray, ArchiveIndex::Stored>> stored = index_->Stamps();
  std::optional<QHash<qint64, RecordingSummary>> summaries;
  if (stored) summaries = index_->Summaries();
  if (!summaries)
    return refuse(QStringLiteral("Nie można odczytać indeksu archiwum %1:\n%2").arg(index_->Shown(), index_->Error()));

  // The folder as it is now; a folder that cannot be searched stands in the table with its reason.
  std::vector<ArchiveEntry> entries;
  QList<std::pair<QByteArray, std::optional<FileStamp>>> listed;
  for (const ListedRecording& item : ListRecordings({NameFromNative(root)})) {
    ArchiveEntry e;
    e.path = AbsolutePath(NativeName(item.path));
    e.name = LiesInside(e.path, root) ? e.path.mid(root.size() + (root.endsWith('/') ? 0 : 1)) : e.path;
    if (item.error != 0) {
      e.failure =
          QStringLiteral("nie można przeszukać folderu (%1)").arg(QString::fromLocal8Bit(std::strerror(item.error)));
    } else {
      e.stamp = StampOf(e.path);
      listed.append({e.path, e.stamp});
    }
    entries.push_back(std::move(e));
  }
  const IndexPlan plan = PlanIndexing(*stored, listed, {root});
  const QSet<QByteArray> toRead(plan.toRead.begin(), plan.toRead.end());
  std::int64_t bytes = 0;
  for (ArchiveEntry& e : entries) {
    if (!e.failure.isEmpty()) continue;
    if (toRead.contains(e.path)) {
      e.pending = true;
      bytes += e.stamp ? e.stamp->size : 0;
    } else if (const auto it = stored->find(e.path); it != stored->end()) {
      e.summary = summaries->value(it->id);
    }
  }
  folder_ = NameFromNative(root);
  setWindowTitle(
      QStringLiteral("Archiwum – %1").arg(ReadableName(NameFromNative(root.mid(root.lastIndexOf('/') + 1)))));
  table.SetEntries(std::move(entries));
  RefreshEvents();
  order.sort(order.sortColumn(), order.sortOrder());
  if (!plan.toRead.isEmpty() || !plan.gone.isEmpty()) {
    prgReading->setValue(0);
    prgReading->show();
    cmdStop->show();
    worker_.Start(indexPath, plan.toRead, plan.gone, bytes);
  }
  ShowSummary();
  return true;
}

void frmArchive::SetRows(ArchiveEntry& e, std::vector<MeasurementRow> rows) const {
  e.rows = std::move(rows);
  e.events = EventsOfRows(e.rows, limit(), 0);
}

void frmArchive::RefreshEvents() {
  if (!index_) return;
  const auto stored = index_->Stamps();
  const auto rows = index_->RowsAtOrOver(limit());
  if (!stored || !rows) {
    Modal::current().message(
        QStringLiteral("Nie można odczytać indeksu archiwum %1:\n%2").arg(index_->Shown(), index_->Error()),
        MsgIcon::Critical, MsgButtons::Ok);
    return;
  }
  for (int row = 0; row < table.rowCount(); ++row) {
    const ArchiveEntry& e = table.entry(row);
    if (!e.summary) continue;
    const auto it = stored->find(e.path);
    std::vector<MeasurementRow> mine;
    if (it != stored->end() && it->stamp == e.summary->stamp) mine = rows->value(it->id);
    table.Change(row, [&](ArchiveEntry& entry) { SetRows(entry, std::move(mine)); });
  }
  order.Refilter();
  ShowSummary();
}

void frmArchive::Take(const ArchiveWorker::Reading& reading) {
  const int row = table.RowOf(reading.path);
  if (row < 0) return;
  table.Change(row, [&](ArchiveEntry& e) {
    e.pending = false;
    e.failure = reading.failure;
    e.summary.reset();
    std::vector<MeasurementRow> over;
    if (reading.recording) {
      e.summary = reading.recording->summary;
      for (const MeasurementRow& r : reading.recording->rows)
        if (r.kmh >= limit()) over.push_back({r.frame, r.position, r.seconds, r.kmh, {}});
    }
    SetRows(e, std::move(over));
  });
  order.Refilter();
  ShowSummary();
}

void frmArchive::Finished(bool, const QString& indexError) {
  prgReading->hide();
  cmdStop->hide();
  for (int row = 0; row < table.rowCount(); ++row)
    if (table.entry(row).pending) table.Change(row, [](ArchiveEntry& e) { e.pending = false; });
  order.sort(order.sortColumn(), order.sortOrder());
  ShowSummary();
  if (!indexError.isEmpty())
    Modal::current().message(QStringLiteral("Nie można zapisać indeksu archiwum %1:\n%2")
                                 .arg(index_ ? index_->Shown() : indexPath_, indexError),
                             MsgIcon::Critical, MsgButtons::Ok);
}

void frmArchive::ShowSummary() {
  int withEvents = 0, failed = 0, waiting = 0, unread = 0;
  for (const ArchiveEntry& e : table.entries()) {
    withEvents += !e.events.empty();
    failed += !e.failure.isEmpty();
    waiting += e.pending;
    unread += !e.summary && e.failure.isEmpty() && !e.pending;
  }
  QString text = QStringLiteral("Nagrania: %1 (pokazane: %2),  ze zdarzeniami: %3")
                     .arg(table.rowCount())
                     .arg(order.rowCount())
                     .arg(withEvents);
  if (waiting) text += QStringLiteral(",  do odczytu: %1").arg(waiting);
  if (unread) text += QStringLiteral(",  nieodczytane: %1").arg(unread);
  if (failed) text += QStringLiteral(",  błędy: %1").arg(failed);
  lblSummary->setText(text);
}

namespace {

// The file position of the event's peak frame, from the rows it was found in.
std::optional<FilePos> peakPosition(const ArchiveEntry& e, const SpeedEvent& event) {
  const auto it =
      std::find_if(e.rows.begin(), e.rows.end(), [&](const MeasurementRow& r) { return r.frame == event.peakFrame; });
  return it == e.rows.end() ? std::nullopt : std::optional<FilePos>(it->position);
}

}  // namespace

std::optional<frmArchive::Jump> frmArchive::JumpAt(int shownRow) const {
  if (shownRow < 0 || shownRow >= order.rowCount()) return std::nullopt;
  const ArchiveEntry& e = table.entry(order.TableRow(shownRow));
  if (!e.failure.isEmpty() && !e.stamp) return std::nullopt;  // a folder that could not be searched
  return Jump{NameFromNative(e.path), e.events.empty() ? std::nullopt : peakPosition(e, e.events.front())};
}

std::optional<frmArchive::Jump> frmArchive::NeighbourRecordingEvent(const QString& current, bool forward) const {
  const int tableRow = table.RowOf(AbsolutePath(NativeName(current)));
  if (tableRow < 0) return std::nullopt;
  const int shown = order.ShownRow(tableRow);
  if (shown < 0) return std::nullopt;
  for (int row = shown + (forward ? 1 : -1); row >= 0 && row < order.rowCount(); row += forward ? 1 : -1) {
    const ArchiveEntry& e = table.entry(order.TableRow(row));
    if (e.events.empty()) continue;
    if (const auto peak = peakPosition(e, forward ? e.events.front() : e.events.back()))
      return Jump{NameFromNative(e.path), peak};
  }
  return std::nullopt;
}
