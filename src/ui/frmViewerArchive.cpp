// The window's side of the archive: the folder dialog, the key and the drop that open it, the
// recording a double-click asks for, and N / Shift+N going on into the next recording's events.

#include <QFileInfo>
#include <QScreen>
#include <QSpinBox>

#include "archive/RecordingList.h"
#include "platform/Modal.h"
#include "ui/Remembered.h"
#include "ui/frmViewer.h"

frmArchive& frmViewer::Archive() {
  if (!archive_) {
    archive_ = new frmArchive(this);
    archive_->openRecording = [this](const frmArchive::Jump& jump) {
      Run([&] { ShowArchiveRecording(jump); });
      raise();  // the frame asked for in sight, where the archive lay over it
      activateWindow();
    };
    archive_->jumpToEvent = [this](bool forward) { Run([&] { EventCommand(forward); }); };
    // One limit for the archive and the overview: N's events are the ones the archive counts.
    connect(archive_->txtLimit, &QSpinBox::valueChanged, this, [this](int kmh) {
      if (overview_) overview_->SetLimit(kmh);
    });
  }
  return *archive_;
}

void frmViewer::OpenFolderCommand() {
  if (core_.mode() == PlayMode::Exporting) return;
  const QString offered = archive_ && !archive_->folder().isEmpty() ? archive_->folder() : Remembered::OpenFolder();
  const QString chosen =
      Modal::current().openFolder({QStringLiteral("Wybierz folder z nagraniami"), offered, QString()});
  if (!chosen.isEmpty()) OpenArchive(chosen);
}

void frmViewer::OpenArchive(const QString& folder) {
  if (core_.mode() == PlayMode::Exporting) return;
  frmArchive& archive = Archive();
  if (!archive.OpenFolder(folder)) return;
  if (!archive.isVisible()) {
    constexpr QSize kPreferred(900, 560);
    const QSize frame = archive.frameGeometry().size() - archive.size();
    const QRect place = OverviewPlace(screen()->availableGeometry(), frameGeometry(),
                                      QRect(frameGeometry().topLeft(),
                                            QSize(picTV->geometry().right() + 1, picTV->geometry().bottom() + 1)),
                                      kPreferred.expandedTo(QSize(0, height())), archive.minimumSizeHint(), frame);
    archive.resize(place.size().expandedTo(archive.minimumSizeHint()));
    archive.move(place.topLeft());
    archive.show();
  }
  archive.raise();
  archive.activateWindow();
}

// As the open command opens a recording, then the frame asked for, exactly.
void frmViewer::ShowArchiveRecording(const frmArchive::Jump& jump) {
  if (!core_.CommandAvailable(PanelCommand::Open)) return;
  Remembered::SetOpenFolder(jump.path);
  if (!core_.recording().isOpen() || core_.OpenRecordingPath() != jump.path) {
    core_.OpenCommand(jump.path);
    if (!core_.recording().isOpen()) return;
  }
  if (jump.frame) core_.ShowFrameAt(*jump.frame);
}

std::optional<frmArchive::Jump> frmViewer::ArchiveNeighbour(const QString& path, bool forward) const {
  if (!archive_ || !archive_->isVisible()) return std::nullopt;
  return archive_->NeighbourRecordingEvent(path, forward);
}
