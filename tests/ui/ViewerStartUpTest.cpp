// Start-up of the main window: idle without a recording on the command line, or after a path
// that cannot be opened (told once); playing the recording it names; the prompt animation.

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "support/OrdinaryUser.h"

namespace {

struct Idle {
  QString argument;  // %1: a private folder
  bool locked;       // the file exists but cannot be read
  QString reason;    // the message's first line; empty: nothing said
};

struct Playing {
  QString name;   // inside a private folder
  QString around; // put before and after the path
  QString shown;  // in lblFile
  QSize frame;
};

}  // namespace

class ViewerStartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { Clock::set({}); }

  void idle_data() {
    QTest::addColumn<Idle>("c");
    const QString missing = QStringLiteral("Plik nie istnieje:");
    QTest::newRow("no arguments") << Idle{"", false, ""};
    QTest::newRow("two characters") << Idle{"ab", false, ""};
    QTest::newRow("two quotes") << Idle{"\"\"", false, ""};
    QTest::newRow("missing file") << Idle{"%1/nagranie.mjp", false, missing};
    QTest::newRow("missing folder") << Idle{"%1/no such folder/nagranie.mjp", false, missing};
    QTest::newRow("a folder") << Idle{"%1", false, "Wskazana ścieżka jest folderem, nie plikiem:"};
    QTest::newRow("quoted missing file") << Idle{"\"%1/my recording.mjp\"", false, missing};
    QTest::newRow("no read permission") << Idle{"%1/locked.mjp", true, "Brak uprawnień do odczytu pliku:"};
  }

  // No recording, only the open command lit, nothing created; "Otwórz jakiś plik ..." types
  // itself out a character a tick, then starts again.
  void idle() {
    QFETCH(Idle, c);
    QTemporaryDir dir;
    const QString argument = c.argument.contains("%1") ? c.argument.arg(dir.path()) : c.argument;
    const QString path = QString(argument).remove('"');
    if (c.locked) {
      QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write("\xFF\xD8\xFF\xD9", 4) == 4 && f.setPermissions({}));
    }
    const bool existed = QFileInfo::exists(path);
    Clock::set([] { return QDateTime(QDate(2007, 8, 3), QTime(17, 5, 6)); });
    uitest::ScriptedWindow w;
    std::optional<AsOrdinaryUser> user;  // root would read the locked file
    if (c.locked && !user.emplace().ok()) QSKIP("root cannot take an ordinary user's identity here");
    w.v.Form_Load(argument);

    if (c.reason.isEmpty()) QVERIFY(w.modal.shown.empty());
    else QCOMPARE(w.modal.texts(), QStringList{c.reason + QLatin1Char('\n') + path});
    if (!c.reason.isEmpty()) QCOMPARE(w.modal.shown[0].icon, MsgIcon::Critical);
    QCOMPARE(QFileInfo::exists(path), existed);
    QCOMPARE(w.v.core().mode(), PlayMode::NoRecording);
    QVERIFY(!w.v.core().recording().isOpen());
    QVERIFY(w.v.timPlay.isActive());
    QCOMPARE(w.v.timPlay.interval(), 150);
    for (int k = 0; k < kTransportButtons; ++k) {
      QCOMPARE(w.v.shCmd[k]->FillColor(), Colour::Grey);
      QVERIFY(w.v.imgCmd[k]->Picture().toImage() == w.v.imglCmd[k].toImage());  // released
    }
    for (int k = 0; k < kCommandRows; ++k) QCOMPARE(w.v.shIco[k]->FillColor(), k == 0 ? Colour::Orange : Colour::Grey);
    QCOMPARE(w.v.lblTime->text(), QStringLiteral("03.08.2007   17:05:06"));
    QCOMPARE(w.v.lblFile->text(), QString());
    for (int tick = 1; tick <= 23; ++tick) {
      w.v.timPlay_Timer();
      QCOMPARE(w.v.lblFile->text(), QStringLiteral("Otwórz jakiś plik ...").left(tick % 22));
    }
  }

  void playsCommandLineRecording_data() {
    QTest::addColumn<Playing>("c");
    QTest::newRow("quoted path with blanks") << Playing{"with blanks/my rec.MJP", "\"\"", "my rec.MJP", {640, 480}};
    QTest::newRow("22-character title, smaller frame centred")
        << Playing{"abcdefghijklmnopqr.mjp", "", "... fghijklmnopqr.mjp", {320, 240}};
  }

  void playsCommandLineRecording() {
    QFETCH(Playing, c);
    const uitest::GeneratedRecording rec(c.name, {.frames = 3, .width = c.frame.width(), .height = c.frame.height()});
    uitest::ScriptedWindow w;
    const QImage before = w.v.picTV->Canvas().copy();
    w.v.Form_Load(c.around.left(1) + rec.path() + c.around.mid(1));

    QVERIFY2(w.modal.shown.empty(), qPrintable(w.modal.texts().join('|')));
    QCOMPARE(w.v.core().mode(), PlayMode::Forward);
    QVERIFY(w.v.timPlay.isActive());
    QCOMPARE(w.v.timPlay.interval(), 100);
    for (int k = 0; k < kTransportButtons; ++k)
      QCOMPARE(w.v.shCmd[k]->FillColor(), k == 7 ? Colour::Yellow : Colour::Blue);
    for (int k = 0; k < kCommandRows; ++k) QCOMPARE(w.v.shIco[k]->FillColor(), Colour::Orange);
    QCOMPARE(w.v.lblFile->text(), c.shown);
    QCOMPARE(w.v.lblPicInfo[2]->text(), QStringLiteral("%1x%2").arg(c.frame.width()).arg(c.frame.height()));
    // The first frame, centred on the canvas; the rest of the canvas untouched.
    const QRect at(QPoint((640 - c.frame.width()) / 2, (480 - c.frame.height()) / 2), c.frame);
    const QImage& canvas = w.v.picTV->Canvas();
    const QImage first = rec.Reference(0);
    QCOMPARE(first.size(), c.frame);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const bool inside = at.contains(x, y);
        const QRgb a = canvas.pixel(x, y), b = inside ? first.pixel(x - at.x(), y - at.y()) : before.pixel(x, y);
        const int worst = std::max({qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
        if (worst > (inside ? 3 : 0)) QFAIL(inside ? "not the first frame" : "painted outside the frame's place");
      }
  }
};

UI_TEST_SUITE(ViewerStartUpTest);
#include "ViewerStartUpTest.moc"
