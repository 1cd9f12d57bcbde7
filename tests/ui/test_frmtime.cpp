// The time correction dialog as a person uses it: places, texts, keys, and what it stores.

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "ui/frmTime.h"

namespace {

// Presses keys named as QKeySequence names them ("Num+": the keypad) wherever the focus is by then.
void Keys(const QString& keys) {
  for (const QString& name : keys.split(' ', Qt::SkipEmptyParts)) {
    const QKeyCombination key = QKeySequence(name)[0];
    QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
  }
}

QString Fields(const frmTime& d) { return d.txtTime[0]->text() + ':' + d.txtTime[1]->text(); }

struct Typing {
  int start;  // as focus targets below; entered as Tab enters
  QString keys;
  int focus;  // 0 hours, 1 minutes, 2 OK, 3 Anuluj, 4 and 5 optTime(0) and (1)
  QString fields;    // hours:minutes
  QString selected;  // in the field with the focus
};

struct Closing {
  int powerOn;
  QString keys;    // from the chosen option on
  QString button;  // clicked last; empty: the keys closed it
  int stored;
  QString next;    // hours:minutes at the next showing
};

}  // namespace

class TestFrmTime : public QObject {
  Q_OBJECT

  std::int16_t PowerOnMinutes_ = 0;
  std::unique_ptr<frmTime> dialog_;  // kept between rows: layout's rows hold its controls

  frmTime& Open(std::int16_t powerOnMinutes) {
    PowerOnMinutes_ = powerOnMinutes;
    return uitest::ShowActive(dialog_, PowerOnMinutes_);
  }

 private slots:
  void initTestCase() { Clock::set([] { return QDateTime(QDate(2024, 5, 6), QTime(14, 7, 30)); }); }
  void cleanupTestCase() { Clock::set({}); }

  void layout_data() {
    QTest::addColumn<uitest::Placed>("p");
    frmTime& d = Open(605);
    QWidget *D = &d, *F = d.Frame1;
    auto row = [](const char* name, QWidget* w, QWidget* parent, QRect place, const QString& text) {
      QTest::newRow(name) << uitest::Placed{w, parent, place, text};
    };
    row("frmTime", D, nullptr, {0, 0, 449, 363}, "Korekcja czasu");
    row("Label1", d.Label1, D, {20, 16, 405, 73},
        "W pliku *.MJP  znajdują się informacje pozwalające określić kiedy dokładnie została zapisana każda "
        "klatka obrazu. Jednak jest to czas względny liczony od chwili uruchomienia kamery. Jeśli użytkownik poda "
        "dokladny czas włączenia kamery to będzie możliwe wyświetlanie wartości rzeczywistych.");
    row("Frame1", F, D, {24, 112, 401, 193}, "Sposób wyświetlania czasu");
    row("optTime(0)", d.optTime[0], F, {16, 40, 305, 33}, "Czas względny (w formacie hhh:mm:ss)");
    row("optTime(1)", d.optTime[1], F, {16, 104, 361, 33}, "Czas rzeczywisty (korekcja wg. czasu włączenia kamery)");
    row("Line1", d.Line1, F, {QPoint(16, 88), QPoint(384, 88)}, {});
    row("Label3", d.Label3, F, {24, 150, 129, 17}, " Włączenie kamery:");
    row("txtTime(0)", d.txtTime[0], F, {144, 152, 15, 17}, "10");  // 605 minutes
    row("Label2", d.Label2, F, {159, 152, 7, 17}, ":");
    row("txtTime(1)", d.txtTime[1], F, {166, 152, 15, 17}, "05");
    row("cmdAnuluj", d.cmdAnuluj, D, {24, 320, 81, 25}, "Anuluj");
    row("cmdOK", d.cmdOK, D, {344, 320, 81, 25}, "OK");
  }

  void layout() {
    QFETCH(uitest::Placed, p);
    uitest::VerifyPlaced(p);
  }

  void keys_data() {
    QTest::addColumn<Typing>("t");
    QTest::newRow("second hour digit carries on") << Typing{0, "1 2", 1, "12:05", "05"};
    QTest::newRow("keypad digits do not advance") << Typing{0, "Num+1 Num+2", 0, "12:05", ""};
    QTest::newRow("minutes never carry on") << Typing{1, "3 4", 1, "10:34", ""};
    QTest::newRow("right at the hours' end") << Typing{0, "End Right", 1, "10:05", "05"};
    QTest::newRow("left at the minutes' start") << Typing{1, "Home Left", 0, "10:05", "10"};
    QTest::newRow("Enter in the hours, then in the minutes") << Typing{0, "Return Return", 2, "10:05", ""};
    QTest::newRow("hours above 23 clamped") << Typing{0, "9 9", 1, "23:05", "05"};
    QTest::newRow("Tab order: the chosen option, then the hours") << Typing{5, "Tab", 0, "10:05", "10"};
    QTest::newRow("Tab skips the option not chosen") << Typing{5, "Up Tab", 0, "10:05", "10"};
    QTest::newRow("Tab from OK") << Typing{2, "Tab", 3, "10:05", ""};
  }

  void keys() {
    QFETCH(Typing, t);
    frmTime& d = Open(605);
    const QList<QWidget*> targets{d.txtTime[0], d.txtTime[1], d.cmdOK, d.cmdAnuluj, d.optTime[0], d.optTime[1]};
    targets[t.start]->setFocus(Qt::TabFocusReason);
    Keys(t.keys);
    QCOMPARE(QApplication::focusWidget(), targets[t.focus]);
    QCOMPARE(Fields(d), t.fields);
    if (t.focus < 2) QCOMPARE(d.txtTime[t.focus]->selectedText(), t.selected);
    QVERIFY(d.isVisible());  // Enter in a field clicks no button
  }

  void closing_data() {
    QTest::addColumn<Closing>("c");
    QTest::newRow("12:34, Enter, Enter on OK") << Closing{605, "Tab 1 2 3 4 Return Return", "", 754, "12:34"};
    QTest::newRow("negative hours") << Closing{605, "Tab - 5 0 0", "OK", -300, "-5:00"};
    QTest::newRow("relative time stores 0") << Closing{605, "Up Tab 1 2 3 4", "OK", 0, "14:07"};
    QTest::newRow("Anuluj keeps the value") << Closing{605, "Up Tab 1 2 3 4", "Anuluj", 605, "10:05"};
  }

  void closing() {
    QFETCH(Closing, c);
    frmTime& d = Open(static_cast<std::int16_t>(c.powerOn));
    d.optTime[d.optTime[1]->isChecked() ? 1 : 0]->setFocus(Qt::TabFocusReason);
    Keys(c.keys);
    if (!c.button.isEmpty()) QTest::mouseClick(c.button == "OK" ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QCOMPARE(int(PowerOnMinutes_), c.stored);
    // Only the value carries over: 0 shows relative time with the clock's hour and minute.
    QCOMPARE(Open(PowerOnMinutes_).optTime[1]->isChecked(), c.stored != 0);
    QCOMPARE(Fields(*dialog_), c.next);
  }
};

UI_TEST_SUITE(TestFrmTime);
#include "test_frmtime.moc"
