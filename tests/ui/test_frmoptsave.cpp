#include "test_frmoptsave.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "export/frmOptSave.h"
#include "platform/QtModal.h"

namespace {

constexpr FilePos kNone = -1;
constexpr FilePos kStart = 1'000;
constexpr FilePos kEnd = 250'000;

QWidget* Focus() { return QApplication::focusWidget(); }

void Press(Qt::Key key) { QTest::keyClick(Focus(), key); }

// A place given in twips, as the design gives it; 15 twips make a pixel.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

QString TextOf(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  return {};
}

// Where a person clicks an option: on its circle, not just anywhere in its box.
void Click(QRadioButton* option) { QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2)); }

// Moves the slider as a person does from the keyboard: into it, then arrows.
void SlideTo(QSlider* slider, int value) {
  if (!slider->isEnabled()) qFatal("the slider cannot be moved while it is disabled");
  slider->setFocus(Qt::TabFocusReason);
  for (int k = 0; k < 30 && slider->value() < value; ++k) QTest::keyClick(slider, Qt::Key_Right);
  for (int k = 0; k < 30 && slider->value() > value; ++k) QTest::keyClick(slider, Qt::Key_Left);
}

}  // namespace

TestFrmOptSave::TestFrmOptSave() = default;
TestFrmOptSave::~TestFrmOptSave() = default;

void TestFrmOptSave::cleanup() { dialog_.reset(); }

frmOptSave& TestFrmOptSave::Open(FilePos markStart, FilePos markEnd, int saveKind, int aviSpeed) {
  dialog_.reset();
  module_ = ModuleValues{};
  module_.MarkStart = markStart;
  module_.MarkEnd = markEnd;
  module_.SaveKind = static_cast<std::uint8_t>(saveKind);
  module_.AviSpeed = static_cast<std::uint8_t>(aviSpeed);
  dialog_ = std::make_unique<frmOptSave>(module_);
  dialog_->show();
  dialog_->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog_.get())) qFatal("the dialog never became active");
  return *dialog_;
}

QWidget* TestFrmOptSave::Control(const QString& name) const {
  const frmOptSave& d = *dialog_;
  const QList<QPair<QString, QWidget*>> controls{
      {"OptSave(0)", d.OptSave[0]},   {"OptSave(1)", d.OptSave[1]},   {"OptSave(2)", d.OptSave[2]},
      {"Label1", d.Label1},           {"lblSpeed(0)", d.lblSpeed[0]}, {"sldSpeed", d.sldSpeed},
      {"lblSpeed(1)", d.lblSpeed[1]}, {"lblSpeed(2)", d.lblSpeed[2]}, {"lblSpeed(3)", d.lblSpeed[3]},
      {"lblSpeed(4)", d.lblSpeed[4]}, {"cmdAnuluj", d.cmdAnuluj},     {"cmdOK", d.cmdOK},
  };
  for (const auto& [n, w] : controls)
    if (n == name) return w;
  qFatal("no control %s", qPrintable(name));
}

// ---- look and places ----

void TestFrmOptSave::titleAndClientArea() {
  frmOptSave& d = Open(kStart, kEnd, 0);
  QCOMPARE(d.windowTitle(), QString("Opcje zapisu"));
  QCOMPARE(d.size(), QSize(337, 289));
  QCOMPARE(d.minimumSize(), d.maximumSize());
  // Every control lies inside the client area.
  for (QWidget* w : d.findChildren<QWidget*>()) QVERIFY2(d.rect().contains(w->geometry()), qPrintable(TextOf(w)));
}

void TestFrmOptSave::texts_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");
  QTest::newRow("OptSave(0)") << "OptSave(0)" << QString::fromUtf8("Zapis pojedynczego obrazka w formacie JPEG");
  QTest::newRow("OptSave(1)") << "OptSave(1)" << QString::fromUtf8("Zapis wybranej sekwencji w formacie MJP");
  QTest::newRow("OptSave(2)") << "OptSave(2)" << QString::fromUtf8("Konwersja wybranej sekwencji do formatu AVI");
  QTest::newRow("Label1") << "Label1"
                          << QString::fromUtf8("Możliwości zależne od zainstalowanych w systemie kodedekow");
  QTest::newRow("lblSpeed(0)") << "lblSpeed(0)" << QString::fromUtf8("Prędkość odtwarzania [kl./ sek.]");
  QTest::newRow("lblSpeed(1)") << "lblSpeed(1)" << "1";
  QTest::newRow("lblSpeed(2)") << "lblSpeed(2)" << "10";
  QTest::newRow("lblSpeed(3)") << "lblSpeed(3)" << "20";
  QTest::newRow("lblSpeed(4)") << "lblSpeed(4)" << "30";
  QTest::newRow("cmdAnuluj") << "cmdAnuluj" << "Anuluj";
  QTest::newRow("cmdOK") << "cmdOK" << "OK";
}

void TestFrmOptSave::texts() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  Open(kStart, kEnd, 0);
  QCOMPARE(TextOf(Control(control)), text);
}

void TestFrmOptSave::layout_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QRect>("place");
  QTest::newRow("OptSave(0)") << "OptSave(0)" << Twips(360, 480, 4575, 255);
  QTest::newRow("OptSave(1)") << "OptSave(1)" << Twips(360, 1080, 4095, 255);
  QTest::newRow("OptSave(2)") << "OptSave(2)" << Twips(360, 1680, 4455, 255);
  QTest::newRow("Label1") << "Label1" << Twips(600, 1920, 4215, 255);
  QTest::newRow("lblSpeed(0)") << "lblSpeed(0)" << Twips(1320, 2400, 2415, 255);
  QTest::newRow("sldSpeed") << "sldSpeed" << Twips(480, 2640, 3975, 435);
  QTest::newRow("lblSpeed(1)") << "lblSpeed(1)" << Twips(480, 3120, 375, 255);
  QTest::newRow("lblSpeed(2)") << "lblSpeed(2)" << Twips(1680, 3120, 255, 255);
  QTest::newRow("lblSpeed(3)") << "lblSpeed(3)" << Twips(2880, 3120, 255, 255);
  QTest::newRow("lblSpeed(4)") << "lblSpeed(4)" << Twips(4200, 3120, 255, 255);
  QTest::newRow("cmdAnuluj") << "cmdAnuluj" << Twips(240, 3720, 1095, 375);
  QTest::newRow("cmdOK") << "cmdOK" << Twips(3720, 3720, 1095, 375);
}

void TestFrmOptSave::layout() {
  QFETCH(QString, control);
  QFETCH(QRect, place);
  frmOptSave& d = Open(kStart, kEnd, 2);
  QWidget* w = Control(control);
  QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&d));
  QCOMPARE(w->geometry(), place);
  QVERIFY(w->isVisible());
}

void TestFrmOptSave::looks() {
  frmOptSave& d = Open(kStart, kEnd, 2);
  for (QWidget* w : {static_cast<QWidget*>(d.OptSave[0]), static_cast<QWidget*>(d.OptSave[1]),
                     static_cast<QWidget*>(d.OptSave[2]), static_cast<QWidget*>(d.cmdAnuluj),
                     static_cast<QWidget*>(d.cmdOK)})
    QCOMPARE(QFontInfo(w->font()).family(), QString("Liberation Sans"));
  QCOMPARE(QFontInfo(d.Label1->font()).family(), QString("Liberation Sans Narrow"));
  for (QLabel* l : d.lblSpeed) QCOMPARE(QFontInfo(l->font()).family(), QString("Liberation Sans Narrow"));
  QCOMPARE(d.Label1->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));

  // Neither button is the dialog's default.
  for (QPushButton* b : {d.cmdAnuluj, d.cmdOK}) {
    QVERIFY(!b->isDefault());
    QVERIFY(!b->autoDefault());
  }

  // Every text fits its box with the stand-in fonts: nothing is cut off at the right.
  for (QRadioButton* option : d.OptSave)
    QVERIFY2(option->sizeHint().width() <= option->width(), qPrintable(option->text()));
  for (QLabel* l : {d.Label1, d.lblSpeed[0], d.lblSpeed[1], d.lblSpeed[2], d.lblSpeed[3], d.lblSpeed[4]})
    QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
}

void TestFrmOptSave::tabOrder() {
  frmOptSave& d = Open(kStart, kEnd, 2);
  const QList<QWidget*> order{d.OptSave[0], d.OptSave[1], d.OptSave[2], d.cmdAnuluj, d.cmdOK, d.sldSpeed};
  QList<QWidget*> chain;
  for (QWidget* w = d.OptSave[0]; chain.size() < order.size(); w = w->nextInFocusChain())
    if (order.contains(w)) chain << w;
  QCOMPARE(chain, order);

  // Tab stops at the selected option only, then goes on in that order and round again.
  d.OptSave[2]->setFocus(Qt::TabFocusReason);
  QList<QWidget*> seen{Focus()};
  for (int k = 0; k < 4; ++k) {
    Press(Qt::Key_Tab);
    seen << Focus();
  }
  QCOMPARE(seen, (QList<QWidget*>{d.OptSave[2], d.cmdAnuluj, d.cmdOK, d.sldSpeed, d.OptSave[2]}));
}

// ---- what a showing offers ----

void TestFrmOptSave::withoutMarksOnlyJpegIsOffered_data() {
  QTest::addColumn<qint64>("markStart");
  QTest::addColumn<qint64>("markEnd");
  QTest::addColumn<int>("saveKind");
  QTest::newRow("no marks, 0") << qint64(kNone) << qint64(kNone) << 0;
  QTest::newRow("no marks, 1") << qint64(kNone) << qint64(kNone) << 1;
  QTest::newRow("no marks, 2") << qint64(kNone) << qint64(kNone) << 2;
  QTest::newRow("no marks, 130") << qint64(kNone) << qint64(kNone) << 130;
  QTest::newRow("start only, 2") << qint64(kStart) << qint64(kNone) << 2;
}

void TestFrmOptSave::withoutMarksOnlyJpegIsOffered() {
  QFETCH(qint64, markStart);
  QFETCH(qint64, markEnd);
  QFETCH(int, saveKind);
  frmOptSave& d = Open(markStart, markEnd, saveKind, 17);
  QVERIFY(d.OptSave[0]->isEnabled());
  QVERIFY(!d.OptSave[1]->isEnabled());
  QVERIFY(!d.OptSave[2]->isEnabled());
  // The one option left is the one selected, so OK answers it whatever SaveKind was.
  QVERIFY(d.OptSave[0]->isChecked());
  QVERIFY(!d.sldSpeed->isEnabled());
  QCOMPARE(d.sldSpeed->value(), 17);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(int(module_.SaveKind), 0);
  QCOMPARE(int(module_.AviSpeed), 17);
}

void TestFrmOptSave::disabledOptionsCannotBeChosen() {
  frmOptSave& d = Open(kNone, kNone, 2);
  Click(d.OptSave[1]);
  Click(d.OptSave[2]);
  QVERIFY(d.OptSave[0]->isChecked());
  QVERIFY(!d.OptSave[1]->isChecked() && !d.OptSave[2]->isChecked());
  // Nor from the keyboard: the arrows pass over disabled options.
  d.OptSave[0]->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  QVERIFY(d.OptSave[0]->isChecked());
  QVERIFY(!d.sldSpeed->isEnabled());
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 0);
}

void TestFrmOptSave::withMarksTheLastChoiceComesBack_data() {
  QTest::addColumn<int>("saveKind");
  QTest::addColumn<int>("aviSpeed");
  QTest::newRow("JPEG") << 0 << 10;
  QTest::newRow("MJP") << 1 << 4;
  QTest::newRow("AVI at 10") << 2 << 10;
  QTest::newRow("AVI at 1") << 2 << 1;
  QTest::newRow("AVI at 30") << 2 << 30;
}

void TestFrmOptSave::withMarksTheLastChoiceComesBack() {
  QFETCH(int, saveKind);
  QFETCH(int, aviSpeed);
  frmOptSave& d = Open(kStart, kEnd, saveKind, aviSpeed);
  for (int k = 0; k < 3; ++k) {
    QVERIFY(d.OptSave[k]->isEnabled());
    QCOMPARE(d.OptSave[k]->isChecked(), k == saveKind);
  }
  const bool avi = saveKind == 2;
  QCOMPARE(d.sldSpeed->isEnabled(), avi);
  for (QLabel* l : d.lblSpeed) QCOMPARE(l->isEnabled(), avi);
  QCOMPARE(d.sldSpeed->value(), aviSpeed);
  // OK without a change gives back what came in.
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), saveKind);
  QCOMPARE(int(module_.AviSpeed), aviSpeed);
}

void TestFrmOptSave::aCancelledShowingRestoresNoChoice() {
  // SaveKind 130 was AVI before the Anuluj: the options stay offered, AVI is not restored,
  // and the JPEG frame stands selected.
  frmOptSave& d = Open(kStart, kEnd, 130, 12);
  for (QRadioButton* o : d.OptSave) QVERIFY(o->isEnabled());
  QVERIFY(d.OptSave[0]->isChecked());
  QVERIFY(!d.OptSave[2]->isChecked());
  QVERIFY(!d.sldSpeed->isEnabled());
  QCOMPARE(d.sldSpeed->value(), 12);
}

void TestFrmOptSave::speedControlsFollowTheOption() {
  frmOptSave& d = Open(kStart, kEnd, 0);
  auto speedEnabled = [&d](bool on) {
    for (QLabel* l : d.lblSpeed)
      if (l->isEnabled() != on) return false;
    return d.sldSpeed->isEnabled() == on;
  };
  QVERIFY(speedEnabled(false));
  Click(d.OptSave[2]);
  QVERIFY(speedEnabled(true));
  Click(d.OptSave[1]);
  QVERIFY(speedEnabled(false));
  Click(d.OptSave[2]);
  Click(d.OptSave[0]);
  QVERIFY(speedEnabled(false));
  // The arrows select as clicks do.
  d.OptSave[0]->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  QVERIFY(d.OptSave[2]->isChecked());
  QVERIFY(speedEnabled(true));
  // The public operations act on all six controls at once.
  d.SpeedOff();
  QVERIFY(speedEnabled(false));
  d.SpeedOn();
  QVERIFY(speedEnabled(true));
}

void TestFrmOptSave::sliderOffersWholeValuesFrom1To30() {
  frmOptSave& d = Open(kStart, kEnd, 2, 10);
  QCOMPARE(d.sldSpeed->minimum(), 1);
  QCOMPARE(d.sldSpeed->maximum(), 30);
  QCOMPARE(d.sldSpeed->orientation(), Qt::Horizontal);
  d.sldSpeed->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Right);
  QCOMPARE(d.sldSpeed->value(), 11);
  Press(Qt::Key_End);
  QCOMPARE(d.sldSpeed->value(), 30);
  Press(Qt::Key_Right);
  QCOMPARE(d.sldSpeed->value(), 30);
  Press(Qt::Key_Home);
  QCOMPARE(d.sldSpeed->value(), 1);
  Press(Qt::Key_Left);
  QCOMPARE(d.sldSpeed->value(), 1);
  Press(Qt::Key_PageUp);
  QCOMPARE(d.sldSpeed->value(), 6);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.AviSpeed), 6);

  // A speed the slider cannot show stands at the nearer end, and OK stores that.
  frmOptSave& low = Open(kStart, kEnd, 2, 0);
  QCOMPARE(low.sldSpeed->value(), 1);
  QTest::mouseClick(low.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.AviSpeed), 1);
  frmOptSave& high = Open(kStart, kEnd, 2, 200);
  QCOMPARE(high.sldSpeed->value(), 30);
}

void TestFrmOptSave::becomingActiveAgainShowsTheStoredChoice() {
  frmOptSave& d = Open(kStart, kEnd, 1, 10);
  Click(d.OptSave[2]);
  SlideTo(d.sldSpeed, 20);

  QWidget other;
  other.show();
  other.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&other));
  d.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&d));
  // Activation runs again from SaveKind and AviSpeed, which OK has not yet changed.
  QVERIFY(d.OptSave[1]->isChecked());
  QVERIFY(!d.sldSpeed->isEnabled());
  QCOMPARE(d.sldSpeed->value(), 10);
}

// ---- the choices a person makes ----

void TestFrmOptSave::mjpToAviAt25() {
  frmOptSave& d = Open(kStart, kEnd, 1, 10);
  Click(d.OptSave[2]);
  SlideTo(d.sldSpeed, 25);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), int(QDialog::Accepted));
  QCOMPARE(int(module_.SaveKind), 2);
  QCOMPARE(int(module_.AviSpeed), 25);
}

void TestFrmOptSave::okStoresTheSliderWhicheverOptionIsChosen() {
  frmOptSave& d = Open(kStart, kEnd, 2, 10);
  SlideTo(d.sldSpeed, 3);
  Click(d.OptSave[0]);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 0);
  QCOMPARE(int(module_.AviSpeed), 3);

  frmOptSave& mjp = Open(kStart, kEnd, 2, 10);
  SlideTo(mjp.sldSpeed, 30);
  Click(mjp.OptSave[1]);
  QTest::mouseClick(mjp.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 1);
  QCOMPARE(int(module_.AviSpeed), 30);
}

void TestFrmOptSave::anulujMarksTheChoiceCancelled() {
  frmOptSave& d = Open(kStart, kEnd, 2, 10);
  SlideTo(d.sldSpeed, 5);
  Click(d.OptSave[1]);
  QTest::mouseClick(d.cmdAnuluj, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), int(QDialog::Rejected));
  QCOMPARE(int(module_.SaveKind), 130);
  QCOMPARE(int(module_.AviSpeed), 10);

  // The next showing with marks set restores no selection.
  const std::uint8_t saveKind = module_.SaveKind;
  frmOptSave& next = Open(kStart, kEnd, saveKind);
  QVERIFY(!next.OptSave[2]->isChecked());
  QVERIFY(!next.OptSave[1]->isChecked());
}

void TestFrmOptSave::anulujOnACancelledChoiceKeepsIt() {
  frmOptSave& d = Open(kStart, kEnd, 130, 10);
  QTest::mouseClick(d.cmdAnuluj, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 130);
  frmOptSave& none = Open(kNone, kNone, 128, 10);
  QTest::mouseClick(none.cmdAnuluj, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 128);
}

void TestFrmOptSave::cancelledThenMjp() {
  frmOptSave& d = Open(kStart, kEnd, 130, 10);
  Click(d.OptSave[1]);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(int(module_.SaveKind), 1);
  QCOMPARE(int(module_.AviSpeed), 10);
}

void TestFrmOptSave::closingTheWindowChangesNothing() {
  frmOptSave& d = Open(kStart, kEnd, 1, 10);
  Click(d.OptSave[2]);
  SlideTo(d.sldSpeed, 22);
  QVERIFY(d.close());
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), int(QDialog::Rejected));
  QCOMPARE(int(module_.SaveKind), 1);
  QCOMPARE(int(module_.AviSpeed), 10);
}

void TestFrmOptSave::escapeDoesNothingAndEnterClicksOnlyAFocusedButton() {
  frmOptSave& d = Open(kStart, kEnd, 1, 10);
  Click(d.OptSave[2]);
  d.OptSave[2]->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Escape);
  QVERIFY(d.isVisible());
  Press(Qt::Key_Return);  // on an option: no button is the default
  QVERIFY(d.isVisible());
  QCOMPARE(int(module_.SaveKind), 1);
  Press(Qt::Key_Tab);
  QCOMPARE(Focus(), d.cmdAnuluj);
  Press(Qt::Key_Tab);
  QCOMPARE(Focus(), d.cmdOK);
  Press(Qt::Key_Return);
  QVERIFY(!d.isVisible());
  QCOMPARE(int(module_.SaveKind), 2);

  frmOptSave& again = Open(kStart, kEnd, 1, 10);
  again.cmdAnuluj->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Enter);
  QVERIFY(!again.isVisible());
  QCOMPARE(int(module_.SaveKind), 129);
}

void TestFrmOptSave::theModalSeamShowsTheDialog() {
  ModuleValues module;
  module.MarkStart = kStart;
  module.MarkEnd = kEnd;
  module.SaveKind = 0;
  bool seen = false;
  QTimer::singleShot(0, [&seen] {
    auto* d = qobject_cast<frmOptSave*>(QApplication::activeModalWidget());
    if (!d) return;
    seen = true;
    Click(d->OptSave[2]);
    SlideTo(d->sldSpeed, 15);
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  });
  QtModal modal;
  modal.showSaveOptions(module);
  QVERIFY(seen);
  QCOMPARE(int(module.SaveKind), 2);
  QCOMPARE(int(module.AviSpeed), 15);
}
