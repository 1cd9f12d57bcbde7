#pragma once
// What the widget tests share: the suites' list, window coordinates of a control, packed
// colours, the window and dialogs shown as a person finds them, generated recordings.

#include <functional>
#include <memory>
#include <vector>

#include <QtTest>
#include <QtWidgets>

#include "RecordingGenerator.h"
#include "ScriptedDialogs.h"
#include "support/ScriptedModal.h"
#include "ui/frmViewer.h"

namespace uitest {

// Every test class, as main runs them; UI_TEST_SUITE adds one.
inline std::vector<std::function<std::unique_ptr<QObject>()>>& Suites() {
  static std::vector<std::function<std::unique_ptr<QObject>()>> suites;
  return suites;
}
#define UI_TEST_SUITE(Class) \
  static const bool registered##Class = (uitest::Suites().push_back([] { return std::make_unique<Class>(); }), true)

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

// A dialog's control as a person finds it: in its parent, at its place there (for the
// dialog: its client area), shown, with its text (a frame: its title; the dialog: its caption).
struct Placed {
  QWidget* control;
  QWidget* parent;
  QRect place;
  QString text;
};
inline void VerifyPlaced(const Placed& p) {
  const QWidget* w = p.control;
  QCOMPARE(w->parentWidget(), p.parent);
  QCOMPARE(w->isWindow() ? QRect({}, w->size()) : w->geometry(), p.place);
  QVERIFY(w->isVisible());
  QCOMPARE(w->isWindow() ? w->windowTitle() : w->property("text").toString() + w->property("title").toString(), p.text);
}

// The real window, every dialog it opens answered by `modal` and `dialogs`.
struct ScriptedWindow {
  ScriptedModal modal;
  ModalScope scope{modal};
  ScriptedDialogs dialogs;
  frmViewer v;
  ScriptedWindow() { v.SetDialogs(&dialogs); }

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
  QString folder() const { return dir_.path(); }
  const recgen::FrameRecord& frame(std::size_t k) const { return frames_.at(k); }

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

}  // namespace uitest
