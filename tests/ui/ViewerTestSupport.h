#pragma once
// Shared by the widget tests: suites, control rectangles, golden pictures, scripted dialogs.

#include <functional>
#include <memory>
#include <optional>

#include <QtTest>
#include <QtWidgets>

#include "support/ScriptedModal.h"
#include "support/TempRecording.h"
#include "ui/Remembered.h"
#include "ui/WindowDialogs.h"
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

// Whether `w` looks as golden/<name>.png shows it, its mask applied (transparent outside): no pixel's channel
// further than 24 off, but for at most 8 pixels. VISTREL_UPDATE_GOLDEN=1 writes the file instead; a mismatch
// leaves what was seen as <name>-seen.png in the temporary folder.
inline bool LooksAsGolden(QWidget& w, const QString& name) {
  QImage seen(w.size(), QImage::Format_ARGB32);
  seen.fill(Qt::transparent);
  w.render(&seen, {}, {}, QWidget::DrawWindowBackground | QWidget::DrawChildren);
  const QString golden = QStringLiteral(VISTREL_UI_GOLDEN_DIR "/") + name + ".png";
  if (qEnvironmentVariableIsSet("VISTREL_UPDATE_GOLDEN"))
    return QDir().mkpath(QFileInfo(golden).path()) && seen.save(golden);
  const QImage expected = QImage(golden).convertToFormat(QImage::Format_ARGB32);
  int off = expected.size() == seen.size() ? 0 : -1;
  for (int y = 0; y < seen.height() && off >= 0; ++y)
    for (int x = 0; x < seen.width(); ++x) {
      const QRgb a = seen.pixel(x, y), b = expected.pixel(x, y);
      off += std::max({qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b)),
                       qAbs(qAlpha(a) - qAlpha(b))}) > 24;
    }
  if (off >= 0 && off <= 8) return true;
  seen.save(QDir::temp().filePath(name + "-seen.png"));
  qWarning("%s: %d pixels differ (-1: another size)", qPrintable(name), off);
  return false;
}

// Runs `look` on the modal dialog as soon as it shows, then closes it; false when none showed.
inline bool WhenShown(const std::function<void(QDialog&)>& look, const std::function<void()>& open) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll.stop();
    seen = true;
    look(*dialog);
    dialog->done(QDialog::Rejected);
  });
  poll.start(10);
  open();
  return seen;
}

// The window's own dialogs (time, save options, compressor) answered from queues.
struct ScriptedDialogs final : WindowDialogs {
  std::deque<std::int16_t> timeAnswers;                             // as OK; an empty queue answers as Anuluj
  std::deque<std::pair<std::uint8_t, std::uint8_t>> saveAnswers;    // (SaveKind, AviSpeed); empty: Anuluj
  std::deque<std::optional<AVICOMPRESSOPTIONS>> compressorAnswers;  // nullopt or empty: cancelled
  QStringList opened;                                               // "time", "saveOptions", "compressor", in order
  std::optional<bool> overlayAnswer;                                // the burn-in choice on OK; none: as shown
  std::vector<bool> overlayShown;                                   // the burn-in choice each showing offered
  // Runs as a dialog opens: may throw (an unplanned failure) or queue what the user does meanwhile.
  std::function<void(const QString& dialog)> opening;

  void showTime(std::int16_t& PowerOnMinutes) override {
    open("time");
    PowerOnMinutes = PopOr(timeAnswers, PowerOnMinutes);
  }
  void showSaveOptions(ModuleValues& module, bool& overlay) override {
    open("saveOptions");
    overlayShown.push_back(overlay);
    if (saveAnswers.empty()) module.SaveKind |= 128;
    else std::tie(module.SaveKind, module.AviSpeed) = PopOr(saveAnswers, {}), overlay = overlayAnswer.value_or(overlay);
  }
  std::optional<AVICOMPRESSOPTIONS> chooseCompressor(const std::vector<AviCompressor>&) override {
    open("compressor");
    return PopOr(compressorAnswers, {});
  }
  void open(const char* dialog) {
    opened << QString::fromLatin1(dialog);
    if (opening) opening(opened.back());
  }
};

// A drag of `paths` over the window, then the drop; whether the window took it.
inline bool Drop(frmViewer& v, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  data.setUrls(urls);
  QDragEnterEvent enter({300, 300}, Qt::CopyAction, &data, Qt::LeftButton, {});
  QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
  for (QDropEvent* e : {static_cast<QDropEvent*>(&enter), &drop}) {  // dropped only once the enter is accepted
    e->setAccepted(false);
    QApplication::sendEvent(&v, e);
    if (!e->isAccepted()) return false;
  }
  return true;
}

// The real window, every dialog it opens answered by `modal` and `dialogs`; nothing remembered.
struct ScriptedWindow {
  const bool forgotten = !QFileInfo::exists(Remembered::SettingsPath()) || QFile::remove(Remembered::SettingsPath());
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

}  // namespace uitest
