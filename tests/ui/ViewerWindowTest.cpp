#include "ViewerWindowTest.h"

#include <stdexcept>

#include <QtTest>

#include "ViewerTestSupport.h"
#include "shell/frmViewer.h"
#include "support/Probe.h"
#include "support/ScriptedModal.h"

namespace {

// The control a press at a window point is meant to land on; nullptr for the background.
QWidget* Target(frmViewer& v, const QString& name) {
  if (name == QLatin1String("Label1")) return v.Label1;
  if (name == QLatin1String("lblTime")) return v.lblTime;
  if (name == QLatin1String("lblFile")) return v.lblFile;
  if (name == QLatin1String("picTV")) return v.picTV;
  if (name == QLatin1String("imgBottom")) return v.imgBottom;
  return nullptr;
}

bool ShowAt(frmViewer& v, QPoint at) {
  v.move(at);
  v.show();
  return QTest::qWaitForWindowExposed(&v);
}

QPoint Centre(const QWidget* w) { return uitest::WindowRect(w).center(); }

}  // namespace

void ViewerWindowTest::dragMovesWindow_data() {
  QTest::addColumn<QPoint>("press");    // window coordinates
  QTest::addColumn<QString>("target");  // the control there; empty: the background
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<QPoint>("drag");
  QTest::addColumn<bool>("moves");
  const QPoint background(300, 20), right(40, 25), leftUp(-30, -10);
  QTest::newRow("right button on the background") << background << QString() << Qt::RightButton << right << true;
  QTest::newRow("left button on the background") << background << QString() << Qt::LeftButton << right << true;
  QTest::newRow("middle button on the background") << background << QString() << Qt::MiddleButton << leftUp
                                                   << true;
  QTest::newRow("background right of the title") << QPoint(650, 8) << QString() << Qt::RightButton << leftUp
                                                << true;
  QTest::newRow("on Label1") << QPoint(100, 29) << QStringLiteral("Label1") << Qt::RightButton << right << false;
  QTest::newRow("on lblTime") << QPoint(600, 551) << QStringLiteral("lblTime") << Qt::LeftButton << right << false;
  QTest::newRow("on lblFile") << QPoint(432, 34) << QStringLiteral("lblFile") << Qt::RightButton << leftUp << false;
  QTest::newRow("on imgBottom") << QPoint(300, 570) << QStringLiteral("imgBottom") << Qt::RightButton << right
                                << false;
  QTest::newRow("on picTV") << QPoint(300, 300) << QStringLiteral("picTV") << Qt::RightButton << right << false;
}

void ViewerWindowTest::dragMovesWindow() {
  QFETCH(QPoint, press);
  QFETCH(QString, target);
  QFETCH(Qt::MouseButton, button);
  QFETCH(QPoint, drag);
  QFETCH(bool, moves);
  frmViewer v;
  v.Form_Load(QString());
  QVERIFY(ShowAt(v, QPoint(200, 150)));
  QCOMPARE(v.childAt(press), Target(v, target));

  QWindow* window = v.windowHandle();
  const QPoint start = v.pos();
  const QPoint pointer = window->mapToGlobal(press + drag);
  QTest::mousePress(window, button, {}, press);
  QTest::mouseMove(window, press + drag);
  // Release where the pointer now is: the window may have moved under it since.
  QTest::mouseRelease(window, button, {}, window->mapFromGlobal(pointer));
  QCOMPARE(v.pos(), moves ? start + drag : start);
}

void ViewerWindowTest::exitButton_data() {
  QTest::addColumn<bool>("withRecording");
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<bool>("closes");
  QTest::newRow("idle") << false << Qt::LeftButton << true;
  QTest::newRow("playing a recording") << true << Qt::LeftButton << true;
  QTest::newRow("right button is no click") << false << Qt::RightButton << false;
}

void ViewerWindowTest::exitButton() {
  QFETCH(bool, withRecording);
  QFETCH(Qt::MouseButton, button);
  QFETCH(bool, closes);
  recgen::Options options;
  options.frames = 2;
  const uitest::GeneratedRecording rec(QStringLiteral("rec.mjp"), options);
  frmViewer v;
  v.Form_Load(withRecording ? rec.path() : QString());
  QCOMPARE(v.core().recording.isOpen(), withRecording);
  QVERIFY(ShowAt(v, QPoint(100, 100)));

  QTest::mouseClick(v.windowHandle(), button, {}, Centre(v.imgExit));
  QCOMPARE(v.isVisible(), !closes);
  if (!closes) return;
  QVERIFY(!v.timPlay.isActive());
  QVERIFY(!v.core().recording.isOpen());
}

void ViewerWindowTest::minimizeButton() {
  frmViewer v;
  v.Form_Load(QString());
  QVERIFY(ShowAt(v, QPoint(100, 100)));
  QVERIFY(!v.isMinimized());
  QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, Centre(v.imgMinimize));
  QVERIFY(v.isMinimized());
  QVERIFY(v.windowState().testFlag(Qt::WindowMinimized));
}

namespace {

// The real window on a recording of eight frames, stopped, with frames 0 to 4 marked through
// its own buttons, and the save command's dialogs answered to convert them to AVI at `out`.
struct MarkedWindow {
  const uitest::GeneratedRecording rec{QStringLiteral("rec.mjp"), [] {
                                         recgen::Options o;
                                         o.frames = 8;
                                         return o;
                                       }()};
  const QString out = QFileInfo(rec.path()).absolutePath() + QStringLiteral("/film.AVI");
  ScriptedModal modal;
  ModalScope scope{modal};
  frmViewer v;

  bool start() {
    v.Form_Load(rec.path());
    if (!ShowAt(v, QPoint(100, 100))) return false;
    click(v.imgCmd[5]);
    click(v.imgCmd[0]);
    click(v.imgRightCmd[3]);
    for (int k = 0; k < 4; ++k) click(v.imgCmd[6]);
    click(v.imgRightCmd[3]);
    modal.saveAnswers.push_back({2, 10});
    modal.files.push_back(out);
    AVICOMPRESSOPTIONS mjpeg;
    mjpeg.codec = QStringLiteral("mjpeg");
    modal.compressorAnswers.push_back(mjpeg);
    modal.shown.clear();  // what marking said
    return true;
  }
  void click(const QWidget* control) { QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, Centre(control)); }
  int descriptors() const { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }
};

}  // namespace

void ViewerWindowTest::unexpectedError_data() {
  QTest::addColumn<QString>("dialog");  // the dialog that throws
  QTest::addColumn<bool>("exporting");  // thrown in the middle of an AVI export
  QTest::addColumn<bool>("standard");   // a std::exception, or any other value
  QTest::newRow("the open dialog") << QStringLiteral("openFile") << false << true;
  QTest::newRow("the compressor dialog, lamps green") << QStringLiteral("chooseCompressor") << true << true;
  QTest::newRow("not an exception class") << QStringLiteral("chooseCompressor") << true << false;
}

// An exception that reaches a click handler is caught there: one message, the viewer
// stopped with its lamps ready, an export's output closed, and the window goes on working.
void ViewerWindowTest::unexpectedError() {
  QFETCH(QString, dialog);
  QFETCH(bool, exporting);
  QFETCH(bool, standard);
  MarkedWindow w;
  QVERIFY(w.start());
  w.modal.beforeDialog = [&](const QString& opening) {
    if (opening != dialog) return;
    if (standard) throw std::runtime_error(dialog.toStdString() + " failed");
    throw 42;
  };
  const int descriptors = w.descriptors();
  w.click(exporting ? w.v.imgRightCmd[2] : w.v.imgRightCmd[0]);

  const QString what = standard ? dialog + QStringLiteral(" failed") : QStringLiteral("nieznany wyjątek");
  QCOMPARE(w.modal.texts(), QStringList{QStringLiteral("Wystąpił nieoczekiwany błąd: ") + what});
  QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
  QCOMPARE(w.v.core().st.mode(), PlayMode::Stopped);
  QCOMPARE(w.v.shIco[2]->FillColor(), Colour::Orange);
  for (int k = 0; k < kTransportButtons; ++k) QCOMPARE(w.v.shCmd[k]->FillColor(), Colour::Blue);
  QVERIFY(!w.v.lblSave->isVisible());
  QCOMPARE(w.descriptors(), descriptors);
  QCOMPARE(QFileInfo::exists(w.out), exporting);

  w.modal.beforeDialog = nullptr;
  const FilePos shown = w.v.core().st.WindowPos + w.v.core().st.FrameStart;
  w.click(w.v.imgCmd[6]);
  QVERIFY(w.v.core().st.WindowPos + w.v.core().st.FrameStart > shown);
  QCOMPARE(w.modal.shown.size(), std::size_t{1});
}

// Closing the window during a conversion stops the conversion first: the window stays until
// the file is complete, then closes, with the recording let go and nothing said.
void ViewerWindowTest::closeDuringExport() {
  MarkedWindow w;
  QVERIFY(w.start());
  w.modal.beforeDialog = [&](const QString& opening) {
    if (opening == QLatin1String("chooseCompressor")) QTimer::singleShot(0, &w.v, [&] {
        w.v.close();
        QVERIFY(w.v.isVisible());  // still converting
      });
  };
  w.click(w.v.imgRightCmd[2]);
  QVERIFY(!w.v.isVisible());
  QVERIFY(!w.v.core().recording.isOpen());
  QVERIFY(w.modal.shown.empty());
  const auto stream = ProbeStream(w.out);
  QCOMPARE(stream.at("codec_name"), QStringLiteral("mjpeg"));
  QCOMPARE(stream.at("nb_read_frames"), QStringLiteral("N/A"));  // stopped before its first frame
}
