#include "test_frmtime.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ViewerTestSupport.h"
#include "platform/Clock.h"

namespace {

// Presses keys named as QKeySequence names them ("Num+": the keypad) wherever the focus is by then.
void Keys(const QString& keys) {
  for (const QString& name : keys.split(' ', Qt::SkipEmptyParts)) {
    const QKeyCombination key = QKeySequence(name)[0];
    QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
  }
}

// A label's or button's text, a frame's title, a field's text, the dialog's title.
QString TextOf(const QWidget* w) {
  return w->isWindow() ? w->windowTitle() : w->property("text").toString() + w->property("title").toString();
}

QString Fields(const frmTime& d) { return d.txtTime[0]->text() + ':' + d.txtTime[1]->text(); }

}  // namespace

void TestFrmTime::initTestCase() { Clock::set([] { return QDateTime(QDate(2024, 5, 6), QTime(14, 7, 30)); }); }

void TestFrmTime::cleanupTestCase() { Clock::set({}); }

frmTime& TestFrmTime::Open(std::int16_t powerOnMinutes) {
  PowerOnMinutes_ = powerOnMinutes;
  return uitest::ShowActive(dialog_, PowerOnMinutes_);
}

void TestFrmTime::layout_data() {
  QTest::addColumn<QWidget*>("control");
  QTest::addColumn<QWidget*>("parent");
  QTest::addColumn<QRect>("place");  // in the parent; for the dialog its client area
  QTest::addColumn<QString>("text");
  frmTime& d = Open(605);
  QWidget *D = &d, *F = d.Frame1;
  auto row = [](const char* name, QWidget* w, QWidget* parent, QRect place, const QString& text) {
    QTest::newRow(name) << w << parent << place << text;
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

void TestFrmTime::layout() {
  QFETCH(QWidget*, control);
  QFETCH(QWidget*, parent);
  QFETCH(QRect, place);
  QFETCH(QString, text);
  QCOMPARE(control->parentWidget(), parent);
  QCOMPARE(control->isWindow() ? QRect({}, control->size()) : control->geometry(), place);
  QVERIFY(control->isVisible());
  QCOMPARE(TextOf(control), text);
}

void TestFrmTime::keys_data() {
  QTest::addColumn<int>("start");  // as focus targets below; entered as Tab enters
  QTest::addColumn<QString>("keys");
  QTest::addColumn<int>("focus");  // 0 hours, 1 minutes, 2 OK, 3 Anuluj, 4 and 5 optTime(0) and (1)
  QTest::addColumn<QString>("fields");    // hours:minutes
  QTest::addColumn<QString>("selected");  // in the field with the focus
  QTest::newRow("second hour digit carries on") << 0 << "1 2" << 1 << "12:05" << "05";
  QTest::newRow("first hour digit stays") << 0 << "1" << 0 << "1:05" << "";
  QTest::newRow("keypad digits do not advance") << 0 << "Num+1 Num+2" << 0 << "12:05" << "";
  QTest::newRow("minutes never carry on") << 1 << "3 4" << 1 << "10:34" << "";
  QTest::newRow("right at the hours' end") << 0 << "End Right" << 1 << "10:05" << "05";
  QTest::newRow("right up to the hours' end") << 0 << "Home Right Right" << 0 << "10:05" << "";
  QTest::newRow("left at the minutes' start") << 1 << "Home Left" << 0 << "10:05" << "10";
  QTest::newRow("left up to the minutes' start") << 1 << "End Left" << 1 << "10:05" << "";
  QTest::newRow("Enter in the hours, then in the minutes") << 0 << "Return Return" << 2 << "10:05" << "";
  QTest::newRow("hours above 23 clamped") << 0 << "9 9" << 1 << "23:05" << "05";
  QTest::newRow("emptied field is 00") << 1 << "Delete Tab" << 2 << "10:00" << "";
  QTest::newRow("Tab order: the chosen option, then the hours") << 5 << "Tab" << 0 << "10:05" << "10";
  QTest::newRow("Tab skips the option not chosen") << 5 << "Up Tab" << 0 << "10:05" << "10";
  QTest::newRow("Tab from OK") << 2 << "Tab" << 3 << "10:05" << "";
}

void TestFrmTime::keys() {
  QFETCH(int, start);
  QFETCH(QString, keys);
  QFETCH(int, focus);
  QFETCH(QString, fields);
  QFETCH(QString, selected);
  frmTime& d = Open(605);
  const QList<QWidget*> targets{d.txtTime[0], d.txtTime[1], d.cmdOK, d.cmdAnuluj, d.optTime[0], d.optTime[1]};
  targets[start]->setFocus(Qt::TabFocusReason);
  Keys(keys);
  QCOMPARE(QApplication::focusWidget(), targets[focus]);
  QCOMPARE(Fields(d), fields);
  if (focus < 2) QCOMPARE(d.txtTime[focus]->selectedText(), selected);
  QVERIFY(d.isVisible());  // Enter in a field clicks no button
}

void TestFrmTime::closing_data() {
  QTest::addColumn<int>("powerOn");
  QTest::addColumn<QString>("keys");  // from the chosen option on
  QTest::addColumn<QString>("button");  // clicked last; empty: the keys closed it
  QTest::addColumn<int>("stored");
  QTest::addColumn<QString>("next");  // hours:minutes at the next showing
  QTest::newRow("12:34, Enter, Enter on OK") << 605 << "Tab 1 2 3 4 Return Return" << "" << 754 << "12:34";
  QTest::newRow("clamped to 23:59") << 605 << "Tab 9 9 7 5" << "OK" << 1439 << "23:59";
  QTest::newRow("negative hours") << 605 << "Tab - 5 0 0" << "OK" << -300 << "-5:00";
  QTest::newRow("relative time stores 0") << 605 << "Up Tab 1 2 3 4" << "OK" << 0 << "14:07";
  QTest::newRow("00:00 is relative time") << 0 << "Down Tab 0 0 0 0" << "OK" << 0 << "14:07";
  QTest::newRow("Anuluj keeps the value") << 605 << "Up Tab 1 2 3 4" << "Anuluj" << 605 << "10:05";
}

void TestFrmTime::closing() {
  QFETCH(int, powerOn);
  QFETCH(QString, keys);
  QFETCH(QString, button);
  QFETCH(int, stored);
  QFETCH(QString, next);
  frmTime& d = Open(static_cast<std::int16_t>(powerOn));
  d.optTime[d.optTime[1]->isChecked() ? 1 : 0]->setFocus(Qt::TabFocusReason);
  Keys(keys);
  if (!button.isEmpty()) QTest::mouseClick(button == "OK" ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(int(PowerOnMinutes_), stored);
  // Only the value carries over: 0 shows relative time with the clock's hour and minute.
  QCOMPARE(Open(PowerOnMinutes_).optTime[1]->isChecked(), stored != 0);
  QCOMPARE(Fields(*dialog_), next);
}
