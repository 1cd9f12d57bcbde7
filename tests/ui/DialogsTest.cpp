// Save options, time correction and compressor dialogs driven by clicks and keys.

#include "ViewerTestSupport.h"
#include "platform/Clock.h"
#include "ui/CompressorDialog.h"
#include "ui/frmOptSave.h"
#include "ui/frmTime.h"

namespace {

// Replaces `dialog` with a new one, shown and active, so keys reach it.
template <class Dialog, class... Args>
Dialog& ShowActive(std::unique_ptr<Dialog>& dialog, Args&&... args) {
  dialog.reset();
  dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
  dialog->show();
  dialog->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog.get())) qFatal("the dialog never became active");
  return *dialog;
}

// "opt2" clicks an option's circle, "burn" the burn-in box, "speed25" moves the slider by arrows, "OK"/"Anuluj"
// click; else a key.
template <class Dialog>
void Act(Dialog& d, const QString& actions) {
  for (const QString& a : actions.split(' ', Qt::SkipEmptyParts)) {
    if constexpr (std::is_same_v<Dialog, frmOptSave>) {
      if (a.startsWith("opt") || a == "burn") {
        QAbstractButton* box = a == "burn" ? static_cast<QAbstractButton*>(d.chkOverlay) : d.OptSave[a.mid(3).toInt()];
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        continue;
      }
      if (a.startsWith("speed")) {
        d.sldSpeed->setFocus(Qt::TabFocusReason);
        for (int k = 0; k < 40 && d.sldSpeed->value() != a.mid(5).toInt(); ++k)
          QTest::keyClick(d.sldSpeed, d.sldSpeed->value() < a.mid(5).toInt() ? Qt::Key_Right : Qt::Key_Left);
        continue;
      }
    }
    const QKeyCombination key = QKeySequence(a)[0];
    if (a == "OK" || a == "Anuluj") QTest::mouseClick(a == "OK" ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
    else QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
  }
}

// A complete sequence marked?, SaveKind and AviSpeed before, the actions, the option selected at the end, SaveKind
// and AviSpeed after, the burn-in choice after (shown on as remembered).
using Sequence = std::tuple<bool, int, int, QString, int, int, int, bool>;

using Keys = std::tuple<int, QString, int, QString, QString, int>;
using Choice = std::tuple<int, QString, QString, bool, AVICOMPRESSOPTIONS>;

QString Fields(const frmTime& d) { return d.txtTime[0]->text() + ':' + d.txtTime[1]->text(); }

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

  ModuleValues module_;
  std::int16_t PowerOnMinutes_ = 0;
  bool overlay_ = true;
  std::unique_ptr<frmOptSave> save_;  // kept between rows: layout's rows hold their controls
  std::unique_ptr<frmTime> time_;

  frmOptSave& OpenSave(bool marks, int saveKind, int aviSpeed) {
    module_ = {marks ? 1'000 : -1, marks ? 250'000 : -1, std::uint8_t(saveKind), std::uint8_t(aviSpeed)};
    overlay_ = true;
    return ShowActive(save_, module_, nullptr, &overlay_);
  }
  frmTime& OpenTime(std::int16_t powerOnMinutes) {
    PowerOnMinutes_ = powerOnMinutes;
    return ShowActive(time_, PowerOnMinutes_);
  }

 private slots:
  void initTestCase() {
    Clock::set([] { return QDateTime(QDate(2024, 5, 6), QTime(14, 7, 30)); });
  }
  void cleanupTestCase() { Clock::set({}); }

  // Each control in its place with its text, font and state; never shown, so no focus frame or cursor.
  void looks() {
    module_ = {1'000, 250'000, 2, 10};
    PowerOnMinutes_ = 605;
    frmOptSave save(module_);
    frmTime time(PowerOnMinutes_);
    AVICOMPRESSOPTIONS options;
    CompressorDialog compressor({{"raw", "Bez kompresji (klatki 24-bitowe)", true, false}}, options);
    QCOMPARE(QStringList({save.windowTitle(), time.windowTitle(), compressor.windowTitle()}),
             QStringList({"Opcje zapisu", "Korekcja czasu", "Kompresja wideo"}));
    QVERIFY(uitest::LooksAsGolden(save, "save-options"));
    QVERIFY(uitest::LooksAsGolden(time, "time"));
    QVERIFY(uitest::LooksAsGolden(compressor, "compressor"));
  }

  void saveOptions_data() {
    QTest::addColumn<Sequence>("c");
    QTest::newRow("no marks: disabled options never selected")
        << Sequence{false, 1, 10, "opt1 opt2 opt0 Down Down OK", 0, 0, 10, true};
    QTest::newRow("MJP, then AVI at 25, burn-in off") << Sequence{true, 1, 10, "opt2 burn speed25 OK", 2, 2, 25, false};
    QTest::newRow("MJP turns the speed and burn-in off") << Sequence{true, 2, 10, "opt1", 1, 2, 10, true};
    QTest::newRow("arrows select as clicks do") << Sequence{true, 0, 10, "opt0 Down Down", 2, 0, 10, true};
    QTest::newRow("Anuluj: choice cancelled, burn-in kept")
        << Sequence{true, 2, 10, "speed5 burn opt1 Anuluj", 1, 130, 10, true};
    QTest::newRow("the last choice back, slider stops at 30")
        << Sequence{true, 2, 10, "speed30 Right OK", 2, 2, 30, true};
    QTest::newRow("Enter only on a button")
        << Sequence{true, 1, 10, "opt2 Escape Return Tab Tab Return", 2, 2, 10, true};
    QTest::newRow("Tab order, round to Anuluj")
        << Sequence{true, 1, 10, "opt2 Tab Tab Tab Tab Tab Return", 2, 129, 10, true};
  }

  // Every row also checks that the six speed controls are on exactly while AVI is selected, the burn-in box but
  // for an MJP copy; the box answers on OK only.
  void saveOptions() {
    QFETCH(Sequence, c);
    const auto [marks, saveKind, aviSpeed, actions, selected, saveKindAfter, aviSpeedAfter, overlayAfter] = c;
    frmOptSave& d = OpenSave(marks, saveKind, aviSpeed);
    QVERIFY(d.chkOverlay->isChecked());
    Act(d, actions);
    QCOMPARE(std::pair(d.chkOverlay->isEnabled(), overlay_), std::pair(selected != 1, overlayAfter));
    for (int k = 0; k < kSaveOptionCount; ++k) QCOMPARE(d.OptSave[k]->isChecked(), k == selected);
    QCOMPARE(d.OptSave[1]->isEnabled() && d.OptSave[2]->isEnabled(), marks);
    QCOMPARE(d.sldSpeed->isEnabled(), selected == 2);
    for (QLabel* l : d.lblSpeed) QCOMPARE(l->isEnabled(), selected == 2);
    QCOMPARE(std::pair(int(module_.SaveKind), int(module_.AviSpeed)), std::pair(saveKindAfter, aviSpeedAfter));
  }

  void timeDialog_data() {
    // Focus (0 hours, 1 minutes, 2 OK, 3 Anuluj, 4/5 optTime) before and after (-1: closed), hours:minutes (once
    // closed: at the next showing), the selected text, PowerOnMinutes (605 before).
    QTest::addColumn<Keys>("k");
    QTest::newRow("second hour digit carries on") << Keys{0, "1 2", 1, "12:05", "05", 605};
    QTest::newRow("keypad digits do not advance") << Keys{0, "Num+1 Num+2", 0, "12:05", "", 605};
    QTest::newRow("minutes never carry on") << Keys{1, "3 4", 1, "10:34", "", 605};
    QTest::newRow("left at the minutes' start") << Keys{1, "Home Left", 0, "10:05", "10", 605};
    QTest::newRow("Enter in the hours, then in the minutes") << Keys{0, "Return Return", 2, "10:05", "", 605};
    QTest::newRow("hours above 23 clamped") << Keys{0, "9 9", 1, "23:05", "05", 605};
    QTest::newRow("Tab order: the chosen option, then the hours") << Keys{5, "Tab", 0, "10:05", "10", 605};
    QTest::newRow("Tab skips the option not chosen") << Keys{5, "Up Tab", 0, "10:05", "10", 605};
    QTest::newRow("Tab from OK") << Keys{2, "Tab", 3, "10:05", "", 605};
    QTest::newRow("12:34, Enter, Enter on OK") << Keys{5, "Tab 1 2 3 4 Return Return", -1, "12:34", "", 754};
    QTest::newRow("negative hours") << Keys{5, "Tab - 5 0 0 OK", -1, "-5:00", "", -300};
    QTest::newRow("relative time stores 0") << Keys{5, "Up Tab 1 2 3 4 OK", -1, "14:07", "", 0};
    QTest::newRow("Anuluj keeps the value") << Keys{5, "Up Tab 1 2 3 4 Anuluj", -1, "10:05", "", 605};
  }

  // Enter in a field clicks no button; what OK stores shows again at the next showing.
  void timeDialog() {
    QFETCH(Keys, k);
    const auto [start, keys, focus, fields, selected, stored] = k;
    frmTime& d = OpenTime(605);
    const QList<QWidget*> targets{d.txtTime[0], d.txtTime[1], d.cmdOK, d.cmdAnuluj, d.optTime[0], d.optTime[1]};
    targets[start]->setFocus(Qt::TabFocusReason);
    Act(d, keys);
    QCOMPARE(std::pair(d.isVisible(), int(PowerOnMinutes_)), std::pair(focus >= 0, stored));
    if (focus >= 0) QCOMPARE(QApplication::focusWidget(), targets[focus]);
    if (focus == 0 || focus == 1) QCOMPARE(d.txtTime[focus]->selectedText(), selected);
    if (focus < 0) QCOMPARE(OpenTime(PowerOnMinutes_).optTime[1]->isChecked(), stored != 0);
    QCOMPARE(Fields(*time_), fields);
  }

  void compressor_data() {
    // Index chosen by keys, key frames and kB/s typed (empty: left), OK or Anuluj, options filled.
    QTest::addColumn<Choice>("c");
    QTest::newRow("the default as it stands") << Choice{0, "", "", true, {"raw", 1, 0}};
    QTest::newRow("Motion JPEG at 1500 kB/s") << Choice{1, "", "1500", true, {"mjpeg", 1, 1'500'000}};
    QTest::newRow("lossless takes no data rate") << Choice{2, "5", "800", true, {"ffv1", 5, 0}};
    QTest::newRow("MPEG-4, rate 0 is the default") << Choice{3, "25", "0", true, {"mpeg4", 25, 0}};
    QTest::newRow("Anuluj answers 0, fills nothing") << Choice{3, "9", "700", false, {"", 1, 0}};
  }

  void compressor() {
    QFETCH(Choice, c);
    const auto [index, keyFrames, dataRate, ok, filled] = c;
    const std::vector<AviCompressor> offered{{"raw", "Bez kompresji (klatki 24-bitowe)", true, false},
                                             {"mjpeg", "Motion JPEG", false, true},
                                             {"ffv1", "FFV1 (bezstratny)", true, false},
                                             {"mpeg4", "MPEG-4 część 2", false, true}};
    AVICOMPRESSOPTIONS options;
    CompressorDialog d(offered, options);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    for (int k = 0; k < index; ++k) QTest::keyClick(d.cboCompressor, Qt::Key_Down);
    QCOMPARE(d.txtDataRate->isEnabled(), offered[index].usesDataRate);
    for (auto [field, text] : {std::pair<QWidget*, QString>{d.txtKeyFrames, keyFrames}, {d.txtDataRate, dataRate}}) {
      field->setFocus(Qt::TabFocusReason);
      QTest::keyClicks(field, text);
    }
    QTest::mouseClick(ok ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
    QCOMPARE(d.result(), ok ? 1 : 0);
    QCOMPARE(std::tuple(options.codec, options.dwKeyFrameEvery, options.dwBytesPerSecond),
             std::tuple(filled.codec, filled.dwKeyFrameEvery, filled.dwBytesPerSecond));
  }
};

UI_TEST_SUITE(DialogsTest);
#include "DialogsTest.moc"
