// The overview window's own part: the limit it remembers, the events it lists, and the report
// its button writes (the save dialog, the replace question, a failure's message). Its jumps are
// driven through the real window under Xvfb (tests/e2e/overview.sh).

#include <QCryptographicHash>

#include "ViewerTestSupport.h"
#include "drawing/EvidenceReport.h"
#include "support/FileContents.h"

using namespace uitest;

class OverviewTest : public QObject {
  Q_OBJECT
 private slots:
  void limitEventsAndReport() {
    const TempRecording rec(recgen::Options{.frames = 300, .width = 160, .height = 120}, "demo.mjp");
    ScriptedWindow w;
    QVERIFY(w.show(rec.path()));
    w.v.RunKeyCommand(KeyAction::Overview);
    frmOverview& o = w.v.Overview();
    QVERIFY(o.isVisible());
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
  }
};

UI_TEST_SUITE(OverviewTest);
#include "OverviewTest.moc"
