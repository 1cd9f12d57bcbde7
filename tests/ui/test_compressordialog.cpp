#include "test_compressordialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "export/CompressorDialog.h"
#include "platform/QtModal.h"

namespace {

const std::vector<AviCompressor> kOffered{
    {"raw", QString::fromUtf8("Bez kompresji (klatki 24-bitowe)"), true, false},
    {"mjpeg", "Motion JPEG", false, true},
    {"ffv1", QString::fromUtf8("FFV1 (bezstratny)"), true, false},
    {"mpeg4", QString::fromUtf8("MPEG-4 część 2"), false, true},
};

QWidget* Focus() { return QApplication::focusWidget(); }

// Picks a compressor from the keyboard, as a person does in a closed list.
void Choose(QComboBox* box, int index) {
  box->setFocus(Qt::TabFocusReason);
  for (int k = 0; k < 10 && box->currentIndex() < index; ++k) QTest::keyClick(box, Qt::Key_Down);
  for (int k = 0; k < 10 && box->currentIndex() > index; ++k) QTest::keyClick(box, Qt::Key_Up);
}

// Replaces a field's text by typing.
void TypeInto(QWidget* field, const QString& text) {
  field->setFocus(Qt::TabFocusReason);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Delete);
  if (!text.isEmpty()) QTest::keyClicks(field, text);
}

}  // namespace

TestCompressorDialog::TestCompressorDialog() = default;
TestCompressorDialog::~TestCompressorDialog() = default;

void TestCompressorDialog::cleanup() { dialog_.reset(); }

CompressorDialog& TestCompressorDialog::Open(const std::vector<AviCompressor>& offered) {
  dialog_.reset();
  offered_ = offered;
  dialog_ = std::make_unique<CompressorDialog>(offered_, options_);
  dialog_->show();
  dialog_->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog_.get())) qFatal("the dialog never became active");
  return *dialog_;
}

void TestCompressorDialog::titleAndTexts() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  QCOMPARE(d.windowTitle(), QString("Kompresja wideo"));
  QCOMPARE(d.lblCompressor->text(), QString("&Kompresor:"));
  QCOMPARE(d.lblKeyFrames->text(), QString("Co ile klatek klatka &kluczowa:"));
  QCOMPARE(d.lblDataRate->text(), QString::fromUtf8("&Strumień danych [kB/s]:"));
  QCOMPARE(d.txtDataRate->placeholderText(), QString::fromUtf8("domyślna"));
  QCOMPARE(d.cmdOK->text(), QString("OK"));
  QCOMPARE(d.cmdAnuluj->text(), QString("Anuluj"));
  // Everything is visible inside the dialog.
  for (QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->isVisible()) QVERIFY(d.rect().contains(w->geometry()));
}

void TestCompressorDialog::offersTheListItIsGivenFirstChosen() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  QCOMPARE(d.cboCompressor->count(), int(kOffered.size()));
  for (int k = 0; k < d.cboCompressor->count(); ++k) QCOMPARE(d.cboCompressor->itemText(k), kOffered[k].description);
  QCOMPARE(d.cboCompressor->currentIndex(), 0);
  QCOMPARE(d.txtKeyFrames->value(), 1);
  QCOMPARE(d.txtDataRate->text(), QString());
}

void TestCompressorDialog::okAnswersTheChosenCompressor_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("keyFrames");
  QTest::addColumn<QString>("dataRate");
  QTest::addColumn<QString>("codec");
  QTest::addColumn<int>("keyFrameEvery");
  QTest::addColumn<int>("bytesPerSecond");
  QTest::newRow("the default as it stands") << 0 << ""
                                            << "" << "raw" << 1 << 0;
  QTest::newRow("Motion JPEG at 1500 kB/s") << 1 << "1"
                                            << "1500" << "mjpeg" << 1 << 1'500'000;
  QTest::newRow("lossless, key frame every 5") << 2 << "5"
                                               << "" << "ffv1" << 5 << 0;
  QTest::newRow("MPEG-4, rate 0 is the default") << 3 << "25"
                                                 << "0" << "mpeg4" << 25 << 0;
  QTest::newRow("MPEG-4, empty rate is the default") << 3 << "1"
                                                     << "" << "mpeg4" << 1 << 0;
  QTest::newRow("the highest rate") << 3 << "1"
                                    << "2000000" << "mpeg4" << 1 << 2'000'000'000;
}

void TestCompressorDialog::okAnswersTheChosenCompressor() {
  QFETCH(int, index);
  QFETCH(QString, keyFrames);
  QFETCH(QString, dataRate);
  QFETCH(QString, codec);
  QFETCH(int, keyFrameEvery);
  QFETCH(int, bytesPerSecond);
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  Choose(d.cboCompressor, index);
  QCOMPARE(d.cboCompressor->currentIndex(), index);
  if (!keyFrames.isEmpty()) TypeInto(d.txtKeyFrames, keyFrames);
  if (!dataRate.isEmpty()) TypeInto(d.txtDataRate, dataRate);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), 1);
  QCOMPARE(options_.codec, codec);
  QCOMPARE(options_.dwKeyFrameEvery, keyFrameEvery);
  QCOMPARE(options_.dwBytesPerSecond, bytesPerSecond);
}

void TestCompressorDialog::dataRateOnlyForCompressorsThatTakeOne() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  for (int k = 0; k < int(kOffered.size()); ++k) {
    Choose(d.cboCompressor, k);
    QCOMPARE(d.txtDataRate->isEnabled(), kOffered[k].usesDataRate);
    QCOMPARE(d.lblDataRate->isEnabled(), kOffered[k].usesDataRate);
  }
  // A rate typed for one compressor means nothing to one that takes none.
  Choose(d.cboCompressor, 1);
  TypeInto(d.txtDataRate, "800");
  Choose(d.cboCompressor, 2);
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(d.result(), 1);
  QCOMPARE(options_.codec, QString("ffv1"));
  QCOMPARE(options_.dwBytesPerSecond, 0);
}

void TestCompressorDialog::dataRateFieldTakesWholeKilobytesOnly() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  Choose(d.cboCompressor, 1);
  TypeInto(d.txtDataRate, "12a.5-");
  QCOMPARE(d.txtDataRate->text(), QString("125"));
  // More than the highest rate: brought down to it on leaving the field, and on OK.
  TypeInto(d.txtDataRate, "99999999");
  QCOMPARE(d.txtDataRate->text(), QString("9999999"));
  d.txtKeyFrames->setFocus(Qt::TabFocusReason);
  QCOMPARE(d.txtDataRate->text(), QString("2000000"));
  TypeInto(d.txtDataRate, "3000000");
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(d.result(), 1);
  QCOMPARE(options_.dwBytesPerSecond, 2'000'000'000);
}

void TestCompressorDialog::keyFrameIntervalIsAtLeastOne() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  QCOMPARE(d.txtKeyFrames->minimum(), 1);
  d.txtKeyFrames->setFocus(Qt::TabFocusReason);
  QTest::keyClick(d.txtKeyFrames, Qt::Key_Down);
  QCOMPARE(d.txtKeyFrames->value(), 1);
  // An emptied field goes back to the last number it held.
  TypeInto(d.txtKeyFrames, "");
  QTest::mouseClick(d.cmdOK, Qt::LeftButton);
  QCOMPARE(d.result(), 1);
  QCOMPARE(options_.dwKeyFrameEvery, 1);
}

void TestCompressorDialog::anulujAnswersZeroAndLeavesTheOptions() {
  options_ = {"mjpeg", 3, 64'000};
  CompressorDialog& d = Open(kOffered);
  Choose(d.cboCompressor, 3);
  TypeInto(d.txtKeyFrames, "9");
  TypeInto(d.txtDataRate, "700");
  QTest::mouseClick(d.cmdAnuluj, Qt::LeftButton);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), 0);
  QCOMPARE(options_.codec, QString("mjpeg"));
  QCOMPARE(options_.dwKeyFrameEvery, 3);
  QCOMPARE(options_.dwBytesPerSecond, 64'000);
}

void TestCompressorDialog::closingAnswersZero() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  Choose(d.cboCompressor, 1);
  QVERIFY(d.close());
  QCOMPARE(d.result(), 0);
  QCOMPARE(options_.codec, QString());
}

void TestCompressorDialog::enterConfirmsAndEscapeCancels() {
  options_ = {};
  CompressorDialog& d = Open(kOffered);
  Choose(d.cboCompressor, 2);
  QTest::keyClick(Focus(), Qt::Key_Return);
  QVERIFY(!d.isVisible());
  QCOMPARE(d.result(), 1);
  QCOMPARE(options_.codec, QString("ffv1"));

  options_ = {};
  CompressorDialog& again = Open(kOffered);
  again.txtKeyFrames->setFocus(Qt::TabFocusReason);
  QTest::keyClick(Focus(), Qt::Key_Escape);
  QVERIFY(!again.isVisible());
  QCOMPARE(again.result(), 0);
  QCOMPARE(options_.codec, QString());
}

void TestCompressorDialog::withNothingOfferedOnlyAnulujIsLeft() {
  options_ = {};
  CompressorDialog& d = Open({});
  QCOMPARE(d.cboCompressor->count(), 0);
  QVERIFY(!d.cmdOK->isEnabled());
  QVERIFY(!d.txtDataRate->isEnabled());
  QTest::keyClick(d.cboCompressor, Qt::Key_Return);
  QCOMPARE(options_.codec, QString());
  QTest::mouseClick(d.cmdAnuluj, Qt::LeftButton);
  QCOMPARE(d.result(), 0);
}

void TestCompressorDialog::optionsThatNameACompressorAreSuggested() {
  options_ = {"mpeg4", 12, 250'000};
  CompressorDialog& d = Open(kOffered);
  QCOMPARE(d.cboCompressor->currentIndex(), 3);
  QCOMPARE(d.txtKeyFrames->value(), 12);
  QCOMPARE(d.txtDataRate->text(), QString("250"));
  QVERIFY(d.txtDataRate->isEnabled());

  // A name that is not offered: the first compressor.
  options_ = {"nosuch", 1, 0};
  CompressorDialog& other = Open(kOffered);
  QCOMPARE(other.cboCompressor->currentIndex(), 0);
}

void TestCompressorDialog::theModalSeamShowsTheDialog() {
  bool seen = false;
  QTimer::singleShot(0, [&seen] {
    auto* d = qobject_cast<CompressorDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    seen = true;
    Choose(d->cboCompressor, 1);
    TypeInto(d->txtDataRate, "900");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  });
  AVICOMPRESSOPTIONS options;
  QtModal modal;
  QCOMPARE(modal.chooseCompressor(kOffered, options), 1);
  QVERIFY(seen);
  QCOMPARE(options.codec, QString("mjpeg"));
  QCOMPARE(options.dwBytesPerSecond, 900'000);

  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<CompressorDialog*>(QApplication::activeModalWidget()))
      QTest::mouseClick(d->cmdAnuluj, Qt::LeftButton);
  });
  QCOMPARE(modal.chooseCompressor(kOffered, options), 0);
}
