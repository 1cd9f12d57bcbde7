#include "ui/frmArchive.h"

#include <algorithm>

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

#include "archive/IndexLocation.h"
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
    AskRows();
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
    // Readings side by side may tell their totals out of order: the bar never goes back.
    const int share = total > 0 ? static_cast<int>(std::min<std::int64_t>(1000, done * 1000 / total)) : 0;
    prgReading->setValue(std::max(prgReading->value(), share));
  });
  connect(&worker_, &ArchiveWorker::Listed, this, &frmArchive::Listed);
  connect(&worker_, &ArchiveWorker::Finished, this, &frmArchive::Finished);
  connect(&rows_, &ArchiveWorker::RowsRead, this, &frmArchive::RowsRead);
  connect(&rows_, &ArchiveWorker::Finished, this, [this](bool, const QString& failure) {
    const bool again = rowsAgain_ && failure.isEmpty();
    rowsAgain_ = false;
    if (!failure.isEmpty()) Modal::current().message(failure, MsgIcon::Critical, MsgButtons::Ok);
    if (again) AskRows();
  });
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
  rows_.Stop();
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
  worker_.Stop();  // its end told before this run begins
  listed_ = rowsAgain_ = false;
  rows_.Stop();
  if (NameFromNative(root) != folder_) table.SetEntries({});
  folder_ = NameFromNative(root);
  indexPath_ = indexPath;
  setWindowTitle(
      QStringLiteral("Archiwum – %1").arg(ReadableName(NameFromNative(root.mid(root.lastIndexOf('/') + 1)))));
  ShowBusy(QStringLiteral("Wczytywanie indeksu…"), true);
  listing_ = true;
  worker_.Open(indexPath, root, limit());
  ShowSummary();
  return true;
}

void frmArchive::ShowBusy(const QString& text, bool waiting) {
  prgReading->setRange(0, waiting ? 0 : 1000);
  prgReading->setValue(0);
  prgReading->setFormat(text);
  prgReading->show();
  cmdStop->show();
}

void frmArchive::Listed(const ArchiveWorker::Listing& listing) {
  listing_ = false;
  listed_ = true;
  table.SetEntries(listing.entries);
  order.sort(order.sortColumn(), order.sortOrder());
  if (listing.limit != limit()) AskRows();  // changed meanwhile
  if (std::any_of(listing.entries.begin(), listing.entries.end(), [](const ArchiveEntry& e) { return e.pending; }))
    ShowBusy(QStringLiteral("Odczyt nowych nagrań… %p%"), false);
  ShowSummary();
}

void frmArchive::AskRows() {
  if (!listed_) return;  // the listing on its way brings its own; after a failed one, none
  if (rows_.running()) {
    rowsAgain_ = true;  // one reading at a time: the latest limit is read once this one ends
    return;
  }
  rows_.ReadRows(indexPath_, limit());
}

void frmArchive::RowsRead(const ArchiveWorker::Rows& answer) {
  if (answer.limit != limit()) return;  // another limit's answer is on its way
  for (int row = 0; row < table.rowCount(); ++row) {
    const ArchiveEntry& e = table.entry(row);
    if (!e.summary) continue;
    // One read after the answer was taken keeps the rows its reading gave.
    const auto it = answer.stored.find(e.path);
    if (it == answer.stored.end() || !(it->stamp == e.summary->stamp)) continue;
    table.Change(row, [&](ArchiveEntry& entry) { entry.SetRows(answer.rows.value(it->id), limit()); });
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
    if (reading.recording) e.summary = reading.recording->summary;
    e.SetRows(reading.recording ? reading.recording->rows : std::vector<MeasurementRow>(), limit());
  });
  order.Refilter();
  ShowSummary();
}

void frmArchive::Finished(bool, const QString& failure) {
  listing_ = false;
  prgReading->hide();
  cmdStop->hide();
  for (int row = 0; row < table.rowCount(); ++row)
    if (table.entry(row).pending) table.Change(row, [](ArchiveEntry& e) { e.pending = false; });
  order.sort(order.sortColumn(), order.sortOrder());
  ShowSummary();
  if (!failure.isEmpty()) Modal::current().message(failure, MsgIcon::Critical, MsgButtons::Ok);
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
  if (listing_)
    text = table.rowCount() == 0 ? QStringLiteral("Wczytywanie indeksu %1…").arg(IndexLocation::Masked(indexPath_))
                                 : text + QStringLiteral(",  wczytywanie indeksu…");
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
