// The save options dialog as a person uses it: places, texts, and what each sequence of
// clicks and keys leaves in SaveKind and AviSpeed.

#include "ViewerTestSupport.h"
#include "ui/frmOptSave.h"

namespace {

// A place given in twips; 15 twips make a pixel.
QRect Twips(int left, int top, int width, int height) { return QRect(left / 15, top / 15, width / 15, height / 15); }

// Acts as a person does: "opt2" clicks an option on its circle, "speed25" enters the slider and
// moves it with the arrows, "OK" and "Anuluj" click; anything else is a key, wherever the focus is.
void Act(frmOptSave& d, const QString& actions) {
  for (const QString& a : actions.split(' ', Qt::SkipEmptyParts)) {
    if (a.startsWith("opt")) {
      QRadioButton* option = d.OptSave[a.mid(3).toInt()];
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    } else if (a == "OK" || a == "Anuluj") {
      QTest::mouseClick(a == "OK" ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
    } else if (a.startsWith("speed")) {
      d.sldSpeed->setFocus(Qt::TabFocusReason);
      for (int k = 0; k < 40 && d.sldSpeed->value() != a.mid(5).toInt(); ++k)
        QTest::keyClick(d.sldSpeed, d.sldSpeed->value() < a.mid(5).toInt() ? Qt::Key_Right : Qt::Key_Left);
    } else {
      QTest::keyClick(QApplication::focusWidget(), QKeySequence(a)[0].key());
    }
  }
}

struct Sequence {
  bool marks;              // a complete sequence marked
  int saveKind, aviSpeed;  // before
  QString actions;
  int selected;            // the option selected at the end
  int saveKindAfter, aviSpeedAfter;
};

}  // namespace

class TestFrmOptSave : public QObject {
  Q_OBJECT

  ModuleValues module_;
  std::unique_ptr<frmOptSave> dialog_;  // kept between rows: layout's rows hold its controls

  frmOptSave& Open(bool marks, int saveKind, int aviSpeed) {
    module_ = {marks ? 1'000 : -1, marks ? 250'000 : -1, std::uint8_t(saveKind), std::uint8_t(aviSpeed)};
    return uitest::ShowActive(dialog_, module_);
  }

 private slots:
  void layout_data() {
    QTest::addColumn<uitest::Placed>("p");
    frmOptSave& d = Open(true, 2, 10);
    auto row = [&d](const char* name, QWidget* w, QRect place, const QString& text) {
      QTest::newRow(name) << uitest::Placed{w, w == &d ? nullptr : &d, place, text};
    };
    row("frmOptSave", &d, {0, 0, 337, 289}, "Opcje zapisu");
    row("OptSave(0)", d.OptSave[0], Twips(360, 480, 4575, 255), "Zapis pojedynczego obrazka w formacie JPEG");
    row("OptSave(1)", d.OptSave[1], Twips(360, 1080, 4095, 255), "Zapis wybranej sekwencji w formacie MJP");
    row("OptSave(2)", d.OptSave[2], Twips(360, 1680, 4455, 255), "Konwersja wybranej sekwencji do formatu AVI");
    row("Label1", d.Label1, Twips(600, 1920, 4215, 255), "Możliwości zależne od zainstalowanych w systemie kodedekow");
    row("lblSpeed(0)", d.lblSpeed[0], Twips(1320, 2400, 2415, 255), "Prędkość odtwarzania [kl./ sek.]");
    row("sldSpeed", d.sldSpeed, Twips(480, 2640, 3975, 435), {});
    row("lblSpeed(1)", d.lblSpeed[1], Twips(480, 3120, 375, 255), "1");
    row("lblSpeed(2)", d.lblSpeed[2], Twips(1680, 3120, 255, 255), "10");
    row("lblSpeed(3)", d.lblSpeed[3], Twips(2880, 3120, 255, 255), "20");
    row("lblSpeed(4)", d.lblSpeed[4], Twips(4200, 3120, 255, 255), "30");
    row("cmdAnuluj", d.cmdAnuluj, Twips(240, 3720, 1095, 375), "Anuluj");
    row("cmdOK", d.cmdOK, Twips(3720, 3720, 1095, 375), "OK");
  }

  void layout() {
    QFETCH(uitest::Placed, p);
    uitest::VerifyPlaced(p);
  }

  void sequences_data() {
    QTest::addColumn<Sequence>("c");
    QTest::newRow("no marks: only JPEG, whatever SaveKind") << Sequence{false, 2, 17, "OK", 0, 0, 17};
    QTest::newRow("disabled options never selected") << Sequence{false, 1, 10, "opt1 opt2 opt0 Down Down OK", 0, 0, 10};
    QTest::newRow("marks: the last choice comes back") << Sequence{true, 2, 10, "OK", 2, 2, 10};
    QTest::newRow("MJP, then AVI at 25") << Sequence{true, 1, 10, "opt2 speed25 OK", 2, 2, 25};
    QTest::newRow("MJP turns the speed off") << Sequence{true, 2, 10, "opt1", 1, 2, 10};
    QTest::newRow("arrows select as clicks do") << Sequence{true, 0, 10, "opt0 Down Down", 2, 0, 10};
    QTest::newRow("Anuluj marks the choice cancelled") << Sequence{true, 2, 10, "speed5 opt1 Anuluj", 1, 130, 10};
    QTest::newRow("cancelled, then MJP") << Sequence{true, 130, 10, "opt1 OK", 1, 1, 10};
    QTest::newRow("slider stops at 30") << Sequence{true, 2, 10, "speed30 Right OK", 2, 2, 30};
    QTest::newRow("Enter only on a button") << Sequence{true, 1, 10, "opt2 Escape Return Tab Tab Return", 2, 2, 10};
    QTest::newRow("Tab order, round to Anuluj") << Sequence{true, 1, 10, "opt2 Tab Tab Tab Tab Tab Return", 2, 129, 10};
  }

  // Every row also checks that the six speed controls are on exactly while AVI is selected.
  void sequences() {
    QFETCH(Sequence, c);
    frmOptSave& d = Open(c.marks, c.saveKind, c.aviSpeed);
    Act(d, c.actions);
    for (int k = 0; k < kSaveOptionCount; ++k) QCOMPARE(d.OptSave[k]->isChecked(), k == c.selected);
    QCOMPARE(d.OptSave[1]->isEnabled() && d.OptSave[2]->isEnabled(), c.marks);
    QCOMPARE(d.sldSpeed->isEnabled(), c.selected == 2);
    for (QLabel* l : d.lblSpeed) QCOMPARE(l->isEnabled(), c.selected == 2);
    QCOMPARE(int(module_.SaveKind), c.saveKindAfter);
    QCOMPARE(int(module_.AviSpeed), c.aviSpeedAfter);
  }
};

UI_TEST_SUITE(TestFrmOptSave);
#include "test_frmoptsave.moc"
