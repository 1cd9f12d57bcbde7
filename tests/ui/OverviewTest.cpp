// The overview window's own part: the limit it remembers, the events it lists, and the report
// its button writes (the save dialog, the replace question, a failure's message). Its jumps are
// driven through the real window under Xvfb (tests/e2e/overview.sh).

#include <QCryptographicHash>

#include "ViewerTestSupport.h"
#include "drawing/EvidenceReport.h"

using namespace uitest;

class OverviewTest : public QObject {
  Q_OBJECT
 private slots:
  void limitEventsAndReport() {
    GeneratedRecording rec("demo.mjp", {.frames = 300, .width = 160, .height = 120});
    ScriptedWindow w;
    QVERIFY(w.show(rec.path));
    w.v.RunKeyCommand(KeyAction::Overview);
    frmOverview& o = w.v.Overview();
    QVERIFY(o.isVisible());
    QCOMPARE(o.limit(), 50);
    o.SetLimit(70);
    QVERIFY(!o.events().empty());
    QCOMPARE(o.lstEvents->count(), static_cast<int>(o.events().size()));
    QCOMPARE(frmOverview().limit(), 70);  // remembered for the next run

    QFile file(rec.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray fileHash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    const auto report = [&](const QString& name, std::deque<MsgAnswer> answers = {}) {
      w.modal.files = {rec.dir.filePath(name)};
      w.modal.answers = std::move(answers);
      w.modal.shown.clear();
      o.cmdReport->click();
      QFile written(rec.dir.filePath(name));
      return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    };
    QVERIFY(report("r.pdf").startsWith("%PDF"));
    const QByteArray html = report("r.html");
    QVERIFY(html.contains(fileHash) && html.contains("Raport z nagrania"));
    QFile old(rec.dir.filePath("r.html"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QCOMPARE(report("r.html", {MsgAnswer::No}), QByteArray("old"));  // asked, and left alone
    QCOMPARE(w.modal.shown.size(), 1u);
    QCOMPARE(report("none/r.pdf"), QByteArray());
    QVERIFY(w.modal.texts().value(0).startsWith("Nie udało się zapisać raportu:"));
  }
};

UI_TEST_SUITE(OverviewTest);
#include "OverviewTest.moc"
