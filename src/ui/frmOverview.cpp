#include "ui/frmOverview.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

#include "platform/Modal.h"
#include "platform/NativeName.h"
#include "ui/QtModal.h"
#include "ui/Remembered.h"
#include "ui/SaveQuestions.h"
#include "drawing/EvidenceReport.h"

namespace {

// The busy pointer while a walk or a report runs.
class Busy {
 public:
  Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Busy() { QApplication::restoreOverrideCursor(); }
};

// Why a check could not be made, as the list says it.
QString checkFailureText(const PassFailure& failure) {
  if (failure.readAt > 0) return QStringLiteral("błąd odczytu w pobliżu pozycji %1").arg(failure.readAt);
  return QStringLiteral("nie można otworzyć pliku (%1)").arg(QString::fromLocal8Bit(std::strerror(failure.openError)));
}

}  // namespace

QRect OverviewPlace(const QRect& screen, const QRect& main, const QRect& coverable, QSize preferred, QSize least,
                    QSize frame) {
  constexpr int kGap = 8;
  // The room on each side of the main window, for the window with its frame.
  const int right = screen.right() - main.right() - kGap - frame.width();
  const int left = main.left() - screen.left() - kGap - frame.width();
  const int below = screen.bottom() - main.bottom() - kGap - frame.height();
  const int above = main.top() - screen.top() - kGap - frame.height();
  const int tallest = screen.height() - frame.height(), widest = screen.width() - frame.width();
  const auto within = [](int value, int low, int high) { return std::max(low, std::min(value, high)); };
  if (right >= least.width() || left >= least.width()) {
    const QSize size(std::min(preferred.width(), std::max(right, left)), std::min(preferred.height(), tallest));
    const int x = right >= least.width() ? main.right() + 1 + kGap : main.left() - kGap - frame.width() - size.width();
    return {QPoint(x, within(main.top(), screen.top(), screen.bottom() + 1 - frame.height() - size.height())), size};
  }
  if (below >= least.height() || above >= least.height()) {
    const QSize size(std::min(preferred.width(), widest), std::min(preferred.height(), std::max(below, above)));
    const int y =
        below >= least.height() ? main.bottom() + 1 + kGap : main.top() - kGap - frame.height() - size.height();
    return {QPoint(within(main.left(), screen.left(), screen.right() + 1 - frame.width() - size.width()), y), size};
  }
  const QRect room = coverable.intersected(screen);
  return {room.topLeft(), QSize(std::min(preferred.width(), room.width() - frame.width()),
                                std::min(preferred.height(), room.height() - frame.height()))};
}

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(400, 200);
  setCursor(Qt::PointingHandCursor);
}

void PlotView::SetPlot(std::optional<SpeedPlot> plot) {
  plot_ = std::move(plot);
  update();
}

void PlotView::SetMarker(std::optional<int> frame) {
  if (frame == marker_) return;
  marker_ = frame;
  update();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (plot_) {
    plot_->Draw(p, rect(), marker_);
  } else {
    p.fillRect(rect(), Qt::white);
  }
}

void PlotView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !plot_) return;
  if (const std::optional<int> frame = plot_->FrameAt(e->position(), rect())) emit FrameClicked(*frame);
}

frmOverview::frmOverview(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Przegląd nagrania"));
  resize(900, 560);
  plot = new PlotView(this);
  txtLimit = new QSpinBox(this);
  txtLimit->setRange(0, 1000);
  txtLimit->setSuffix(QStringLiteral(" km/h"));
  txtLimit->setValue(std::clamp(Remembered::OverviewLimit(), 0, 1000));
  lstEvents = new QListWidget(this);
  lstFindings = new QListWidget(this);
  lblSummary = new QLabel(this);
  cmdReport = new QPushButton(QStringLiteral("Raport…"), this);

  auto* top = new QHBoxLayout;
  auto* limitLabel = new QLabel(QStringLiteral("&Limit prędkości:"), this);
  limitLabel->setBuddy(txtLimit);
  top->addWidget(limitLabel);
  top->addWidget(txtLimit);
  top->addSpacing(16);
  top->addWidget(lblSummary, 1);
  top->addWidget(cmdReport);
  // A narrow window beside the main one: the summary wraps rather than widening the row.
  lblSummary->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(plot, 3);
  layout->addWidget(
      new QLabel(QStringLiteral("Zdarzenia powyżej limitu (kliknięcie pokazuje klatkę szczytową):"), this));
  layout->addWidget(lstEvents, 2);
  auto* integrity = new QLabel(QStringLiteral("<b>Integralność</b> (kliknięcie pokazuje klatkę):"), this);
  layout->addWidget(integrity);
  layout->addWidget(lstFindings, 1);

  connect(txtLimit, &QSpinBox::valueChanged, this, [this](int kmh) {
    Remembered::SetOverviewLimit(kmh);
    Refresh();
  });
  connect(plot, &PlotView::FrameClicked, this, [this](int frame) { Show(frame); });
  connect(lstEvents, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = lstEvents->row(item);
    if (row >= 0 && row < static_cast<int>(events_.size())) Show(events_[static_cast<std::size_t>(row)].peakFrame);
  });
  connect(lstEvents, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit lstEvents->itemClicked(item); });
  connect(lstFindings, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = lstFindings->row(item);
    if (check_ && row >= 0 && row < static_cast<int>(check_->findings.size()) && !frames_.empty())
      // Bytes after the last frame come before a frame there is none of: the last one stands for them.
      Show(std::min(check_->findings[static_cast<std::size_t>(row)].frame, static_cast<int>(frames_.size()) - 1));
  });
  connect(lstFindings, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit lstFindings->itemClicked(item); });
  connect(cmdReport, &QPushButton::clicked, this, [this] { ReportCommand(); });
  for (const bool forward : {true, false}) {
    auto* key = new QShortcut(forward ? QKeySequence(Qt::Key_N) : QKeySequence(Qt::SHIFT | Qt::Key_N), this);
    connect(key, &QShortcut::activated, this, [this, forward] {
      if (jumpToEvent) jumpToEvent(forward);
    });
  }
  lstEvents->setFocus();
}

int frmOverview::limit() const { return txtLimit->value(); }
void frmOverview::SetLimit(int kmh) { txtLimit->setValue(kmh); }

bool frmOverview::SetRecording(const QString& path, std::int16_t powerOnMinutes) {
  if (Shows(path, powerOnMinutes)) return true;
  path_.clear();
  powerOnMinutes_ = powerOnMinutes;
  frames_.clear();
  current_.reset();
  bool read = true;
  if (!path.isEmpty()) {
    const Busy busy;
    QString error;
    if (auto frames = ReadFrameRecords(path, powerOnMinutes, &error)) {
      frames_ = std::move(*frames);
      path_ = path;
    } else {
      read = false;
      Modal::current().message(error, MsgIcon::Critical, MsgButtons::Ok);
    }
  }
  setWindowTitle(path_.isEmpty()
                     ? QStringLiteral("Przegląd nagrania")
                     : QStringLiteral("Przegląd nagrania – %1").arg(ReadableName(QFileInfo(path_).fileName())));
  Refresh();
  StartCheck();
  return read;
}

void frmOverview::StartCheck() {
  check_.reset();
  int run = 0;
  {
    const std::lock_guard lock(checkMutex_);
    run = ++checkRun_;
    checked_.reset();
    checkFailure_.clear();
  }
  ListFindings();
  if (path_.isEmpty()) return;
  // Decoding every frame takes a while on a long recording: on every core, off the window's thread.
  checking_.Start([this, run, path = path_] {
    PassFailure failure;
    std::optional<RecordingCheck> c;
    QString why;
    try {
      c = CheckRecording(path, CheckOptions{std::max(1, QThread::idealThreadCount())}, &failure);
      if (!c) why = checkFailureText(failure);
    } catch (const std::exception& e) {
      c.reset();
      why = QString::fromLocal8Bit(e.what());
    }
    {
      const std::lock_guard lock(checkMutex_);
      if (run != checkRun_) return;  // another recording's turn by now
      checked_ = std::move(c);
      checkFailure_ = why;
    }
    QMetaObject::invokeMethod(
        this, [this] { TakeCheck(); }, Qt::QueuedConnection);
  });
}

void frmOverview::TakeCheck() {
  {
    const std::lock_guard lock(checkMutex_);
    if (!checked_) return;
    check_ = std::move(*checked_);
    checked_.reset();
  }
  ListFindings();
}

void frmOverview::FinishCheck() {
  const Busy busy;
  checking_.Wait();
  TakeCheck();
}

void frmOverview::ListFindings() {
  lstFindings->clear();
  if (path_.isEmpty()) return;
  QString why;
  {
    const std::lock_guard lock(checkMutex_);
    why = checkFailure_;
  }
  if (check_ && check_->Intact()) {
    lstFindings->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                             QStringLiteral("Nagranie nienaruszone")));
  } else if (check_) {
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const Finding& f : check_->findings) lstFindings->addItem(new QListWidgetItem(warning, FindingText(f)));
  } else {
    lstFindings->addItem(why.isEmpty() ? QStringLiteral("Sprawdzanie nagrania…")
                                       : QStringLiteral("Nie udało się sprawdzić nagrania: %1").arg(why));
  }
}

QString frmOverview::FindingText(const Finding& f) {
  const QString details = FindingDetails(f, TextLanguage::Polish);
  return QStringLiteral("klatka %1:  %2%3  (pozycje %4)")
      .arg(f.frame)
      .arg(FindingKindTitle(f.kind, TextLanguage::Polish),
           details.isEmpty() ? QString() : QStringLiteral(" – ") + details,
           EventSpan(QString::number(f.start), QString::number(f.end)));
}

void frmOverview::Refresh() {
  events_ = EventsOver(frames_, limit());
  if (path_.isEmpty()) {
    plot->SetPlot(std::nullopt);
  } else {
    plot->SetPlot(SpeedPlot(frames_, limit(), powerOnMinutes_, TextLanguage::Polish));
  }
  plot->SetMarker(current_);
  lstEvents->clear();
  for (std::size_t i = 0; i < events_.size(); ++i) lstEvents->addItem(EventText(i, events_[i]));
  const auto measured = std::count_if(frames_.begin(), frames_.end(), [](const FrameRecord& f) { return f.speedKmh; });
  lblSummary->setText(path_.isEmpty() ? QStringLiteral("Brak nagrania")
                                      : QStringLiteral("Klatki: %1,  pomiary: %2,  zdarzenia: %3")
                                            .arg(frames_.size())
                                            .arg(measured)
                                            .arg(events_.size()));
  cmdReport->setEnabled(!path_.isEmpty());
}

QString frmOverview::EventText(std::size_t index, const SpeedEvent& e) {
  const QString peak = QStringLiteral("maks. %1 km/h").arg(e.peakKmh);
  if (e.first == e.last)
    return QStringLiteral("%1.  klatka %2,  %3,  %4").arg(index + 1).arg(e.first).arg(e.firstTime.trimmed(), peak);
  return QStringLiteral("%1.  klatki %2–%3,  %4 – %5,  %6 (klatka %7)")
      .arg(index + 1)
      .arg(e.first)
      .arg(e.last)
      .arg(e.firstTime.trimmed(), e.lastTime.trimmed(), peak)
      .arg(e.peakFrame);
}

void frmOverview::SetCurrent(FilePos start) {
  const auto after = std::upper_bound(frames_.begin(), frames_.end(), start,
                                      [](FilePos at, const FrameRecord& f) { return at < f.start; });
  current_ = after == frames_.begin() ? std::nullopt : std::optional<int>(std::prev(after)->n);
  plot->SetMarker(current_);
  // The event the frame belongs to, if any, stands selected in the list.
  for (std::size_t i = 0; current_ && i < events_.size(); ++i)
    if (events_[i].first <= *current_ && *current_ <= events_[i].last && lstEvents->currentRow() != static_cast<int>(i))
      lstEvents->setCurrentRow(static_cast<int>(i));
}

std::optional<FilePos> frmOverview::NeighbourPeakAt(FilePos at, bool forward) const {
  const std::optional<int> peak = NeighbourPeak(events_, frames_, at, forward);
  if (!peak) return std::nullopt;
  return frames_[static_cast<std::size_t>(*peak)].start;
}

void frmOverview::Show(int frame) {
  if (showFrame && frame >= 0 && frame < static_cast<int>(frames_.size()))
    showFrame(frames_[static_cast<std::size_t>(frame)].start);
}

bool frmOverview::WriteReport(const QString& path) {
  FinishCheck();
  const Busy busy;
  QString error;
  const std::optional<EvidenceReport> report = GatherEvidence(path_, frames_, limit(), powerOnMinutes_, &error, check_);
  if (!report || !WriteEvidenceReport(*report, path, TextLanguage::Polish, &error)) {
    Modal::current().message(QStringLiteral("Nie udało się zapisać raportu:\n%1\n(%2)").arg(path, error),
                             MsgIcon::Critical, MsgButtons::Ok);
    return false;
  }
  return true;
}

void frmOverview::ReportCommand() {
  if (path_.isEmpty()) return;
  const QtModal::OwnerScope over(this);  // the save dialog and its questions over this window
  const QString path = AskSaveName(QFileInfo(path_).completeBaseName() + QStringLiteral("-raport.pdf"),
                                   QStringLiteral("raport PDF (*.PDF)|*.PDF|strona HTML (*.HTML)|*.HTML"));
  if (path.isEmpty() || !ConfirmReplace(path)) return;
  WriteReport(path);
}
