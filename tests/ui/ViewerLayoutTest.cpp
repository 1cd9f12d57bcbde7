#include "ViewerLayoutTest.h"

#include <QFontInfo>
#include <QLabel>
#include <QRegion>
#include <QtTest>

#include "ViewerTestSupport.h"
#include "shell/frmViewer.h"

using uitest::Rgb;
using uitest::WindowRect;

namespace {

constexpr std::array<int, kTransportButtons> kFaceLeft{24, 74, 124, 174, 244, 294, 394, 444, 514, 564, 614};
constexpr std::array<int, kTransportButtons> kFaceWidth{50, 50, 50, 70, 50, 100, 50, 70, 50, 50, 50};
constexpr std::array<QRect, kCommandRows> kIco{QRect(688, 380, 16, 14), QRect(688, 404, 15, 15),
                                               QRect(688, 445, 16, 16), QRect(689, 470, 16, 16)};
constexpr std::array<int, kCommandRows> kRightCmdTop{376, 400, 440, 464};

// A colour no skin picture uses, so a lamp that shows through is unmistakable.
constexpr std::uint32_t kProbe = 0x00FF00FF;  // magenta

int StackIndex(const QWidget* w) { return w->parentWidget()->children().indexOf(const_cast<QWidget*>(w)); }

}  // namespace

ViewerLayoutTest::ViewerLayoutTest() = default;
ViewerLayoutTest::~ViewerLayoutTest() = default;

void ViewerLayoutTest::initTestCase() {
  v_ = std::make_unique<frmViewer>();
  v_->Form_Load(QString());
}

void ViewerLayoutTest::cleanupTestCase() { v_.reset(); }

void ViewerLayoutTest::windowChrome() {
  QVERIFY(v_->isWindow());
  QCOMPARE(v_->size(), QSize(755, 631));
  QCOMPARE(v_->minimumSize(), QSize(755, 631));
  QCOMPARE(v_->maximumSize(), QSize(755, 631));
  QVERIFY(v_->windowFlags().testFlag(Qt::FramelessWindowHint));
  QCOMPARE(v_->windowTitle(), QStringLiteral("Vistrel_3.0"));
}

void ViewerLayoutTest::controlRect_data() {
  QTest::addColumn<QWidget*>("control");
  QTest::addColumn<QRect>("expected");  // window coordinates
  frmViewer& v = *v_;
  auto row = [](const char* name, QWidget* w, QRect r) { QTest::newRow(name) << w << r; };
  row("Label1", v.Label1, {24, 13, 153, 33});
  row("lblCompany", v.lblCompany, {176, 24, 145, 17});
  row("lblFile", v.lblFile, {348, 26, 169, 17});
  row("lblInfo", v.lblInfo, {528, 58, 129, 33});
  row("lblIdent", v.lblIdent, {552, 26, 105, 17});
  row("imgMinimize", v.imgMinimize, {696, 16, 21, 21});
  row("imgExit", v.imgExit, {720, 16, 21, 21});
  row("Image3", v.Image3, {0, 50, 24, 480});
  row("picTV", v.picTV, {24, 50, 640, 480});
  row("lblSave", v.lblSave, {326, 266, 37, 29});
  row("Image1", v.Image1, {664, 50, 92, 480});
  row("imgCamera", v.imgCamera, {698, 84, 19, 11});
  row("shCamera", v.shCamera, {698, 84, 19, 11});
  row("lblPicInfo(0)", v.lblPicInfo[0], {683, 102, 50, 17});
  row("lblPicInfo(1)", v.lblPicInfo[1], {683, 118, 50, 17});
  row("lblPicInfo(2)", v.lblPicInfo[2], {683, 134, 50, 17});
  row("imgBatt", v.imgBatt, {698, 194, 19, 12});
  row("shBatt", v.shBatt, {698, 194, 19, 12});
  row("lblBattInfo", v.lblBattInfo, {684, 208, 50, 17});
  for (int k = 0; k < kCommandRows; ++k) {
    QTest::addRow("imgIco(%d)", k) << static_cast<QWidget*>(v.imgIco[k]) << kIco[k];
    QTest::addRow("shIco(%d)", k) << static_cast<QWidget*>(v.shIco[k]) << kIco[k];
    QTest::addRow("imgRightCmd(%d)", k) << static_cast<QWidget*>(v.imgRightCmd[k])
                                        << QRect(712, kRightCmdTop[k], 43, 25);
  }
  row("imgBottom", v.imgBottom, {0, 530, 755, 100});
  row("imgSuwak", v.imgSuwak, {22, 542, 26, 16});
  row("lblTime", v.lblTime, {536, 543, 129, 17});
  for (int k = 0; k < kTransportButtons; ++k) {
    QTest::addRow("imgCmd(%d)", k) << static_cast<QWidget*>(v.imgCmd[k])
                                   << QRect(kFaceLeft[k], 576, kFaceWidth[k], 29);
  }
  row("shPlay", v.shPlay, {24, 608, 636, 8});
  row("Label2", v.Label2, {688, 608, 57, 17});
}

void ViewerLayoutTest::controlRect() {
  QFETCH(QWidget*, control);
  QFETCH(QRect, expected);
  QVERIFY(control);
  QCOMPARE(WindowRect(control), expected);
  QVERIFY(!control->isHidden() || control == v_->lblInfo || control == v_->lblSave);
  // Whatever lies on a skin picture must be drawn over it, not under it.
  for (QWidget* skin : {static_cast<QWidget*>(v_->Image3), static_cast<QWidget*>(v_->Image1),
                        static_cast<QWidget*>(v_->imgBottom)}) {
    if (control == skin || control->parentWidget() != skin->parentWidget()) continue;
    if (!WindowRect(control).intersects(WindowRect(skin))) continue;
    QVERIFY2(StackIndex(control) > StackIndex(skin), "control lies under a skin picture");
  }
}

void ViewerLayoutTest::insidePictureBox_data() {
  QTest::addColumn<QWidget*>("label");
  QTest::addColumn<QRect>("expected");  // picture box coordinates
  QTest::newRow("lblInfo") << static_cast<QWidget*>(v_->lblInfo) << QRect(504, 8, 129, 33);
  QTest::newRow("lblSave") << static_cast<QWidget*>(v_->lblSave) << QRect(302, 216, 37, 29);
}

void ViewerLayoutTest::insidePictureBox() {
  QFETCH(QWidget*, label);
  QFETCH(QRect, expected);
  QCOMPARE(label->parentWidget(), static_cast<QWidget*>(v_->picTV));
  QCOMPARE(label->geometry(), expected);
  QVERIFY(label->isHidden());  // both wait for their first use
}

void ViewerLayoutTest::transportLampBehindFace_data() {
  QTest::addColumn<int>("k");
  for (int k = 0; k < kTransportButtons; ++k) QTest::addRow("shCmd(%d)", k) << k;
}

void ViewerLayoutTest::transportLampBehindFace() {
  QFETCH(int, k);
  const QRect face = WindowRect(v_->imgCmd[k]);
  const QRect lamp = WindowRect(v_->shCmd[k]);
  QCOMPARE(lamp.size(), QSize(24, 25));
  QCOMPARE(lamp.top(), face.top());
  // Centred: equal margins left and right (doubled to stay in whole pixels).
  QCOMPARE(2 * lamp.x() + lamp.width(), 2 * face.x() + face.width());
  QCOMPARE(v_->shCmd[k]->parentWidget(), v_->imgCmd[k]->parentWidget());
  QVERIFY2(StackIndex(v_->shCmd[k]) < StackIndex(v_->imgCmd[k]), "lamp is drawn over its face");
}

void ViewerLayoutTest::lampExactlyBehindIcon_data() {
  QTest::addColumn<QWidget*>("lamp");
  QTest::addColumn<QWidget*>("icon");
  for (int k = 0; k < kCommandRows; ++k) {
    QTest::addRow("shIco(%d)", k) << static_cast<QWidget*>(v_->shIco[k]) << static_cast<QWidget*>(v_->imgIco[k]);
  }
  QTest::newRow("shCamera") << static_cast<QWidget*>(v_->shCamera) << static_cast<QWidget*>(v_->imgCamera);
  QTest::newRow("shBatt") << static_cast<QWidget*>(v_->shBatt) << static_cast<QWidget*>(v_->imgBatt);
}

void ViewerLayoutTest::lampExactlyBehindIcon() {
  QFETCH(QWidget*, lamp);
  QFETCH(QWidget*, icon);
  QCOMPARE(WindowRect(lamp), WindowRect(icon));
  QCOMPARE(lamp->parentWidget(), icon->parentWidget());
  QVERIFY2(StackIndex(lamp) < StackIndex(icon), "lamp is drawn over its icon");
}

void ViewerLayoutTest::lampShowsThroughSymbol_data() {
  QTest::addColumn<Shape*>("lamp");
  QTest::addColumn<ImageControl*>("picture");
  for (int k = 0; k < kTransportButtons; ++k) QTest::addRow("imgCmd(%d)", k) << v_->shCmd[k] << v_->imgCmd[k];
  for (int k = 0; k < kCommandRows; ++k) QTest::addRow("imgIco(%d)", k) << v_->shIco[k] << v_->imgIco[k];
  QTest::newRow("imgCamera") << v_->shCamera << v_->imgCamera;
  QTest::newRow("imgBatt") << v_->shBatt << v_->imgBatt;
}

// The symbol is the transparent part of the picture: it must lie over the lamp
// and show the lamp's colour in the drawn window.
void ViewerLayoutTest::lampShowsThroughSymbol() {
  QFETCH(Shape*, lamp);
  QFETCH(ImageControl*, picture);
  const std::uint32_t was = lamp->FillColor();
  lamp->SetFillColor(kProbe);
  const QImage window = v_->grab().toImage();
  lamp->SetFillColor(was);

  const QImage face = picture->Picture().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRect faceAt = WindowRect(picture);
  const QRect lampAt = WindowRect(lamp);
  int symbolPixels = 0;
  for (int y = 0; y < face.height(); ++y) {
    for (int x = 0; x < face.width(); ++x) {
      const int alpha = qAlpha(face.pixel(x, y));
      if (alpha == 255) continue;
      const QPoint at = faceAt.topLeft() + QPoint(x, y);
      QVERIFY2(lampAt.contains(at), qPrintable(QStringLiteral("symbol pixel (%1, %2) is not over the lamp")
                                                   .arg(x)
                                                   .arg(y)));
      if (alpha != 0) continue;
      ++symbolPixels;
      const QColor shown = window.pixelColor(at);
      QVERIFY2(shown == Rgb(kProbe),
               qPrintable(QStringLiteral("symbol pixel (%1, %2) shows %3").arg(x).arg(y).arg(shown.name())));
    }
  }
  QVERIFY2(symbolPixels > 0, "the picture has no transparent symbol");
}

void ViewerLayoutTest::labelLook_data() {
  QTest::addColumn<QLabel*>("label");
  QTest::addColumn<QString>("family");
  QTest::addColumn<int>("pixelSize");  // 0: any size
  QTest::addColumn<bool>("bold");
  QTest::addColumn<int>("alignment");  // horizontal; 0: not fixed
  QTest::addColumn<QColor>("colour");  // invalid: not fixed

  const QString sans = QStringLiteral("Liberation Sans");              // for Tahoma
  const QString mono = QStringLiteral("Liberation Mono");              // for Courier New
  const QString narrow = QStringLiteral("Liberation Sans Narrow");     // for Arial Narrow
  const QColor grey = Rgb(0x808080), titleGrey = Rgb(0x646464), red = Rgb(0x0000FF);
  const int left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
  frmViewer& v = *v_;
  QTest::newRow("Label1") << v.Label1 << sans << 0 << false << left << titleGrey;
  QTest::newRow("lblCompany") << v.lblCompany << sans << 0 << false << left << titleGrey;
  QTest::newRow("lblFile") << v.lblFile << mono << 0 << false << centre << grey;
  QTest::newRow("lblInfo") << v.lblInfo << mono << 27 << true << right << red;
  QTest::newRow("lblIdent") << v.lblIdent << mono << 13 << false << centre << grey;
  QTest::newRow("lblSave") << v.lblSave << sans << 0 << false << 0 << QColor();
  for (int k = 0; k < 3; ++k) {
    QTest::addRow("lblPicInfo(%d)", k) << v.lblPicInfo[k] << narrow << 11 << false << centre << grey;
  }
  QTest::newRow("lblBattInfo") << v.lblBattInfo << narrow << 11 << false << centre << grey;
  QTest::newRow("lblTime") << v.lblTime << sans << 11 << false << centre << grey;
  QTest::newRow("Label2") << v.Label2 << sans << 0 << false << left << QColor();
}

void ViewerLayoutTest::labelLook() {
  QFETCH(QLabel*, label);
  QFETCH(QString, family);
  QFETCH(int, pixelSize);
  QFETCH(bool, bold);
  QFETCH(int, alignment);
  QFETCH(QColor, colour);

  QCOMPARE(label->font().family(), family);
  // The stand-in must really be there, not silently replaced by some other font.
  QCOMPARE(QFontInfo(label->font()).family(), family);
  if (pixelSize) QCOMPARE(QFontInfo(label->font()).pixelSize(), pixelSize);
  if (bold) QVERIFY(QFontInfo(label->font()).bold());
  if (alignment) QCOMPARE(static_cast<int>(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
  if (colour.isValid()) QCOMPARE(label->palette().color(QPalette::WindowText), colour);
  QVERIFY2(!label->autoFillBackground(), "labels have no background of their own");
}

void ViewerLayoutTest::outline_data() {
  QTest::addColumn<QPoint>("point");
  QTest::addColumn<bool>("visible");
  QTest::newRow("top-left corner") << QPoint(0, 0) << false;
  QTest::newRow("top-right corner") << QPoint(754, 0) << false;
  QTest::newRow("bottom-left corner") << QPoint(0, 630) << false;
  QTest::newRow("bottom-right corner") << QPoint(754, 630) << false;
  QTest::newRow("inside the corner's curve") << QPoint(3, 3) << false;
  QTest::newRow("top edge where the curve ends") << QPoint(16, 0) << true;
  QTest::newRow("left edge where the curve ends") << QPoint(0, 16) << true;
  QTest::newRow("just inside the curve") << QPoint(5, 5) << true;
  QTest::newRow("centre") << QPoint(377, 315) << true;
  QTest::newRow("near the right edge") << QPoint(750, 315) << true;
}

void ViewerLayoutTest::outline() {
  QFETCH(QPoint, point);
  QFETCH(bool, visible);
  const QRegion mask = v_->mask();
  QVERIFY(!mask.isEmpty());
  QCOMPARE(mask.contains(point), visible);
}
