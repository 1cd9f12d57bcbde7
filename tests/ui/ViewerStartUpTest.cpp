#include "ViewerStartUpTest.h"

#include <optional>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "support/OrdinaryUser.h"

namespace {

// The idle state: no recording, the prompt's timer, only the open command lit.
void VerifyIdle(frmViewer& v) {
  const ViewerState& st = v.core().st;
  const ModuleValues& m = v.core().module;
  // PlayState, FrameStart, FrameEnd, WindowPos, FileLength, MarkStart, MarkEnd, AviSpeed
  QCOMPARE((QList<qint64>{st.PlayState, st.FrameStart, st.FrameEnd, st.WindowPos, st.FileLength, m.MarkStart,
                          m.MarkEnd, m.AviSpeed}),
           (QList<qint64>{255, -1, -1, 1, 0, -1, -1, 10}));
  QVERIFY(!v.core().recording.isOpen());
  QVERIFY(v.timPlay.isActive());
  QCOMPARE(v.timPlay.interval(), 150);
  for (int k = 0; k < kTransportButtons; ++k) QCOMPARE(v.shCmd[k]->FillColor(), Colour::Grey);
  for (int k = 0; k < kCommandRows; ++k) QCOMPARE(v.shIco[k]->FillColor(), k == 0 ? Colour::Orange : Colour::Grey);
}

}  // namespace

void ViewerStartUpTest::cleanup() { Clock::set({}); }

void ViewerStartUpTest::idle_data() {
  QTest::addColumn<QString>("argumentString");
  QTest::newRow("no arguments") << QString();
  QTest::newRow("two characters") << QStringLiteral("ab");
  QTest::newRow("two quotes") << QStringLiteral("\"\"");
}

// Idle, and "Otwórz jakiś plik ..." types itself out a character a tick, then starts again.
void ViewerStartUpTest::idle() {
  QFETCH(QString, argumentString);
  Clock::set([] { return QDateTime(QDate(2007, 8, 3), QTime(17, 5, 6)); });
  uitest::ScriptedWindow w;
  w.v.Form_Load(argumentString);
  VerifyIdle(w.v);
  QVERIFY(w.modal.shown.empty());
  QCOMPARE(w.v.lblTime->text(), QStringLiteral("03.08.2007   17:05:06"));
  for (int k = 0; k < kTransportButtons; ++k)  // each face shows its released picture
    QVERIFY(w.v.imgCmd[k]->Picture().toImage() == w.v.imglCmd[k].toImage());
  QCOMPARE(w.v.lblFile->text(), QString());
  for (int tick = 1; tick <= 23; ++tick) {
    w.v.timPlay_Timer();
    QCOMPARE(w.v.lblFile->text(), QStringLiteral("Otwórz jakiś plik ...").left(tick % 22));
  }
}

void ViewerStartUpTest::playsCommandLineRecording_data() {
  QTest::addColumn<QString>("name");        // inside a private folder
  QTest::addColumn<QString>("around");      // put before and after the path
  QTest::addColumn<QString>("shown");       // in lblFile
  QTest::addColumn<QSize>("frame");
  QTest::newRow("bare path") << "rec.mjp" << "" << "rec.mjp" << QSize(640, 480);
  QTest::newRow("quoted path with blanks") << "with blanks/my rec.MJP" << "\"\"" << "my rec.MJP" << QSize(640, 480);
  QTest::newRow("22-character title, smaller frame centred")
      << "abcdefghijklmnopqr.mjp" << "" << "... fghijklmnopqr.mjp" << QSize(320, 240);
}

void ViewerStartUpTest::playsCommandLineRecording() {
  QFETCH(QString, name);
  QFETCH(QString, around);
  QFETCH(QString, shown);
  QFETCH(QSize, frame);
  const uitest::GeneratedRecording rec(name, {.frames = 3, .width = frame.width(), .height = frame.height()});
  uitest::ScriptedWindow w;
  const QImage before = w.v.picTV->Canvas().copy();
  w.v.Form_Load(around.left(1) + rec.path() + around.mid(1));

  QVERIFY2(w.modal.shown.empty(), qPrintable(w.modal.texts().join('|')));
  QCOMPARE(w.v.core().cdlFileName, rec.path());
  QCOMPARE(int(w.v.core().st.PlayState), 1);
  QVERIFY(w.v.timPlay.isActive());
  QCOMPARE(w.v.timPlay.interval(), 100);
  for (int k = 0; k < kTransportButtons; ++k)
    QCOMPARE(w.v.shCmd[k]->FillColor(), k == 7 ? Colour::Yellow : Colour::Blue);
  for (int k = 0; k < kCommandRows; ++k) QCOMPARE(w.v.shIco[k]->FillColor(), Colour::Orange);
  QCOMPARE(w.v.lblFile->text(), shown);
  QCOMPARE(w.v.lblPicInfo[2]->text(), QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height()));
  // The first frame, centred on the canvas; the rest of the canvas untouched.
  const QRect at(QPoint((640 - frame.width()) / 2, (480 - frame.height()) / 2), frame);
  const QImage& canvas = w.v.picTV->Canvas();
  const QImage first = rec.Reference(0);
  QCOMPARE(first.size(), frame);
  QVERIFY(uitest::MaxDifference(canvas, at.x(), at.y(), first) <= 3);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (!at.contains(x, y) && canvas.pixel(x, y) != before.pixel(x, y)) QFAIL("painted outside the frame's place");
}

void ViewerStartUpTest::unopenablePath_data() {
  QTest::addColumn<QString>("name");  // inside a private folder; empty: the folder itself
  QTest::addColumn<QString>("around");
  QTest::addColumn<bool>("locked");   // the file exists but cannot be read
  QTest::addColumn<QString>("reason");  // the message's first line
  const QString missing = QStringLiteral("Plik nie istnieje:");
  QTest::newRow("missing file") << "nagranie.mjp" << "" << false << missing;
  QTest::newRow("missing folder") << "no such folder/nagranie.mjp" << "" << false << missing;
  QTest::newRow("a folder") << "" << "" << false << "Wskazana ścieżka jest folderem, nie plikiem:";
  QTest::newRow("quoted missing file") << "my recording.mjp" << "\"\"" << false << missing;
  QTest::newRow("no read permission") << "locked.mjp" << "" << true << "Brak uprawnień do odczytu pliku:";
}

// Reported once; the viewer starts idle, and nothing is created.
void ViewerStartUpTest::unopenablePath() {
  QFETCH(QString, name);
  QFETCH(QString, around);
  QFETCH(bool, locked);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
  if (locked) {
    QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("\xFF\xD8\xFF\xD9", 4) == 4 && f.setPermissions({}));
  }
  const bool existed = QFileInfo::exists(path);
  uitest::ScriptedWindow w;
  std::optional<AsOrdinaryUser> user;  // root would read the locked file
  if (locked && !user.emplace().ok()) QSKIP("root cannot take an ordinary user's identity here");
  w.v.Form_Load(around.left(1) + path + around.mid(1));
  QCOMPARE(w.modal.shown.size(), std::size_t(1));
  QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
  QCOMPARE(w.modal.shown[0].text, reason + QLatin1Char('\n') + path);
  VerifyIdle(w.v);
  QCOMPARE(QFileInfo::exists(path), existed);
}
