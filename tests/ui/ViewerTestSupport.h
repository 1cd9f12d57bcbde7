#pragma once
// Small helpers the widget tests share: window coordinates of a control, packed colours,
// the window and dialogs shown as a person finds them, generated recordings and their frames.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "RecordingGenerator.h"
#include "shell/frmViewer.h"
#include "support/ScriptedModal.h"

namespace uitest {

// A control's rectangle in its top-level window's coordinates.
inline QRect WindowRect(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// 0x00BBGGRR as the colour it stands for, spelled out here so a swapped channel shows.
inline QColor Rgb(std::uint32_t packed) {
  return QColor(int(packed & 0xFF), int((packed >> 8) & 0xFF), int((packed >> 16) & 0xFF));
}

// Replaces `dialog` with a new one, shown and active, so keys reach it.
template <class Dialog, class Arg>
Dialog& ShowActive(std::unique_ptr<Dialog>& dialog, Arg& arg) {
  dialog.reset();
  dialog = std::make_unique<Dialog>(arg);
  dialog->show();
  dialog->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog.get())) qFatal("the dialog never became active");
  return *dialog;
}

// The real window, every dialog it opens answered by `modal`.
struct ScriptedWindow {
  ScriptedModal modal;
  ModalScope scope{modal};
  frmViewer v;

  // Starts it with `argumentString` and shows it at (100, 100).
  bool show(const QString& argumentString = {}) {
    v.Form_Load(argumentString);
    v.move(100, 100);
    v.show();
    return QTest::qWaitForWindowExposed(&v);
  }
  void click(const QWidget* control, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(v.windowHandle(), button, {}, WindowRect(control).center());
  }
};

// A recording written by the generator into a private folder; name may hold blanks
// and a subfolder ("with blanks/rec.mjp").
class GeneratedRecording {
 public:
  GeneratedRecording(const QString& name, const recgen::Options& options) : path_(dir_.filePath(name)) {
    QDir().mkpath(QFileInfo(path_).path());
    frames_ = recgen::WriteRecording(QFile::encodeName(path_).toStdString(), options);
  }
  const QString& path() const { return path_; }
  const std::vector<recgen::FrameRecord>& frames() const { return frames_; }

  // Frame k straight from the file, decoded by Qt's own JPEG reader rather than the viewer's.
  QImage Reference(std::size_t k) const {
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(frames_.at(k).jpegPos - 1)) return {};
    return QImage::fromData(f.read(qint64(frames_.at(k).jpegSize)), "JPEG");
  }

 private:
  QTemporaryDir dir_;
  QString path_;
  std::vector<recgen::FrameRecord> frames_;
};

// The largest channel difference between picture and the area of canvas at (x, y).
inline int MaxDifference(const QImage& canvas, int x, int y, const QImage& picture) {
  int worst = 0;
  for (int py = 0; py < picture.height(); ++py)
    for (int px = 0; px < picture.width(); ++px) {
      const QRgb a = canvas.pixel(x + px, y + py), b = picture.pixel(px, py);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  return worst;
}

}  // namespace uitest
