// The compressor dialog of the AVI conversion: what OK fills in, and that Anuluj answers 0.

#include "ViewerTestSupport.h"
#include "ui/CompressorDialog.h"

namespace {

struct Answer {
  int index;  // chosen from the keyboard
  QString keyFrames, dataRate;  // typed (the rate in kB/s); empty: left as it stands
  bool ok;    // OK clicked, else Anuluj
  AVICOMPRESSOPTIONS filled;
};

}  // namespace

class TestCompressorDialog : public QObject {
  Q_OBJECT

 private slots:
  void answers_data() {
    QTest::addColumn<Answer>("a");
    QTest::newRow("the default as it stands") << Answer{0, "", "", true, {"raw", 1, 0}};
    QTest::newRow("Motion JPEG at 1500 kB/s") << Answer{1, "", "1500", true, {"mjpeg", 1, 1'500'000}};
    QTest::newRow("lossless takes no data rate") << Answer{2, "5", "800", true, {"ffv1", 5, 0}};
    QTest::newRow("MPEG-4, rate 0 is the default") << Answer{3, "25", "0", true, {"mpeg4", 25, 0}};
    QTest::newRow("Anuluj answers 0, fills nothing") << Answer{3, "9", "700", false, {"", 1, 0}};
  }

  void answers() {
    QFETCH(Answer, a);
    const std::vector<AviCompressor> offered{{"raw", "Bez kompresji (klatki 24-bitowe)", true, false},
                                             {"mjpeg", "Motion JPEG", false, true},
                                             {"ffv1", "FFV1 (bezstratny)", true, false},
                                             {"mpeg4", "MPEG-4 część 2", false, true}};
    AVICOMPRESSOPTIONS options;
    CompressorDialog d(offered, options);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    for (int k = 0; k < a.index; ++k) QTest::keyClick(d.cboCompressor, Qt::Key_Down);
    QCOMPARE(d.txtDataRate->isEnabled(), offered[a.index].usesDataRate);
    // Typing replaces what a field holds, as entering it with Tab selects it all.
    for (auto [field, text] : {std::pair<QWidget*, QString>{d.txtKeyFrames, a.keyFrames}, {d.txtDataRate, a.dataRate}}) {
      field->setFocus(Qt::TabFocusReason);
      QTest::keyClicks(field, text);
    }
    QTest::mouseClick(a.ok ? d.cmdOK : d.cmdAnuluj, Qt::LeftButton);
    QCOMPARE(d.result(), a.ok ? 1 : 0);
    QCOMPARE(options.codec, a.filled.codec);
    QCOMPARE(options.dwKeyFrameEvery, a.filled.dwKeyFrameEvery);
    QCOMPARE(options.dwBytesPerSecond, a.filled.dwBytesPerSecond);
  }
};

UI_TEST_SUITE(TestCompressorDialog);
#include "test_compressordialog.moc"
