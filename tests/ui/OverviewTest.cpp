// The overview window's own part: the limit it remembers, the events it lists, the check's findings
// it lists (a click shows the frame), and the report its button writes (the save dialog, the replace
// question, a failure's message). Its jumps are driven through the real window under Xvfb
// (tests/e2e/overview.sh).

#include <algorithm>
#include <array>
#include <functional>

#include <QCryptographicHash>
#include <QRegularExpression>

#include "ViewerTestSupport.h"
#include "drawing/EvidenceReport.h"
#include "ui/QtModal.h"
#include "support/FileContents.h"

using namespace uitest;

namespace {

// The main window's controls that the overview never covers, for the window at `at`: the slider and the
// transport row (the bottom bar) and the command panel.
std::array<QRect, 2> Controls(QPoint at) {
  return {QRect(at + QPoint(0, 530), QSize(755, 101)), QRect(at + QPoint(664, 50), QSize(91, 480))};
}

recgen::Options small(int frames) { return {.seed = 3, .frames = frames, .width = 160, .height = 120}; }

// A picture whose tables are zeros: it cannot be decoded.
recgen::Bytes noTables(int n) {
  recgen::Bytes b = recgen::EncodeScene(3, n, 160, 120);
  std::fill(b.begin() + 2, b.begin() + 300, 0);
  return b;
}

// A crafted recording and what its overview lists: each row's text (a pattern) and where a click on it goes.
struct Crafted {
  recgen::RecordingBuilder b;
  QStringList rows;
  std::vector<std::int64_t> shows;  // per row, the start of the frame shown; 0: a click shows nothing
  std::int64_t away = 0;            // the start of a frame shown before each click
};

QString exactly(const QString& text) { return QRegularExpression::escape(text); }

struct FindingsCase {
  const char* name;
  std::function<void(Crafted&)> make;
};

}  // namespace

class OverviewTest : public QObject {
  Q_OBJECT
 private slots:
  void placement_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("main");  // the main window's place; 755 x 631
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("width");  // 0: any
    QTest::newRow("1280x1024: beside, narrower") << QSize(1280, 1024) << QPoint(0, 0) << "right" << 517;
    QTest::newRow("1600x1200: beside") << QSize(1600, 1200) << QPoint(0, 0) << "right" << 837;
    QTest::newRow("1920x1080: beside, full width") << QSize(1920, 1080) << QPoint(0, 0) << "right" << 900;
    QTest::newRow("moved right: on the left") << QSize(1280, 1024) << QPoint(525, 40) << "left" << 517;
    QTest::newRow("portrait: below") << QSize(800, 1400) << QPoint(20, 0) << "below" << 800;
    QTest::newRow("1024x768: over the picture only") << QSize(1024, 768) << QPoint(0, 0) << "picture" << 0;
    QTest::newRow("centred on 1280x1024: over the picture") << QSize(1280, 1024) << QPoint(262, 196) << "picture" << 0;
  }

  // Beside where there is room, else below or above, else over the picture; on the screen, never over the
  // main window's controls.
  void placement() {
    QFETCH(QSize, screen);
    QFETCH(QPoint, main);
    QFETCH(QString, side);
    QFETCH(int, width);
    const QRect screenRect(QPoint(0, 0), screen), mainRect(main, QSize(755, 631));
    const QRect picture(main, QSize(664, 530));
    const QSize least(450, 380), preferred(900, 631);
    const QRect place = OverviewPlace(screenRect, mainRect, picture, preferred, least);
    QVERIFY2(screenRect.contains(place),
             qPrintable(QString("%1,%2 %3x%4").arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height())));
    for (const QRect& control : Controls(main)) QVERIFY(!place.intersects(control));
    const QString seen = place.left() > mainRect.right()   ? "right"
                         : place.right() < mainRect.left() ? "left"
                         : place.top() > mainRect.bottom() ? "below"
                         : picture.contains(place)         ? "picture"
                                                           : "elsewhere";
    QCOMPARE(seen, side);
    if (width) QCOMPARE(place.width(), width);
    if (side != "picture") QVERIFY(place.height() >= least.height() && place.height() <= preferred.height());
  }

  // The real window: G opens the overview clear of the controls, and not during an export; nor does the
  // picture's menu open then. The limit it remembers, the events it lists, the report its button writes.
  void opensClearOfTheControlsAndReports() {
    const TempRecording rec(recgen::Options{.frames = 300, .width = 160, .height = 120}, "demo.mjp");
    ScriptedWindow w;
    QVERIFY(w.show(rec.path()));
    // An AVI conversion of frames 2 to 20; G and the menu while its compressor is asked for.
    w.v.core().SetMarks(rec.records[2].jpegPos, rec.records[20].jpegPos + rec.records[20].jpegSize - 1);
    w.dialogs.saveAnswers.push_back({2, 10});
    w.modal.files.push_back(rec.folder() + "/film.AVI");
    w.dialogs.compressorAnswers.push_back(AVICOMPRESSOPTIONS{.codec = QStringLiteral("mjpeg")});
    bool overviewShown = true, menuShown = true;
    w.dialogs.opening = [&](const QString& dialog) {
      if (dialog != "compressor") return;
      w.v.RunKeyCommand(KeyAction::Overview);
      w.v.picTV_ContextMenu(w.v.picTV->mapToGlobal(QPoint(100, 100)));
      overviewShown = w.v.findChild<frmOverview*>() && w.v.Overview().isVisible();
      menuShown = QApplication::activePopupWidget() || w.v.findChild<QMenu*>();
    };
    w.click(w.v.imgRightCmd[2]);
    QCOMPARE(std::pair(overviewShown, menuShown), std::pair(false, false));
    QVERIFY(QFileInfo(rec.folder() + "/film.AVI").size() > 0);

    w.v.RunKeyCommand(KeyAction::Overview);
    QVERIFY(w.v.Overview().isVisible());
    for (const QRect& control : Controls(w.v.frameGeometry().topLeft()))
      QVERIFY(!w.v.Overview().frameGeometry().intersects(control));
    QVERIFY(QApplication::screens().first()->availableGeometry().contains(w.v.Overview().frameGeometry()));
    frmOverview& o = w.v.Overview();
    QCOMPARE(o.limit(), 50);
    o.SetLimit(70);
    QVERIFY(!o.events().empty());
    QCOMPARE(o.lstEvents->count(), static_cast<int>(o.events().size()));
    QCOMPARE(frmOverview().limit(), 70);  // remembered for the next run

    const QByteArray fileHash = QCryptographicHash::hash(BytesOf(rec.path()), QCryptographicHash::Sha256).toHex();
    const auto report = [&](const QString& name, std::deque<MsgAnswer> answers = {}) {
      w.modal.files = {rec.folder() + '/' + name};
      w.modal.answers = std::move(answers);
      w.modal.shown.clear();
      o.cmdReport->click();
      return BytesOf(rec.folder() + '/' + name);
    };
    QVERIFY(report("r.pdf").startsWith("%PDF"));
    const QByteArray html = report("r.html");
    QVERIFY(html.contains(fileHash) && html.contains("Raport z nagrania"));
    QVERIFY(WriteFile(rec.folder() + "/r.html", "old"));
    QCOMPARE(report("r.html", {MsgAnswer::No}), QByteArray("old"));  // asked, and left alone
    QCOMPARE(w.modal.shown.size(), 1u);
    QCOMPARE(report("none/r.pdf"), QByteArray());
    QVERIFY(w.modal.texts().value(0).startsWith("Nie udało się zapisać raportu:"));
    // Its report's save dialog opens over it.
    QtModal real(&w.v);
    const ModalScope scope(real);
    QWidget* parent = nullptr;
    QVERIFY(WhenShown([&](QDialog& dialog) { parent = dialog.parentWidget(); },
                      [&] { w.v.Overview().cmdReport->click(); }));
    QCOMPARE(parent, &w.v.Overview());
  }

  // The check's findings, listed under their frames in frame order; a click on one shows its frame (the last
  // frame for bytes after it); a clean recording says so in one line. The report carries the same.
  void findingsListedAndShown() {
    const FindingsCase cases[] = {
        {"clean",
         [](Crafted& c) {
           c.away = c.b.Frames(small(6))[2].jpegPos;
           c.rows = {exactly("Nagranie nienaruszone")};
           c.shows = {0};
         }},
        {"stray bytes, an undecodable frame, stray bytes at the end",
         [](Crafted& c) {
           c.away = c.b.Frames(small(4))[1].jpegPos;
           const std::int64_t junk = c.b.NextPos();
           c.b.Fill(100, 'x');
           const std::int64_t bad = c.b.NextPos() + 32;
           c.b.Append(recgen::MeasurementBlock("CAM-0417-A02", 50, 200, 3600)).Append(noTables(4));
           const std::int64_t badEnd = c.b.NextPos() - 1;
           const std::int64_t last = c.b.Frames(small(2)).back().jpegPos;
           const std::int64_t tail = c.b.NextPos();
           c.b.Fill(40, ' ');
           c.rows = {
               exactly(
                   QString("klatka 4:  Bajty poza klatkami – bajtów: 100  (pozycje %1–%2)").arg(junk).arg(junk + 99)),
               exactly("klatka 4:  Klatka nieczytelna – ") + ".+" +
                   exactly(QString("  (pozycje %1–%2)").arg(bad).arg(badEnd)),
               exactly(
                   QString("klatka 7:  Bajty poza klatkami – bajtów: 40  (pozycje %1–%2)").arg(tail).arg(tail + 39))};
           c.shows = {bad, bad, last};  // the bytes after the last frame: the last frame
         }},
    };
    for (const FindingsCase& k : cases) {
      Crafted c;
      k.make(c);
      const TempRecording rec(c.b.Data());
      ScriptedWindow w;
      QVERIFY(w.show(rec.path()));
      w.v.RunKeyCommand(KeyAction::Overview);
      frmOverview& o = w.v.Overview();
      o.FinishCheck();
      QVERIFY2(o.check().has_value(), k.name);
      QCOMPARE(o.lstFindings->count(), c.rows.size());
      for (int row = 0; row < c.rows.size(); ++row) {
        const QString seen = o.lstFindings->item(row)->text();
        QVERIFY2(QRegularExpression("^" + c.rows[row] + "$").match(seen).hasMatch(),
                 qPrintable(QString("%1, row %2: %3").arg(k.name).arg(row).arg(seen)));
        w.v.core().ShowFrameAt(c.away);
        QCOMPARE(w.v.core().scanner().FrameStartPos(), c.away);
        QTest::mouseClick(o.lstFindings->viewport(), Qt::LeftButton, {},
                          o.lstFindings->visualItemRect(o.lstFindings->item(row)).center());
        const std::int64_t want = c.shows[static_cast<std::size_t>(row)];
        QCOMPARE(w.v.core().scanner().FrameStartPos(), want ? want : c.away);
      }
      w.modal.files = {rec.folder() + "/r.html"};
      o.cmdReport->click();
      const QString html = QString::fromUtf8(BytesOf(rec.folder() + "/r.html"));
      QVERIFY2(html.contains("<h2>Integralność</h2>"), k.name);
      QCOMPARE(html.count("Bajty poza klatkami"), c.rows.size() == 3 ? 2 : 0);
      QCOMPARE(html.contains("Nagranie nienaruszone"), c.rows.size() == 1);
    }
  }
};

UI_TEST_SUITE(OverviewTest);
#include "OverviewTest.moc"
