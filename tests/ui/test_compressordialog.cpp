#include "test_compressordialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "export/CompressorDialog.h"

void TestCompressorDialog::answers_data() {
  QTest::addColumn<int>("index");  // chosen from the keyboard
  QTest::addColumn<QString>("keyFrames");  // typed; empty: left as it stands
  QTest::addColumn<QString>("dataRate");   // kB/s typed; empty: left as it stands
  QTest::addColumn<bool>("ok");
  QTest::addColumn<QString>("codec");
  QTest::addColumn<int>("keyFrameEvery");
  QTest::addColumn<int>("bytesPerSecond");
  QTest::newRow("the default as it stands") << 0 << "" << "" << true << "raw" << 1 << 0;
  QTest::newRow("Motion JPEG at 1500 kB/s") << 1 << "" << "1500" << true << "mjpeg" << 1 << 1'500'000;
  QTest::newRow("lossless takes no data rate") << 2 << "5" << "800" << true << "ffv1" << 5 << 0;
  QTest::newRow("MPEG-4, rate 0 is the default") << 3 << "25" << "0" << true << "mpeg4" << 25 << 0;
  QTest::newRow("Anuluj answers 0, fills nothing") << 3 << "9" << "700" << false << "" << 1 << 0;
}

void TestCompressorDialog::answers() {
  QFETCH(int, index);
  QFETCH(QString, keyFrames);
  QFETCH(QString, dataRate);
  QFETCH(bool, ok);
  QFETCH(QString, codec);
  QFETCH(int, keyFrameEvery);
  QFETCH(int, bytesPerSecond);
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
  // Typing replaces what a field holds, as entering it with Tab selects it all.
  for (auto [field, text] : {std::pair<QWidget*, QString>{d.txtKeyFrames, keyFrames}, {d.txtDataRate, dataRate}}) {
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(field, text);
  }
  QTest::mouseClick(ok ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
  QCOMPARE(d.result(), ok ? 1 : 0);
  QCOMPARE(options.codec, codec);
  QCOMPARE(options.dwKeyFrameEvery, keyFrameEvery);
  QCOMPARE(options.dwBytesPerSecond, bytesPerSecond);
}
