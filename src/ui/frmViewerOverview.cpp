// The window's side of the overview: the key and the menu that open it, the jumps to the
// events' peaks, and the overview kept on the recording and the frame the window shows.

#include <QMenu>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "ui/frmViewer.h"

frmOverview& frmViewer::Overview() {
  if (!overview_) {
    overview_ = new frmOverview(this);
    overview_->showFrame = [this](FilePos start) { Run([&] { core_.ShowFrameAt(start); }); };
    overview_->jumpToEvent = [this](bool forward) { Run([&] { EventCommand(forward); }); };
    connect(overview_->txtLimit, &QSpinBox::valueChanged, this, [this](int kmh) {
      if (archive_) archive_->SetLimit(kmh);
    });
  }
  return *overview_;
}

void frmViewer::PlaceOverview() {
  constexpr QSize kPreferred(900, 560);
  // The window manager's frame, once the overview has had one.
  const QSize frame = overview_->frameGeometry().size() - overview_->size();
  // Beside the main window it is as tall as the main window where the screen allows.
  const QRect place = OverviewPlace(screen()->availableGeometry(), frameGeometry(),
                                    QRect(frameGeometry().topLeft(),
                                          QSize(picTV->geometry().right() + 1, picTV->geometry().bottom() + 1)),
                                    kPreferred.expandedTo(QSize(0, height())), overview_->minimumSizeHint(), frame);
  overview_->resize(place.size().expandedTo(overview_->minimumSizeHint()));
  overview_->move(place.topLeft());
}

namespace {

QString openRecording(const Viewer& v) { return v.recording().isOpen() ? v.OpenRecordingPath() : QString(); }

}  // namespace

bool frmViewer::SyncOverview() {
  if (overview_->Shows(openRecording(core_), core_.module().PowerOnMinutes)) return true;
  // Walked outside the repaint that noticed it: a failure's message box may show.
  QTimer::singleShot(0, this, [this] {
    Run([&] {
      if (overview_->SetRecording(openRecording(core_), core_.module().PowerOnMinutes)) {
        overview_->SetCurrent(core_.scanner().FrameStartPos());
      } else {
        overview_->hide();  // until it is asked for again
      }
    });
  });
  return false;
}

// Like every command but stop, none of these acts while an export runs.
void frmViewer::OverviewCommand() {
  if (core_.mode() == PlayMode::Exporting) return;
  frmOverview& overview = Overview();
  if (!overview.SetRecording(openRecording(core_), core_.module().PowerOnMinutes)) return;
  overview.SetCurrent(core_.scanner().FrameStartPos());
  if (!overview.isVisible()) {
    PlaceOverview();
    overview.show();
    PlaceOverview();  // again with the frame the window manager gave it, where it is known by now
  }
  overview.raise();
  overview.activateWindow();
}

void frmViewer::EventCommand(bool forward) {
  const QString path = openRecording(core_);
  if (core_.mode() == PlayMode::Exporting || path.isEmpty() ||
      !Overview().SetRecording(path, core_.module().PowerOnMinutes))
    return;
  if (const std::optional<FilePos> peak = overview_->NeighbourPeakAt(core_.scanner().FrameStartPos(), forward)) {
    core_.ShowFrameAt(*peak);
  } else if (const std::optional<frmArchive::Jump> next = ArchiveNeighbour(path, forward)) {
    ShowArchiveRecording(*next);  // no more events here: on into the archive's next recording
  }
}

// The picture's menu: what the keys G, N, Shift+N and Ctrl+Shift+O do. It pops up and returns at once;
// the chosen row runs as the key does.
void frmViewer::picTV_ContextMenu(QPoint global) {
  if (core_.mode() == PlayMode::Exporting) return;
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool recording = core_.recording().isOpen();
  const std::pair<const char*, KeyAction> rows[] = {{"Przegląd nagrania…\tG", KeyAction::Overview},
                                                    {"Następne zdarzenie\tN", KeyAction::NextEvent},
                                                    {"Poprzednie zdarzenie\tShift+N", KeyAction::PreviousEvent},
                                                    {"Otwórz folder…\tCtrl+Shift+O", KeyAction::OpenFolder}};
  for (const auto& [text, action] : rows) {
    if (action == KeyAction::OpenFolder) menu->addSeparator();
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setEnabled(recording || action == KeyAction::OpenFolder);
    connect(a, &QAction::triggered, this, [this, action] { Run([&] { RunKeyCommand(action); }); });
  }
  menu->popup(global);
}
