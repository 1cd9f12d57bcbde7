#include "ViewerWindowTest.h"

#include <stdexcept>

#include <QtTest>

#include "ViewerTestSupport.h"
#include "support/Probe.h"

namespace {

// On a recording of eight frames, stopped, with frames 0 to 4 marked through its own buttons,
// and the save command's dialogs answered to convert them to AVI at `out`.
struct MarkedWindow : uitest::ScriptedWindow {
  const uitest::GeneratedRecording rec{QStringLiteral("rec.mjp"), {.frames = 8}};
  const QString out = QFileInfo(rec.path()).absolutePath() + QStringLiteral("/film.AVI");

  bool start() {
    if (!show(rec.path())) return false;
    // Stop, go to the start, mark, four frames on, mark.
    for (const QWidget* c : {v.imgCmd[5], v.imgCmd[0], v.imgRightCmd[3], v.imgCmd[6], v.imgCmd[6], v.imgCmd[6],
                             v.imgCmd[6], v.imgRightCmd[3]})
      click(c);
    modal.saveAnswers.push_back({2, 10});
    modal.files.push_back(out);
    modal.compressorAnswers.push_back({.codec = QStringLiteral("mjpeg")});
    modal.shown.clear();  // what marking said
    return true;
  }
  int descriptors() const { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }
};

}  // namespace

void ViewerWindowTest::dragMovesWindow_data() {
  QTest::addColumn<QPoint>("press");  // window coordinates
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<QPoint>("drag");
  QTest::addColumn<bool>("background");  // pressed on the background, which drags; else on a control
  const QPoint top(300, 20), right(40, 25), leftUp(-30, -10);
  QTest::newRow("right button on the background") << top << Qt::RightButton << right << true;
  QTest::newRow("left button on the background") << top << Qt::LeftButton << right << true;
  QTest::newRow("middle button on the background") << top << Qt::MiddleButton << leftUp << true;
  QTest::newRow("background right of the title") << QPoint(650, 8) << Qt::RightButton << leftUp << true;
  QTest::newRow("on Label1") << QPoint(100, 29) << Qt::RightButton << right << false;
  QTest::newRow("on lblTime") << QPoint(600, 551) << Qt::LeftButton << right << false;
  QTest::newRow("on lblFile") << QPoint(432, 34) << Qt::RightButton << leftUp << false;
  QTest::newRow("on imgBottom") << QPoint(300, 570) << Qt::RightButton << right << false;
  QTest::newRow("on picTV") << QPoint(300, 300) << Qt::RightButton << right << false;
}

void ViewerWindowTest::dragMovesWindow() {
  QFETCH(QPoint, press);
  QFETCH(Qt::MouseButton, button);
  QFETCH(QPoint, drag);
  QFETCH(bool, background);
  uitest::ScriptedWindow w;
  QVERIFY(w.show());
  QCOMPARE(w.v.childAt(press) == nullptr, background);
  QWindow* window = w.v.windowHandle();
  const QPoint start = w.v.pos(), pointer = window->mapToGlobal(press + drag);
  QTest::mousePress(window, button, {}, press);
  QTest::mouseMove(window, press + drag);
  // Release where the pointer now is: the window may have moved under it since.
  QTest::mouseRelease(window, button, {}, window->mapFromGlobal(pointer));
  QCOMPARE(w.v.pos(), background ? start + drag : start);
}

void ViewerWindowTest::exitButton_data() {
  QTest::addColumn<bool>("withRecording");
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<bool>("closes");
  QTest::newRow("idle") << false << Qt::LeftButton << true;
  QTest::newRow("playing a recording") << true << Qt::LeftButton << true;
  QTest::newRow("right button is no click") << false << Qt::RightButton << false;
}

// Closing stops the timer and lets the recording go.
void ViewerWindowTest::exitButton() {
  QFETCH(bool, withRecording);
  QFETCH(Qt::MouseButton, button);
  QFETCH(bool, closes);
  const uitest::GeneratedRecording rec(QStringLiteral("rec.mjp"), {.frames = 2});
  uitest::ScriptedWindow w;
  QVERIFY(w.show(withRecording ? rec.path() : QString()));
  QCOMPARE(w.v.core().recording.isOpen(), withRecording);
  w.click(w.v.imgExit, button);
  QCOMPARE(w.v.isVisible(), !closes);
  QCOMPARE(w.v.timPlay.isActive(), !closes);
  QCOMPARE(w.v.core().recording.isOpen(), withRecording && !closes);
}

void ViewerWindowTest::minimizeButton() {
  uitest::ScriptedWindow w;
  QVERIFY(w.show());
  w.click(w.v.imgMinimize);
  QVERIFY(w.v.isMinimized());
}

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
