#include "test_frmtime.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/Clock.h"
#include "timecorr/frmTime.h"

namespace {

const QTime kNow(14, 7, 30);

QWidget* Focus() { return QApplication::focusWidget(); }

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(Focus(), key, modifiers);
}

// Types text into whichever control has the focus at each key, as a person would.
void Type(const QString& text) {
  for (QChar c : text) QTest::keyClick(Focus(), c.toLatin1());
}

// Arrives in a field the way Tab brings it there; from inside it, leaves it first.
void Enter(QLineEdit* field) {
  if (field->hasFocus()) field->window()->setFocus(Qt::TabFocusReason);
  field->setFocus(Qt::TabFocusReason);
}

QString TextOf(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  return {};
}

}  // namespace

TestFrmTime::TestFrmTime() = default;
TestFrmTime::~TestFrmTime() = default;

void TestFrmTime::initTestCase() {
  Clock::set([] { return QDateTime(QDate(2024, 5, 6), kNow); });
}

void TestFrmTime::cleanupTestCase() { Clock::set({}); }

void TestFrmTime::cleanup() { dialog_.reset(); }

frmTime& TestFrmTime::Open(std::int16_t powerOnMinutes) {
  dialog_.reset();
  PowerOnMinutes_ = powerOnMinutes;
  dialog_ = std::make_unique<frmTime>(PowerOnMinutes_);
  dialog_->show();
  dialog_->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog_.get())) qFatal("the dialog never became active");
  return *dialog_;
}

QWidget* TestFrmTime::Control(const QString& name) const {
  const frmTime& d = *dialog_;
  const QList<QPair<QString, QWidget*>> controls{
      {"Label1", d.Label1},         {"Frame1", d.Frame1},         {"optTime(0)", d.optTime[0]},
      {"optTime(1)", d.optTime[1]}, {"Line1", d.Line1},           {"Label3", d.Label3},
      {"txtTime(0)", d.txtTime[0]}, {"Label2", d.Label2},         {"txtTime(1)", d.txtTime[1]},
      {"cmdAnuluj", d.cmdAnuluj},   {"cmdOK", d.cmdOK},
  };
  for (const auto& [n, w] : controls)
    if (n == name) return w;
  qFatal("no control %s", qPrintable(name));
}

// ---- look and places ----

void TestFrmTime::titleAndClientArea() {
  frmTime& d = Open(605);
  QCOMPARE(d.windowTitle(), QString::fromUtf8("Korekcja czasu"));
  QCOMPARE(d.size(), QSize(449, 363));
  QCOMPARE(d.minimumSize(), d.maximumSize());
}

void TestFrmTime::texts_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");
  QTest::newRow("Label1") << "Label1"
                          << QString::fromUtf8(
                                 "W pliku *.MJP  znajdują się informacje pozwalające określić kiedy dokładnie "
                                 "została zapisana każda klatka obrazu. Jednak jest to czas względny liczony od "
                                 "chwili uruchomienia kamery. Jeśli użytkownik poda dokladny czas włączenia kamery "
                                 "to będzie możliwe wyświetlanie wartości rzeczywistych.");
  QTest::newRow("Frame1") << "Frame1" << QString::fromUtf8("Sposób wyświetlania czasu");
  QTest::newRow("optTime(0)") << "optTime(0)" << QString::fromUtf8("Czas względny (w formacie hhh:mm:ss)");
  QTest::newRow("optTime(1)") << "optTime(1)"
                              << QString::fromUtf8("Czas rzeczywisty (korekcja wg. czasu włączenia kamery)");
  QTest::newRow("Label3") << "Label3" << QString::fromUtf8(" Włączenie kamery:");
  QTest::newRow("Label2") << "Label2" << ":";
  QTest::newRow("cmdAnuluj") << "cmdAnuluj" << "Anuluj";
  QTest::newRow("cmdOK") << "cmdOK" << "OK";
}

void TestFrmTime::texts() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  Open(605);
  QCOMPARE(TextOf(Control(control)), text);
}

void TestFrmTime::layout_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<bool>("inFrame");
  QTest::addColumn<QRect>("place");
  QTest::newRow("Label1") << "Label1" << false << QRect(20, 16, 405, 73);
  QTest::newRow("Frame1") << "Frame1" << false << QRect(24, 112, 401, 193);
  QTest::newRow("optTime(0)") << "optTime(0)" << true << QRect(16, 40, 305, 33);
  QTest::newRow("optTime(1)") << "optTime(1)" << true << QRect(16, 104, 361, 33);
  QTest::newRow("Line1") << "Line1" << true << QRect(QPoint(16, 88), QPoint(384, 88));
  QTest::newRow("Label3") << "Label3" << true << QRect(24, 150, 129, 17);
  QTest::newRow("txtTime(0)") << "txtTime(0)" << true << QRect(144, 152, 15, 17);
  QTest::newRow("Label2") << "Label2" << true << QRect(159, 152, 7, 17);
  QTest::newRow("txtTime(1)") << "txtTime(1)" << true << QRect(166, 152, 15, 17);
  QTest::newRow("cmdAnuluj") << "cmdAnuluj" << false << QRect(24, 320, 81, 25);
  QTest::newRow("cmdOK") << "cmdOK" << false << QRect(344, 320, 81, 25);
}

void TestFrmTime::layout() {
  QFETCH(QString, control);
  QFETCH(bool, inFrame);
  QFETCH(QRect, place);
  frmTime& d = Open(605);
  QWidget* w = Control(control);
  QCOMPARE(w->parentWidget(), inFrame ? static_cast<QWidget*>(d.Frame1) : static_cast<QWidget*>(&d));
  QCOMPARE(w->geometry(), place);
  QVERIFY(w->isVisible());
}

void TestFrmTime::looks() {
  frmTime& d = Open(605);
  for (QLabel* l : {d.Label1, d.Label3})
    QCOMPARE(l->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x40));
  QCOMPARE(QFontInfo(d.Label1->font()).family(), QString("Liberation Sans"));
  QVERIFY(d.Label1->wordWrap());

  // The fields: monospaced, and both characters visible in the 15-pixel box.
  for (QLineEdit* box : d.txtTime) {
    QCOMPARE(QFontInfo(box->font()).family(), QString("Liberation Mono"));
    box->setText("88");
    box->setCursorPosition(0);
    const QImage img = box->grab().toImage();
    auto inkIn = [&img](int from, int to) {
      for (int x = from; x < to; ++x)
        for (int y = 0; y < img.height(); ++y)
          if (qGray(img.pixel(x, y)) < 128) return true;
      return false;
    };
    QVERIFY2(inkIn(0, 7) && inkIn(8, 15), "one of the two digits is cut off");
  }
  // The hours field lies over the end of the label in front of it.
  QCOMPARE(d.Frame1->childAt(150, 160), d.txtTime[0]);

  // The line between the options is grey over its whole length, end points included.
  const QImage frame = d.Frame1->grab().toImage();
  for (int x : {16, 200, 384}) QCOMPARE(QColor(frame.pixel(x, 88)), QColor(0x80, 0x80, 0x80));
  QVERIFY(QColor(frame.pixel(200, 87)) != QColor(0x80, 0x80, 0x80));
}

void TestFrmTime::tabOrder() {
  frmTime& d = Open(605);
  const QList<QWidget*> order{d.optTime[0], d.optTime[1], d.txtTime[0], d.txtTime[1], d.cmdOK, d.cmdAnuluj};
  QList<QWidget*> chain;
  for (QWidget* w = d.optTime[0]; chain.size() < order.size(); w = w->nextInFocusChain())
    if (order.contains(w)) chain << w;
  QCOMPARE(chain, order);

  // Tab stops at the chosen option only (the arrows move between the two), then goes on
  // in that order.
  for (int chosen : {0, 1}) {
    QTest::mouseClick(d.optTime[chosen], Qt::LeftButton);
    QList<QWidget*> seen{Focus()};
    for (int k = 0; k < 4; ++k) {
      Press(Qt::Key_Tab);
      seen << Focus();
    }
    QCOMPARE(seen, (QList<QWidget*>{d.optTime[chosen], d.txtTime[0], d.txtTime[1], d.cmdOK, d.cmdAnuluj}));
  }
}

// ---- loading ----

void TestFrmTime::load_data() {
  QTest::addColumn<int>("powerOn");
  QTest::addColumn<bool>("realTime");
  QTest::addColumn<QString>("hours");
  QTest::addColumn<QString>("minutes");
  QTest::newRow("605") << 605 << true << "10"
                       << "05";
  QTest::newRow("59") << 59 << true << "00"
                      << "59";
  QTest::newRow("1439") << 1439 << true << "23"
                        << "59";
  QTest::newRow("-300") << -300 << true << "-5"
                        << "00";
  QTest::newRow("-549") << -549 << true << "-10"
                        << "-9";
  QTest::newRow("0 suggests now") << 0 << false << "14"
                                  << "07";
}

void TestFrmTime::load() {
  QFETCH(int, powerOn);
  QFETCH(bool, realTime);
  QFETCH(QString, hours);
  QFETCH(QString, minutes);
  frmTime& d = Open(static_cast<std::int16_t>(powerOn));
  QCOMPARE(d.optTime[1]->isChecked(), realTime);
  QCOMPARE(d.optTime[0]->isChecked(), !realTime);
  QCOMPARE(d.txtTime[0]->text(), hours);
  QCOMPARE(d.txtTime[1]->text(), minutes);
}

// ---- typing ----

void TestFrmTime::enteringAFieldSelectsIt() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  QCOMPARE(d.txtTime[0]->selectedText(), QString("10"));
  Press(Qt::Key_Tab);
  QCOMPARE(Focus(), d.txtTime[1]);
  QCOMPARE(d.txtTime[1]->selectedText(), QString("05"));
  // Focus set by the program (not Tab) selects too.
  d.txtTime[0]->setFocus();
  QCOMPARE(d.txtTime[0]->selectedText(), QString("10"));
}

void TestFrmTime::secondHourDigitCarriesOnToMinutes() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Type("1");  // replaces the selection: the field is not yet complete
  QCOMPARE(Focus(), d.txtTime[0]);
  QCOMPARE(d.txtTime[0]->text(), QString("1"));
  Type("2");  // lands in the hours, then the minutes take over
  QCOMPARE(d.txtTime[0]->text(), QString("12"));
  QCOMPARE(Focus(), d.txtTime[1]);
  QCOMPARE(d.txtTime[1]->selectedText(), QString("05"));
  Type("34");  // the minutes never carry on
  QCOMPARE(d.txtTime[1]->text(), QString("34"));
  QCOMPARE(Focus(), d.txtTime[1]);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(PowerOnMinutes_, std::int16_t{754});
}

void TestFrmTime::keypadDigitsDoNotAdvance() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Press(Qt::Key_1, Qt::KeypadModifier);
  Press(Qt::Key_2, Qt::KeypadModifier);
  QCOMPARE(d.txtTime[0]->text(), QString("12"));
  QCOMPARE(Focus(), d.txtTime[0]);
}

void TestFrmTime::otherCharactersAreTyped() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Type("ab");
  QCOMPARE(d.txtTime[0]->text(), QString("ab"));
  QCOMPARE(Focus(), d.txtTime[0]);
  // A digit after one letter still completes the field; leaving cleans it up.
  Enter(d.txtTime[0]);
  Type("a5");
  QCOMPARE(Focus(), d.txtTime[1]);
  QCOMPARE(d.txtTime[0]->text(), QString("00"));
}

void TestFrmTime::arrowsAtTheFieldEdges() {
  frmTime& d = Open(605);
  QLineEdit* hours = d.txtTime[0];
  QLineEdit* minutes = d.txtTime[1];
  Enter(hours);
  hours->setCursorPosition(1);
  Press(Qt::Key_Right);  // the caret reaches the end: still in the hours
  QCOMPARE(Focus(), hours);
  QCOMPARE(hours->cursorPosition(), 2);
  Press(Qt::Key_Right);  // from the end: on into the minutes
  QCOMPARE(Focus(), minutes);
  QCOMPARE(minutes->selectedText(), QString("05"));
  Press(Qt::Key_Right);  // the minutes have nothing to the right
  Press(Qt::Key_Right);
  QCOMPARE(Focus(), minutes);
  minutes->setCursorPosition(1);
  Press(Qt::Key_Left);
  QCOMPARE(Focus(), minutes);
  QCOMPARE(minutes->cursorPosition(), 0);
  Press(Qt::Key_Left);  // from the start: back into the hours
  QCOMPARE(Focus(), hours);
  QCOMPARE(hours->selectedText(), QString("10"));
  hours->setCursorPosition(0);
  Press(Qt::Key_Left);  // the hours have nothing to the left
  QCOMPARE(Focus(), hours);
  // One hour digit: the caret never stands at 2, so Right does not leave.
  hours->selectAll();
  Type("5");
  QCOMPARE(hours->text(), QString("5"));
  Press(Qt::Key_Right);
  Press(Qt::Key_Right);
  QCOMPARE(Focus(), hours);
}

void TestFrmTime::enterGoesOnAndThenClicksOK() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Press(Qt::Key_Return);
  QCOMPARE(Focus(), d.txtTime[1]);
  QCOMPARE(d.txtTime[1]->selectedText(), QString("05"));
  Type("30");
  Press(Qt::Key_Return);
  QCOMPARE(Focus(), d.cmdOK);
  QVERIFY(d.isVisible());  // Enter in a field clicks no button
  QCOMPARE(PowerOnMinutes_, std::int16_t{605});
  Press(Qt::Key_Return);  // on the focused OK: a click
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), int(QDialog::Accepted));
  QCOMPARE(PowerOnMinutes_, std::int16_t{630});

  // The keypad's Enter is Enter too.
  frmTime& again = Open(605);
  Enter(again.txtTime[0]);
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(Focus(), again.txtTime[1]);
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(Focus(), again.cmdOK);
  QVERIFY(again.isVisible());
}

void TestFrmTime::leavingAField_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("after");
  QTest::newRow("hours 99") << 0 << "99"
                            << "23";
  QTest::newRow("hours 24") << 0 << "24"
                            << "23";
  QTest::newRow("hours 23") << 0 << "23"
                            << "23";
  QTest::newRow("minutes 75") << 1 << "75"
                              << "59";
  QTest::newRow("minutes 60") << 1 << "60"
                              << "59";
  QTest::newRow("hours 5") << 0 << "5"
                           << "05";
  QTest::newRow("minutes 5") << 1 << "5"
                             << "05";
  QTest::newRow("hours emptied") << 0 << ""
                                 << "00";
  QTest::newRow("minutes emptied") << 1 << ""
                                   << "00";
  QTest::newRow("hours -5") << 0 << "-5"
                            << "-5";
  QTest::newRow("minutes -9") << 1 << "-9"
                              << "-9";
  QTest::newRow("hours -0") << 0 << "-0"
                            << "00";
  QTest::newRow("hours +5") << 0 << "+5"
                            << "05";
  QTest::newRow("minutes x") << 1 << "x"
                             << "00";
  QTest::newRow("hours 7x") << 0 << "7x"
                            << "07";
  QTest::newRow("hours blank 9") << 0 << " 9"
                                 << "09";
  QTest::newRow("minutes .5") << 1 << ".5"
                              << "0.5";
}

void TestFrmTime::leavingAField() {
  QFETCH(int, field);
  QFETCH(QString, typed);
  QFETCH(QString, after);
  frmTime& d = Open(605);
  Enter(d.txtTime[field]);
  if (typed.isEmpty())
    Press(Qt::Key_Delete);
  else
    Type(typed);
  d.cmdOK->setFocus(Qt::TabFocusReason);
  QCOMPARE(d.txtTime[field]->text(), after);
  QVERIFY(d.isVisible());
}

void TestFrmTime::keyboardLimitsAFieldToTwoCharacters() {
  frmTime& d = Open(605);
  Enter(d.txtTime[1]);
  Type("123");
  QCOMPARE(d.txtTime[1]->text(), QString("12"));
  // A paste keeps what fits.
  QApplication::clipboard()->setText("45:30");
  Enter(d.txtTime[1]);
  Press(Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(d.txtTime[1]->text(), QString("45"));
}

void TestFrmTime::longerTextsTheDialogWritesStayWhole() {
  frmTime& d = Open(-549);
  QCOMPARE(d.txtTime[0]->text(), QString("-10"));
  // Entering selects the first two characters only; typing replaces them.
  Enter(d.txtTime[0]);
  QCOMPARE(d.txtTime[0]->selectedText(), QString("-1"));
  Press(Qt::Key_End);
  Type("7");  // nothing more fits
  QCOMPARE(d.txtTime[0]->text(), QString("-10"));
  Enter(d.txtTime[0]);
  Type("5");
  QCOMPARE(d.txtTime[0]->text(), QString("50"));
}

// ---- OK and Anuluj ----

void TestFrmTime::okInRealTimeStoresHoursTimes60PlusMinutes_data() {
  QTest::addColumn<QString>("hours");
  QTest::addColumn<QString>("minutes");
  QTest::addColumn<int>("stored");
  QTest::newRow("12:34") << "12"
                         << "34" << 754;
  QTest::newRow("7:5") << "7"
                       << "5" << 425;
  QTest::newRow("99:75 clamped") << "99"
                                 << "75" << 1439;
  QTest::newRow("-5 hours") << "-5"
                            << "00" << -300;
  QTest::newRow("-5 hours, 30 minutes") << "-5"
                                        << "30" << -270;
  QTest::newRow("emptied") << ""
                           << "" << 0;
  QTest::newRow("half an hour") << ".5"
                                << "00" << 30;
  QTest::newRow("10:00.5 ties to even") << "10"
                                        << ".5" << 600;
  QTest::newRow("00:00.5 ties to even") << "00"
                                        << ".5" << 0;
}

void TestFrmTime::okInRealTimeStoresHoursTimes60PlusMinutes() {
  QFETCH(QString, hours);
  QFETCH(QString, minutes);
  QFETCH(int, stored);
  frmTime& d = Open(605);
  for (int k : {0, 1}) {
    Enter(d.txtTime[k]);
    const QString& text = k == 0 ? hours : minutes;
    if (text.isEmpty())
      Press(Qt::Key_Delete);
    else
      Type(text);
  }
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(d.result(), int(QDialog::Accepted));
  QCOMPARE(int(PowerOnMinutes_), stored);
}

void TestFrmTime::okInRelativeTimeStoresZero() {
  frmTime& d = Open(605);
  QTest::mouseClick(d.optTime[0], Qt::LeftButton);
  QVERIFY(d.optTime[0]->isChecked());
  Enter(d.txtTime[0]);
  Type("12");
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(PowerOnMinutes_, std::int16_t{0});
}

void TestFrmTime::midnightInRealTimeIsRelativeTimeNextShowing() {
  frmTime& d = Open(0);
  QTest::mouseClick(d.optTime[1], Qt::LeftButton);
  Enter(d.txtTime[0]);
  Type("00");
  Type("00");
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(PowerOnMinutes_, std::int16_t{0});

  frmTime& next = Open(PowerOnMinutes_);
  QVERIFY(next.optTime[0]->isChecked());
  QCOMPARE(next.txtTime[0]->text(), QString("14"));
  QCOMPARE(next.txtTime[1]->text(), QString("07"));
}

void TestFrmTime::choosingAnOptionChangesNothingElse() {
  frmTime& d = Open(605);
  QTest::mouseClick(d.optTime[0], Qt::LeftButton);
  QCOMPARE(d.txtTime[0]->text(), QString("10"));
  QCOMPARE(d.txtTime[1]->text(), QString("05"));
  for (QLineEdit* box : d.txtTime) QVERIFY(box->isEnabled() && !box->isReadOnly());
  QTest::mouseClick(d.optTime[1], Qt::LeftButton);
  QCOMPARE(d.txtTime[0]->text(), QString("10"));
  QCOMPARE(PowerOnMinutes_, std::int16_t{605});
}

void TestFrmTime::okWithMinutesBeyond16BitsKeepsTheValue() {
  // 546:07 is the largest that fits; one minute more does not.
  frmTime& d = Open(32767);
  QCOMPARE(d.txtTime[0]->text(), QString("546"));
  Enter(d.txtTime[1]);
  Type("8");
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(PowerOnMinutes_, std::int16_t{32767});

  // The lowest value reads back as -547:-8, 60 minutes lower than it: still kept.
  frmTime& low = Open(-32768);
  QTest::mouseClick(low.cmdOK, Qt::LeftButton);
  QVERIFY(!low.isVisible());
  QCOMPARE(PowerOnMinutes_, std::int16_t{-32768});
}

void TestFrmTime::cancelLeavesTheValue() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Type("1230");
  QTest::mouseClick(d.optTime[0], Qt::LeftButton);
  QTest::mouseClick(d.cmdAnuluj, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), int(QDialog::Rejected));
  QCOMPARE(PowerOnMinutes_, std::int16_t{605});
}

void TestFrmTime::closingTheWindowLeavesTheValue() {
  frmTime& d = Open(605);
  Enter(d.txtTime[0]);
  Type("1230");
  d.close();
  QCOMPARE(PowerOnMinutes_, std::int16_t{605});
}
