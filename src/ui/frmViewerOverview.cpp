// The window's side of the overview: the key and the menu that open it, the jumps to the
// events' peaks, and the overview kept on the recording and the frame the window shows.

#include <algorithm>

#include <QMenu>
#include <QScreen>
#include <QTimer>

#include "ui/frmViewer.h"

frmOverview& frmViewer::Overview() {
  if (!overview_) {
    overview_ = new frmOverview(this);
    overview_->showFrame = [this](FilePos start) { Run([&] { core_.ShowFrameAt(start); }); };
    overview_->jumpToEvent = [this](bool forward) { Run([&] { EventCommand(forward); }); };
    // Beside the main window where the screen has room, else below it, kept on the screen.
    const QRect screen = this->screen()->availableGeometry();
    const QRect main = frameGeometry();
    const QSize size = overview_->size();
    QPoint at(main.right() + 8, main.top());
    if (at.x() + size.width() > screen.right()) at = QPoint(main.left(), main.bottom() + 8);
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() - size.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() - size.height())));
    overview_->move(at);
  }
  return *overview_;
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

void frmViewer::OverviewCommand() {
  frmOverview& overview = Overview();
  if (!overview.SetRecording(openRecording(core_), core_.module().PowerOnMinutes)) return;
  overview.SetCurrent(core_.scanner().FrameStartPos());
  overview.show();
  overview.raise();
  overview.activateWindow();
}

void frmViewer::EventCommand(bool forward) {
  const QString path = openRecording(core_);
  if (path.isEmpty() || !Overview().SetRecording(path, core_.module().PowerOnMinutes)) return;
  if (const std::optional<FilePos> peak = overview_->NeighbourPeakAt(core_.scanner().FrameStartPos(), forward))
    core_.ShowFrameAt(*peak);
}

// The picture's menu: what the keys G, N and Shift+N do. It pops up and returns at once;
// the chosen row runs as the key does.
void frmViewer::picTV_ContextMenu(QPoint global) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool recording = core_.recording().isOpen();
  const std::pair<const char*, KeyAction> rows[] = {{"Przegląd nagrania…\tG", KeyAction::Overview},
                                                    {"Następne zdarzenie\tN", KeyAction::NextEvent},
                                                    {"Poprzednie zdarzenie\tShift+N", KeyAction::PreviousEvent}};
  for (const auto& [text, action] : rows) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setEnabled(recording);
    connect(a, &QAction::triggered, this, [this, action] { Run([&] { RunKeyCommand(action); }); });
  }
  menu->popup(global);
}
