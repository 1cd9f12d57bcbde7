#include "ViewerStartUpTest.h"

#include <algorithm>
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "shell/frmViewer.h"
#include "support/ScriptedModal.h"

using uitest::ByteFile;
using uitest::GeneratedRecording;

namespace {

const QString kPrompt = QStringLiteral("Otwórz jakiś plik ...");

recgen::Options SmallRecording(int width = 640, int height = 480) {
  recgen::Options o;
  o.frames = 3;
  o.width = width;
  o.height = height;
  return o;
}

// The idle state: no recording, the prompt's timer, only the open command lit.
void VerifyIdle(frmViewer& v) {
  const ViewerState& st = v.core().st;
  QCOMPARE(int(st.PlayState), 255);
  QCOMPARE(st.FrameStart, WindowIndex(-1));
  QCOMPARE(st.FrameEnd, WindowIndex(-1));
  QCOMPARE(st.WindowPos, FilePos(1));
  QCOMPARE(st.FileLength, FilePos(0));
  QVERIFY(!v.core().recording.isOpen());
  QVERIFY(v.timPlay.isActive());
  QCOMPARE(v.timPlay.interval(), 150);
  for (int k = 0; k < kTransportButtons; ++k) QCOMPARE(v.shCmd[k]->FillColor(), Colour::Grey);
  QCOMPARE(v.shIco[0]->FillColor(), Colour::Orange);
  for (int k = 1; k < kCommandRows; ++k) QCOMPARE(v.shIco[k]->FillColor(), Colour::Grey);
}

// Playing forward from the command line: every lamp as after an open.
void VerifyPlaying(frmViewer& v) {
  QCOMPARE(int(v.core().st.PlayState), 1);
  QVERIFY(v.timPlay.isActive());
  QCOMPARE(v.timPlay.interval(), 100);
  for (int k = 0; k < kTransportButtons; ++k) {
    QCOMPARE(v.shCmd[k]->FillColor(), k == 7 ? Colour::Yellow : Colour::Blue);
  }
  for (int k = 0; k < kCommandRows; ++k) QCOMPARE(v.shIco[k]->FillColor(), Colour::Orange);
}

// The canvas outside rect is exactly as it was before.
bool UntouchedOutside(const QImage& now, const QImage& before, const QRect& rect) {
  for (int y = 0; y < now.height(); ++y) {
    for (int x = 0; x < now.width(); ++x) {
      if (!rect.contains(x, y) && now.pixel(x, y) != before.pixel(x, y)) return false;
    }
  }
  return true;
}

}  // namespace

void ViewerStartUpTest::cleanup() { Clock::set({}); }

void ViewerStartUpTest::idleWithoutRecording_data() {
  QTest::addColumn<QString>("argumentString");
  QTest::newRow("no arguments") << QString();
  QTest::newRow("one character") << QStringLiteral("a");
  QTest::newRow("two characters") << QStringLiteral("ab");
  QTest::newRow("two quotes") << QStringLiteral("\"\"");
}

void ViewerStartUpTest::idleWithoutRecording() {
  QFETCH(QString, argumentString);
  ScriptedModal modal;
  ModalScope scope(modal);
  frmViewer v;
  v.Form_Load(argumentString);

  VerifyIdle(v);
  if (QTest::currentTestFailed()) return;
  QVERIFY(modal.shown.empty());
  const ViewerState& st = v.core().st;
  QCOMPARE(v.core().module.MarkStart, FilePos(-1));
  QCOMPARE(v.core().module.MarkEnd, FilePos(-1));
  QCOMPARE(int(v.core().module.AviSpeed), 10);
  QCOMPARE(st.JpegFileName, QStringLiteral("Obrazek.jpeg"));
  QCOMPARE(st.MjpFileName, QStringLiteral("Sekwencja.MJP"));
  QCOMPARE(st.AviFileName, QStringLiteral("Sekwencja.AVI"));
  QVERIFY(st.WindowBuffer);
  QVERIFY(std::all_of(st.WindowBuffer, st.WindowBuffer + kWindowSize, [](std::uint8_t b) { return b == 0; }));
  for (int k = 0; k < kTransportButtons; ++k) {
    QVERIFY2(v.imgCmd[k]->Picture().toImage() == v.imglCmd[k].toImage(),
             qPrintable(QStringLiteral("face %1 is not its released picture").arg(k)));
  }
}

void ViewerStartUpTest::dateAndTime_data() {
  QTest::addColumn<QDateTime>("now");
  QTest::addColumn<QString>("shown");
  QTest::newRow("afternoon, 24-hour clock") << QDateTime(QDate(2026, 12, 5), QTime(17, 8, 9))
                                            << QStringLiteral("05.12.2026   17:08:09");
  QTest::newRow("leading zeros") << QDateTime(QDate(2007, 8, 3), QTime(4, 5, 6))
                                 << QStringLiteral("03.08.2007   04:05:06");
  QTest::newRow("midnight") << QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0))
                            << QStringLiteral("01.01.2000   00:00:00");
  QTest::newRow("last second of the year") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))
                                           << QStringLiteral("31.12.1999   23:59:59");
}

void ViewerStartUpTest::dateAndTime() {
  QFETCH(QDateTime, now);
  QFETCH(QString, shown);
  Clock::set([now] { return now; });
  frmViewer v;
  v.Form_Load(QString());
  QCOMPARE(v.lblTime->text(), shown);
}

void ViewerStartUpTest::promptTypesItselfOut() {
  QCOMPARE(kPrompt.size(), 21);
  frmViewer v;
  v.Form_Load(QString());
  QCOMPARE(v.lblFile->text(), QString());
  for (int tick = 1; tick <= 21; ++tick) {
    v.timPlay_Timer();
    QCOMPARE(v.lblFile->text(), kPrompt.left(tick));
  }
  v.timPlay_Timer();
  QCOMPARE(v.lblFile->text(), QString());
  v.timPlay_Timer();  // and again from the start
  QCOMPARE(v.lblFile->text(), kPrompt.left(1));
  QCOMPARE(int(v.core().st.PlayState), 255);
}

void ViewerStartUpTest::playsCommandLineRecording_data() {
  QTest::addColumn<QString>("name");          // inside a private folder
  QTest::addColumn<QString>("prefix");        // put before the path
  QTest::addColumn<QString>("suffix");        // put after it
  QTest::newRow("bare path") << QStringLiteral("rec.mjp") << QString() << QString();
  QTest::newRow("quoted path") << QStringLiteral("rec.mjp") << QStringLiteral("\"") << QStringLiteral("\"");
  QTest::newRow("quoted path with blanks") << QStringLiteral("with blanks/my rec.MJP") << QStringLiteral("\"")
                                           << QStringLiteral("\"");
  QTest::newRow("bare path with blanks") << QStringLiteral("with blanks/my rec.MJP") << QString() << QString();
  QTest::newRow("opening quote only: last character dropped")
      << QStringLiteral("rec.mjp") << QStringLiteral("\"") << QStringLiteral("x");
}

void ViewerStartUpTest::playsCommandLineRecording() {
  QFETCH(QString, name);
  QFETCH(QString, prefix);
  QFETCH(QString, suffix);
  const GeneratedRecording rec(name, SmallRecording());
  ScriptedModal modal;
  ModalScope scope(modal);
  frmViewer v;
  v.Form_Load(prefix + rec.path() + suffix);

  QVERIFY2(modal.shown.empty(), qPrintable(modal.texts().join(QLatin1Char('|'))));
  QVERIFY(v.core().recording.isOpen());
  QCOMPARE(v.core().cdlFileName, rec.path());
  VerifyPlaying(v);
  if (QTest::currentTestFailed()) return;
  const ViewerState& st = v.core().st;
  QCOMPARE(st.FileLength, FilePos(QFileInfo(rec.path()).size()));
  QVERIFY(st.FrameStart >= 0);
  QVERIFY(st.FrameStart < st.FrameEnd);
  QVERIFY(st.FrameEnd <= kWindowLast);
  // The first frame of the file, not some later one.
  QCOMPARE(st.WindowPos + st.FrameStart, rec.frames().front().jpegPos);
  QCOMPARE(st.WindowPos + st.FrameEnd, rec.frames().front().EndPos());
  QCOMPARE(v.lblFile->text(), QFileInfo(rec.path()).fileName());
  QCOMPARE(v.lblPicInfo[2]->text(), QStringLiteral("640x480"));
}

void ViewerStartUpTest::fileTitle_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("shown");
  QTest::newRow("short") << QStringLiteral("a.mjp") << QStringLiteral("a.mjp");
  QTest::newRow("21 characters, whole") << QStringLiteral("abcdefghijklmnopq.mjp")
                                        << QStringLiteral("abcdefghijklmnopq.mjp");
  QTest::newRow("22 characters, shortened") << QStringLiteral("abcdefghijklmnopqr.mjp")
                                            << QStringLiteral("... fghijklmnopqr.mjp");
  QTest::newRow("long with blanks") << QStringLiteral("nagranie z kamery nr 17 z dnia 05.12.mjp")
                                    << QStringLiteral("...  z dnia 05.12.mjp");
  QTest::newRow("title only, not the folder") << QStringLiteral("a folder with a long name/x.MJP")
                                              << QStringLiteral("x.MJP");
}

void ViewerStartUpTest::fileTitle() {
  QFETCH(QString, name);
  QFETCH(QString, shown);
  const GeneratedRecording rec(name, SmallRecording());
  frmViewer v;
  v.Form_Load(rec.path());
  QCOMPARE(v.lblFile->text(), shown);
  QVERIFY(v.lblFile->text().size() <= 21);
  QVERIFY(v.lblFile->alignment() & Qt::AlignHCenter);
}

void ViewerStartUpTest::firstFrameOnCanvas() {
  const GeneratedRecording rec(QStringLiteral("rec.mjp"), SmallRecording());
  const QImage reference = uitest::DecodeReference(rec.JpegBytes(0));
  QCOMPARE(reference.size(), QSize(640, 480));
  frmViewer v;
  v.Form_Load(rec.path());
  const QImage& canvas = v.picTV->Canvas();
  QCOMPARE(canvas.size(), QSize(640, 480));
  QVERIFY2(uitest::MaxDifference(canvas, 0, 0, reference) <= 3, "the canvas is not the first frame");
}

void ViewerStartUpTest::smallFrameCentred() {
  const GeneratedRecording rec(QStringLiteral("small.mjp"), SmallRecording(320, 240));
  const QImage reference = uitest::DecodeReference(rec.JpegBytes(0));
  QCOMPARE(reference.size(), QSize(320, 240));
  frmViewer v;
  const QImage before = v.picTV->Canvas().copy();
  v.Form_Load(rec.path());
  const QImage& canvas = v.picTV->Canvas();
  QCOMPARE(v.lblPicInfo[2]->text(), QStringLiteral("320x240"));
  QVERIFY2(uitest::MaxDifference(canvas, 160, 120, reference) <= 3, "the frame is not at (160, 120)");
  QVERIFY2(UntouchedOutside(canvas, before, QRect(160, 120, 320, 240)), "the frame was painted outside its place");
}

void ViewerStartUpTest::recordingWithoutFrames_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("empty file") << QByteArray();
  QTest::newRow("zeros") << QByteArray(5000, '\0');
  QTest::newRow("start marker, no end") << QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(3000, 'A');
}

// No frame is found: start-up goes on to play, silently, with nothing on screen.
void ViewerStartUpTest::recordingWithoutFrames() {
  QFETCH(QByteArray, bytes);
  const ByteFile file(bytes);
  ScriptedModal modal;
  ModalScope scope(modal);
  frmViewer v;
  const QImage before = v.picTV->Canvas().copy();
  v.Form_Load(file.path());

  QVERIFY(modal.shown.empty());
  VerifyPlaying(v);
  if (QTest::currentTestFailed()) return;
  QCOMPARE(v.core().st.FileLength, FilePos(bytes.size()));
  QCOMPARE(v.lblPicInfo[2]->text(), QStringLiteral("--"));
  QVERIFY(v.picTV->Canvas() == before);
  QCOMPARE(QFileInfo(file.path()).size(), qint64(bytes.size()));  // opened read-only
}

void ViewerStartUpTest::unopenablePath_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("missing file") << QStringLiteral("missing file");
  QTest::newRow("missing folder") << QStringLiteral("missing folder");
  QTest::newRow("a folder") << QStringLiteral("folder");
  QTest::newRow("quoted missing file") << QStringLiteral("quoted missing file");
  QTest::newRow("no read permission") << QStringLiteral("unreadable");
  QTest::newRow("three characters, relative") << QStringLiteral("relative");
}

void ViewerStartUpTest::unopenablePath() {
  QFETCH(QString, kind);
  QTemporaryDir dir;
  QString path, argument;
  if (kind == QLatin1String("missing file")) {
    path = dir.filePath(QStringLiteral("nagranie.mjp"));
  } else if (kind == QLatin1String("missing folder")) {
    path = dir.filePath(QStringLiteral("no such folder/nagranie.mjp"));
  } else if (kind == QLatin1String("folder")) {
    path = dir.path();
  } else if (kind == QLatin1String("quoted missing file")) {
    path = dir.filePath(QStringLiteral("my recording.mjp"));
    argument = QLatin1Char('"') + path + QLatin1Char('"');
  } else if (kind == QLatin1String("unreadable")) {
    if (::geteuid() == 0) QSKIP("root reads every file");
    path = dir.filePath(QStringLiteral("locked.mjp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xFF\xD8\xFF\xD9", 4);
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::Permissions()));
  } else {
    path = QStringLiteral("xyz");
    if (QFileInfo::exists(path)) QSKIP("the working folder holds a file named xyz");
  }
  if (argument.isEmpty()) argument = path;
  const bool existed = QFileInfo::exists(path);

  ScriptedModal modal;
  ModalScope scope(modal);
  frmViewer v;
  v.Form_Load(argument);

  QCOMPARE(modal.shown.size(), std::size_t(1));
  QCOMPARE(modal.shown[0].icon, MsgIcon::Critical);
  QVERIFY2(modal.shown[0].text.contains(path), qPrintable(modal.shown[0].text));
  VerifyIdle(v);
  QCOMPARE(QFileInfo::exists(path), existed);  // nothing was created
}
