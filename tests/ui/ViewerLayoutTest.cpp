// The main window as drawn: every control's place, the labels' look and the rounded outline.

#include "ViewerTestSupport.h"

namespace {

QWidget* AsWidget(QWidget* w) { return w; }

// How a label is drawn.
struct Look {
  QString family;     // the font really used, not a silent substitute
  int pixelSize = 0;  // 0: any size
  bool bold = false;
  int alignment = 0;  // horizontal; 0: not fixed
  QColor colour;      // invalid: not fixed
};

}  // namespace

class ViewerLayoutTest : public QObject {
  Q_OBJECT

  frmViewer v_;

 private slots:
  void initTestCase() {
    v_.Form_Load(QString());
    QCOMPARE(v_.windowTitle(), QStringLiteral("Vistrel_3.0"));
    QVERIFY(v_.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(v_.minimumSize(), QSize(755, 631));
    QCOMPARE(v_.maximumSize(), QSize(755, 631));
  }

  void controlRect_data() {
    QTest::addColumn<QWidget*>("control");
    QTest::addColumn<QRect>("expected");  // window coordinates, also inside picTV
    frmViewer& v = v_;
    const QList<std::tuple<const char*, QWidget*, QRect>> rows{
        {"Label1", v.Label1, {24, 13, 153, 33}},          {"lblCompany", v.lblCompany, {176, 24, 145, 17}},
        {"lblFile", v.lblFile, {348, 26, 169, 17}},       {"lblInfo", v.lblInfo, {528, 58, 129, 33}},
        {"lblIdent", v.lblIdent, {552, 26, 105, 17}},     {"imgMinimize", v.imgMinimize, {696, 16, 21, 21}},
        {"imgExit", v.imgExit, {720, 16, 21, 21}},        {"Image3", v.Image3, {0, 50, 24, 480}},
        {"picTV", v.picTV, {24, 50, 640, 480}},           {"lblSave", v.lblSave, {326, 266, 37, 29}},
        {"Image1", v.Image1, {664, 50, 92, 480}},         {"imgCamera", v.imgCamera, {698, 84, 19, 11}},
        {"shCamera", v.shCamera, {698, 84, 19, 11}},      {"lblPicInfo(0)", v.lblPicInfo[0], {683, 102, 50, 17}},
        {"lblPicInfo(1)", v.lblPicInfo[1], {683, 118, 50, 17}}, {"lblPicInfo(2)", v.lblPicInfo[2], {683, 134, 50, 17}},
        {"imgBatt", v.imgBatt, {698, 194, 19, 12}},       {"shBatt", v.shBatt, {698, 194, 19, 12}},
        {"lblBattInfo", v.lblBattInfo, {684, 208, 50, 17}}, {"imgBottom", v.imgBottom, {0, 530, 755, 100}},
        {"imgSuwak", v.imgSuwak, {22, 542, 26, 16}},      {"lblTime", v.lblTime, {536, 543, 129, 17}},
        {"shPlay", v.shPlay, {24, 608, 636, 8}},          {"Label2", v.Label2, {688, 608, 57, 17}}};
    for (const auto& [name, w, r] : rows) QTest::newRow(name) << w << r;
    const QRect ico[kCommandRows]{{688, 380, 16, 14}, {688, 404, 15, 15}, {688, 445, 16, 16}, {689, 470, 16, 16}};
    const int rightCmdTop[kCommandRows]{376, 400, 440, 464};
    for (int k = 0; k < kCommandRows; ++k) {
      QTest::addRow("imgIco(%d)", k) << AsWidget(v.imgIco[k]) << ico[k];
      QTest::addRow("shIco(%d)", k) << AsWidget(v.shIco[k]) << ico[k];  // the lamp: right behind
      QTest::addRow("imgRightCmd(%d)", k) << AsWidget(v.imgRightCmd[k]) << QRect(712, rightCmdTop[k], 43, 25);
    }
    const int left[kTransportButtons]{24, 74, 124, 174, 244, 294, 394, 444, 514, 564, 614};
    const int width[kTransportButtons]{50, 50, 50, 70, 50, 100, 50, 70, 50, 50, 50};
    for (int k = 0; k < kTransportButtons; ++k) {  // each face with its 24 x 25 lamp, centred at its top
      QTest::addRow("imgCmd(%d)", k) << AsWidget(v.imgCmd[k]) << QRect(left[k], 576, width[k], 29);
      QTest::addRow("shCmd(%d)", k) << AsWidget(v.shCmd[k]) << QRect(left[k] + (width[k] - 24) / 2, 576, 24, 25);
    }
  }

  void controlRect() {
    QFETCH(QWidget*, control);
    QFETCH(QRect, expected);
    QCOMPARE(uitest::WindowRect(control), expected);
    // The speed and the save progress lie over the picture and wait, hidden, for their first use.
    const bool overPicture = control == v_.lblInfo || control == v_.lblSave;
    QCOMPARE(control->parentWidget(), overPicture ? static_cast<QWidget*>(v_.picTV) : &v_);
    QCOMPARE(control->isHidden(), overPicture);
    // Layers: the skin pictures, the lamps over them, everything else over those (icons over lamps).
    QList<QWidget*> below{v_.Image3, v_.Image1, v_.imgBottom};
    for (Shape* lamp : v_.findChildren<Shape*>(Qt::FindDirectChildrenOnly)) below << lamp;
    const qsizetype layer = below.indexOf(control);
    for (QWidget* b : below.first(layer < 0 ? below.size() : layer))
      if (!overPicture && uitest::WindowRect(control).intersects(uitest::WindowRect(b)))
        QVERIFY2(v_.children().indexOf(control) > v_.children().indexOf(b), "a skin picture or lamp lies over it");
  }

  void labelLook_data() {
    QTest::addColumn<QLabel*>("label");
    QTest::addColumn<Look>("look");
    const QString sans = "Liberation Sans", mono = "Liberation Mono", narrow = "Liberation Sans Narrow";
    const QColor grey = uitest::Rgb(0x808080), titleGrey = uitest::Rgb(0x646464), red = uitest::Rgb(0x0000FF);
    const int left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
    QTest::newRow("Label1") << v_.Label1 << Look{sans, 0, false, left, titleGrey};
    QTest::newRow("lblCompany") << v_.lblCompany << Look{sans, 0, false, left, titleGrey};
    QTest::newRow("lblFile") << v_.lblFile << Look{mono, 0, false, centre, grey};
    QTest::newRow("lblInfo") << v_.lblInfo << Look{mono, 27, true, right, red};
    QTest::newRow("lblIdent") << v_.lblIdent << Look{mono, 13, false, centre, grey};
    for (int k = 0; k < 3; ++k)
      QTest::addRow("lblPicInfo(%d)", k) << v_.lblPicInfo[k] << Look{narrow, 11, false, centre, grey};
    QTest::newRow("lblBattInfo") << v_.lblBattInfo << Look{narrow, 11, false, centre, grey};
    QTest::newRow("lblTime") << v_.lblTime << Look{sans, 11, false, centre, grey};
    QTest::newRow("Label2") << v_.Label2 << Look{sans, 0, false, left, QColor()};
  }

  void labelLook() {
    QFETCH(QLabel*, label);
    QFETCH(Look, look);
    const QFontInfo font(label->font());
    QCOMPARE(font.family(), look.family);  // really there, not silently replaced by another font
    if (look.pixelSize) QCOMPARE(font.pixelSize(), look.pixelSize);
    if (look.bold) QVERIFY(font.bold());
    if (look.alignment) QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), look.alignment);
    if (look.colour.isValid()) QCOMPARE(label->palette().color(QPalette::WindowText), look.colour);
    QVERIFY2(!label->autoFillBackground(), "labels have no background of their own");
  }

  // The four corners are cut off by quarter ellipses of 32 x 32.
  void outline() {
    // The corners, just outside and just inside the top-left curve, the top edge where the curve ends.
    const QList<QPoint> points{{0, 0}, {754, 0}, {0, 630}, {754, 630}, {3, 3}, {5, 5}, {16, 0}};
    QList<bool> visible;
    for (QPoint p : points) visible << v_.mask().contains(p);
    QCOMPARE(visible, (QList<bool>{false, false, false, false, false, true, true}));
  }
};

UI_TEST_SUITE(ViewerLayoutTest);
#include "ViewerLayoutTest.moc"
