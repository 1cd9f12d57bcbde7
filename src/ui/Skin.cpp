#include "ui/Skin.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One dark palette for every piece, so seams between pictures never show.
const QColor kWindow(0x15, 0x17, 0x1a);
const QColor kSkinTop(0x2c, 0x2f, 0x35);
const QColor kSkin(0x22, 0x25, 0x2a);
const QColor kSkinBottom(0x1c, 0x1e, 0x22);
const QColor kInset(0x10, 0x12, 0x15);
const QColor kInsetEdge(0x08, 0x09, 0x0b);
const QColor kFrame(0x0a, 0x0b, 0x0d);
const QColor kBed(0x13, 0x15, 0x18);
const QColor kIconBody(0x2e, 0x31, 0x37);
const QColor kKeyTop(0x3c, 0x40, 0x47);
const QColor kKeyBottom(0x2b, 0x2e, 0x34);
const QColor kKeyLip(0x17, 0x19, 0x1c);
const QColor kKeyPressedTop(0x1f, 0x21, 0x25);
const QColor kKeyPressedBottom(0x29, 0x2c, 0x31);
const QColor kHighlight(255, 255, 255, 28);
const QColor kShade(0, 0, 0, 90);

// The picture area the skins frame, in window coordinates.
const QRect kPicture(24, 50, 640, 480);

// Transport row: left edges and widths of the eleven faces, top in the bottom bar.
constexpr std::array<int, 11> kCmdLeft{24, 74, 124, 174, 244, 294, 394, 444, 514, 564, 614};
constexpr std::array<int, 11> kCmdWidth{50, 50, 50, 70, 50, 100, 50, 70, 50, 50, 50};
constexpr int kCmdTop = 576 - 530;
constexpr int kCmdHeight = 29;

// Command column rows (window coordinates) and icon sizes.
constexpr std::array<QPoint, 4> kIcoAt{QPoint(688, 380), QPoint(688, 404), QPoint(688, 445), QPoint(689, 470)};
constexpr std::array<QSize, 4> kIcoSize{QSize(16, 14), QSize(15, 15), QSize(16, 16), QSize(16, 16)};
const QPoint kImage1At(664, 50);

QImage Canvas(QSize size, QColor fill = Qt::transparent) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(fill);
  return image;
}

void Antialias(QPainter& p) { p.setRenderHint(QPainter::Antialiasing, true); }

// A darker recessed box: shadow along the top, faint light along the bottom.
void PaintInset(QPainter& p, const QRectF& r, qreal radius, QColor fill = kInset) {
  p.save();
  Antialias(p);
  p.setPen(Qt::NoPen);
  p.setBrush(kHighlight);
  p.drawRoundedRect(r.adjusted(0, 1, 0, 1), radius, radius);
  p.setBrush(kInsetEdge);
  p.drawRoundedRect(r, radius, radius);
  p.setBrush(fill);
  p.drawRoundedRect(r.adjusted(1, 1.5, -1, -1), radius - 1, radius - 1);
  p.restore();
}

// Makes the shape transparent, keeping anti-aliased edges as partial alpha.
void Punch(QPainter& p, const QPainterPath& shape) {
  p.save();
  Antialias(p);
  p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPath(shape);
  p.restore();
}

void PunchStroke(QPainter& p, const QPainterPath& line, qreal width) {
  p.save();
  Antialias(p);
  p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
  p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(line);
  p.restore();
}

void FillBody(QPainter& p, const QPainterPath& shape, QColor colour = kIconBody) {
  p.save();
  Antialias(p);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(shape);
  p.restore();
}

QImage Crop(const QImage& from, QPoint at, QSize size) { return from.copy(QRect(at, size)); }

// ---- backgrounds -------------------------------------------------------------------

// The 1-pixel dark frame round the picture, plus a light line just outside it,
// painted by each skin for the edge it owns (offset = skin's window position).
void PaintPictureFrame(QPainter& p, QPoint offset) {
  const QRect frame = kPicture.adjusted(-1, -1, 0, 0).translated(-offset);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(255, 255, 255, 16));
  p.drawRect(frame.adjusted(-1, -1, 1, 1));
  p.setPen(kFrame);
  p.drawRect(frame);
  p.restore();
}

QImage TopStripImage() {
  QImage image = Canvas(QSize(755, 50));
  QPainter p(&image);
  QLinearGradient shade(0, 0, 0, 50);
  shade.setColorAt(0, kSkinTop);
  shade.setColorAt(1, kSkin);
  p.fillRect(image.rect(), shade);
  p.setPen(QColor(255, 255, 255, 22));
  p.drawLine(0, 0, 754, 0);
  // lblFile (348, 26, 169 x 17) and lblIdent (552, 26, 105 x 17), with a margin.
  PaintInset(p, QRectF(343, 22, 179, 25), 5);
  PaintInset(p, QRectF(547, 22, 115, 25), 5);
  PaintPictureFrame(p, QPoint(0, 0));
  return image;
}

QImage SideImage(QSize size, QPoint at) {
  QImage image = Canvas(size, kSkin);
  QPainter p(&image);
  PaintPictureFrame(p, at);
  return image;
}

QImage Image3Image() { return SideImage(QSize(24, 480), QPoint(0, 50)); }

QImage Image1Image() {
  QImage image = SideImage(QSize(92, 480), kImage1At);
  QPainter p(&image);
  // Camera icon and the three picture labels.
  PaintInset(p, QRectF(15, 26, 58, 80), 5);
  // Battery icon and its label.
  PaintInset(p, QRectF(15, 136, 58, 44), 5);
  // Command column, two groups of two rows, open to the window's right edge.
  PaintInset(p, QRectF(19, 322, 80, 58), 5);
  PaintInset(p, QRectF(19, 386, 80, 58), 5);
  return image;
}

// Slider geometry in the bottom bar: knob top 12, height 16, left edge 22..501.
constexpr int kKnobTop = 542 - 530;
constexpr int kKnobLeftMin = 22;
constexpr int kKnobLeftMax = 501;
constexpr int kKnobWidth = 26;
constexpr int kKnobHeight = 16;

QImage BottomImage() {
  QImage image = Canvas(QSize(755, 100));
  QPainter p(&image);
  QLinearGradient shade(0, 0, 0, 100);
  shade.setColorAt(0, kSkin);
  shade.setColorAt(1, kSkinBottom);
  p.fillRect(image.rect(), shade);
  PaintPictureFrame(p, QPoint(0, 530));

  // Slider groove along the knob's travel, with a scale below it.
  const qreal midY = kKnobTop + kKnobHeight / 2.0;
  PaintInset(p, QRectF(kKnobLeftMin + 2, midY - 3.5, kKnobLeftMax + kKnobWidth - kKnobLeftMin - 4, 7), 3.5);
  p.setRenderHint(QPainter::Antialiasing, false);
  const int firstCentre = kKnobLeftMin + kKnobWidth / 2;
  const int span = kKnobLeftMax - kKnobLeftMin;
  for (int i = 0; i <= 20; ++i) {
    const int x = firstCentre + (span * i + 10) / 20;
    const bool major = i % 5 == 0;
    p.fillRect(QRect(x, 31, 1, major ? 4 : 2), QColor(255, 255, 255, major ? 40 : 22));
  }

  // Time label (536, 543, 129 x 17).
  PaintInset(p, QRectF(532, 10, 137, 25), 5);

  // Bed of the transport row (faces at y 576..604, x 24..663); the yellow bar
  // below it at y 608 is a control of its own, so the bed stops short of it.
  PaintInset(p, QRectF(20, 41, 648, 36), 6, kBed);
  return image;
}

// ---- small controls ---------------------------------------------------------------

QImage KnobImage() {
  QImage image = Canvas(QSize(kKnobWidth, kKnobHeight));
  QPainter p(&image);
  Antialias(p);
  const QRectF body(0.5, 0.5, kKnobWidth - 1, kKnobHeight - 1);
  QLinearGradient shade(0, 0, 0, kKnobHeight);
  shade.setColorAt(0, QColor(0x6a, 0x6f, 0x78));
  shade.setColorAt(1, QColor(0x3a, 0x3e, 0x45));
  p.setPen(kFrame);
  p.setBrush(shade);
  p.drawRoundedRect(body, 4, 4);
  p.setPen(QColor(255, 255, 255, 60));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 3, 3);
  // Grip lines in the middle.
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int x : {9, 12, 15}) {
    p.fillRect(QRect(x, 4, 1, 8), QColor(0, 0, 0, 110));
    p.fillRect(QRect(x + 1, 4, 1, 8), QColor(255, 255, 255, 45));
  }
  return image;
}

// A round title button over the top strip; the symbol is painted by the caller.
QImage RoundButton(QPoint at) {
  QImage image = Crop(TopStripImage(), at, QSize(21, 21));
  QPainter p(&image);
  Antialias(p);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 120));
  p.drawEllipse(QRectF(0.5, 1.0, 20, 20));
  QLinearGradient shade(0, 0, 0, 21);
  shade.setColorAt(0, QColor(0x40, 0x44, 0x4b));
  shade.setColorAt(1, QColor(0x26, 0x29, 0x2e));
  p.setPen(QPen(kFrame, 1));
  p.setBrush(shade);
  p.drawEllipse(QRectF(0.5, 0.5, 19.5, 19.5));
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(1.5, 1.5, 17.5, 17.5), 30 * 16, 120 * 16);
  return image;
}

QImage MinimizeImage() {
  QImage image = RoundButton(QPoint(696, 16));
  QPainter p(&image);
  p.fillRect(QRect(6, 10, 9, 2), QColor(0xa0, 0xa0, 0xa0));
  return image;
}

QImage ExitImage() {
  QImage image = RoundButton(QPoint(720, 16));
  QPainter p(&image);
  Antialias(p);
  p.setPen(QPen(QColor(0xd0, 0x5a, 0x4a), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(7, 7), QPointF(13.25, 13.25));
  p.drawLine(QPointF(13.25, 7), QPointF(7, 13.25));
  return image;
}

// ---- transport faces --------------------------------------------------------------

constexpr int kTriHalfHeight = 7;
constexpr int kSquareSide = 12;
constexpr int kBarWidth = 3;
constexpr int kGap = 1;

// One glyph of a transport symbol: a triangle (pointing left or right), a bar or a square.
enum class Glyph { Left, Right, Bar, Square };

// Triangles in a run of two or three are narrower so the run fits the 24-pixel lamp.
int GlyphWidth(Glyph g, std::size_t count) {
  switch (g) {
    case Glyph::Bar: return kBarWidth;
    case Glyph::Square: return kSquareSide;
    default: return count > 1 ? 7 : 9;
  }
}

// Glyphs of buttons 0..10, left to right.
std::vector<Glyph> SymbolOf(int button) {
  using G = Glyph;
  switch (button) {
    case 0: return {G::Bar, G::Left};
    case 1: return {G::Left, G::Left, G::Left};
    case 2: return {G::Left, G::Left};
    case 3: return {G::Left};
    case 4: return {G::Left, G::Bar};
    case 5: return {G::Square};
    case 6: return {G::Bar, G::Right};
    case 7: return {G::Right};
    case 8: return {G::Right, G::Right};
    case 9: return {G::Right, G::Right, G::Right};
    default: return {G::Right, G::Bar};
  }
}

bool IsTriangle(Glyph g) { return g == Glyph::Left || g == Glyph::Right; }

QPainterPath SymbolPath(int button, qreal centreX, qreal centreY) {
  const std::vector<Glyph> glyphs = SymbolOf(button);
  const std::size_t triangles = std::count_if(glyphs.begin(), glyphs.end(), IsTriangle);
  // A bar keeps a one-pixel gap from its triangle; triangles of a run touch.
  auto gapBefore = [&](std::size_t i) {
    return i > 0 && (glyphs[i] == Glyph::Bar || glyphs[i - 1] == Glyph::Bar) ? kGap : 0;
  };
  int total = 0;
  for (std::size_t i = 0; i < glyphs.size(); ++i) total += gapBefore(i) + GlyphWidth(glyphs[i], triangles);
  // Whole-pixel edges keep the vertical sides crisp.
  qreal x = std::floor(centreX - total / 2.0);
  const qreal top = centreY - kTriHalfHeight;
  const qreal bottom = centreY + kTriHalfHeight;
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    x += gapBefore(i);
    const int w = GlyphWidth(glyphs[i], triangles);
    switch (glyphs[i]) {
      case Glyph::Left:
        path.addPolygon(QPolygonF({QPointF(x, centreY), QPointF(x + w, top), QPointF(x + w, bottom)}));
        break;
      case Glyph::Right:
        path.addPolygon(QPolygonF({QPointF(x, top), QPointF(x + w, centreY), QPointF(x, bottom)}));
        break;
      case Glyph::Bar: path.addRect(QRectF(x, top, w, bottom - top)); break;
      case Glyph::Square: path.addRect(QRectF(x, centreY - w / 2.0, w, w)); break;
    }
    path.closeSubpath();
    x += w;
  }
  return path;
}

// A key: raised (top surface above a dark lip) when released, pushed down when pressed.
QImage FaceImage(const QImage& bottom, int button, bool pressed) {
  const int w = kCmdWidth[button];
  QImage image = Crop(bottom, QPoint(kCmdLeft[button], kCmdTop), QSize(w, kCmdHeight));
  QPainter p(&image);
  Antialias(p);
  const QRectF key(1, pressed ? 2 : 1, w - 2, pressed ? 26 : 27);
  p.setPen(Qt::NoPen);
  p.setBrush(kFrame);
  p.drawRoundedRect(key, 4, 4);
  p.setBrush(kKeyLip);
  p.drawRoundedRect(key.adjusted(1, 1, -1, -1), 3, 3);
  const QRectF surface(2, pressed ? 4 : 2, w - 4, 22);
  QLinearGradient shade(0, surface.top(), 0, surface.bottom());
  shade.setColorAt(0, pressed ? kKeyPressedTop : kKeyTop);
  shade.setColorAt(1, pressed ? kKeyPressedBottom : kKeyBottom);
  p.setBrush(shade);
  p.drawRoundedRect(surface, 3, 3);
  if (!pressed) {
    p.setPen(QPen(QColor(255, 255, 255, 34), 1));
    p.drawLine(QPointF(4, 2.5), QPointF(w - 4, 2.5));
  } else {
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.drawLine(QPointF(4, 4.5), QPointF(w - 4, 4.5));
  }
  // The lamp behind is 24 x 25 at the face's top centre; the symbol stays inside it.
  const qreal centreY = pressed ? 14 : 13;
  Punch(p, SymbolPath(button, w / 2.0, centreY));
  return image;
}

// ---- icons over lamps -------------------------------------------------------------

QImage IconBase(QPoint windowAt, QSize size) { return Crop(Image1Image(), windowAt - kImage1At, size); }

QImage CameraImage() {
  QImage image = IconBase(QPoint(698, 84), QSize(19, 11));
  QPainter p(&image);
  QPainterPath body;
  body.addRoundedRect(QRectF(0, 0, 13, 11), 2, 2);
  QPainterPath lens;
  lens.addPolygon(QPolygonF({QPointF(12, 3), QPointF(19, 0), QPointF(19, 11), QPointF(12, 8)}));
  lens.closeSubpath();
  // Outline: the whole silhouette goes transparent, then the body refills inside it.
  Punch(p, body.united(lens));
  QPainterPath inner;
  inner.addRoundedRect(QRectF(1, 1, 11, 9), 1, 1);
  QPainterPath innerLens;
  innerLens.addPolygon(QPolygonF({QPointF(13, 4), QPointF(18, 1.8), QPointF(18, 9.2), QPointF(13, 7)}));
  innerLens.closeSubpath();
  FillBody(p, inner);
  FillBody(p, innerLens);
  QPainterPath dot;
  dot.addEllipse(QRectF(3, 3, 5, 5));
  Punch(p, dot);
  return image;
}

QImage BatteryImage() {
  QImage image = IconBase(QPoint(698, 194), QSize(19, 12));
  QPainter p(&image);
  QPainterPath outline;
  outline.addRoundedRect(QRectF(0, 0, 17, 12), 2, 2);
  outline.addRect(QRectF(16, 3, 3, 6));
  Punch(p, outline.simplified());
  QPainterPath inner;
  inner.addRoundedRect(QRectF(1, 1, 15, 10), 1, 1);
  FillBody(p, inner);
  p.fillRect(QRect(17, 4, 1, 4), kIconBody);
  // Charge cells.
  QPainterPath cells;
  for (int x : {3, 7, 11}) cells.addRect(QRectF(x, 3, 3, 6));
  Punch(p, cells);
  return image;
}

QImage FolderImage(QImage image) {
  QPainter p(&image);
  Antialias(p);
  // Back of the folder with its tab; lines on half pixels stay one pixel wide.
  QPainterPath back;
  back.moveTo(0.5, 13);
  back.lineTo(0.5, 1.5);
  back.lineTo(5.5, 1.5);
  back.lineTo(7.5, 3.5);
  back.lineTo(12.5, 3.5);
  back.lineTo(12.5, 6);
  // Front flap, swung open.
  QPainterPath front;
  front.moveTo(0.5, 12.5);
  front.lineTo(3.5, 6.5);
  front.lineTo(15.5, 6.5);
  front.lineTo(12.5, 12.5);
  front.closeSubpath();
  FillBody(p, back);
  FillBody(p, front);
  PunchStroke(p, back, 1);
  PunchStroke(p, front, 1);
  return image;
}

QImage ClockImage(QImage image) {
  QPainter p(&image);
  Antialias(p);
  QPainterPath face;
  face.addEllipse(QPointF(7.5, 7.5), 6.6, 6.6);
  FillBody(p, face);
  PunchStroke(p, face, 1.3);
  QPainterPath hands;
  hands.moveTo(7.5, 3.5);
  hands.lineTo(7.5, 7.5);
  hands.lineTo(10.5, 9.2);
  PunchStroke(p, hands, 1.3);
  return image;
}

QImage DiskImage(QImage image) {
  QPainter p(&image);
  Antialias(p);
  QPainterPath body;
  body.moveTo(1, 1);
  body.lineTo(12.5, 1);
  body.lineTo(15, 3.5);
  body.lineTo(15, 15);
  body.lineTo(1, 15);
  body.closeSubpath();
  FillBody(p, body);
  PunchStroke(p, body, 1.2);
  // Metal shutter with its slot, and the paper label.
  QPainterPath shutter;
  shutter.addRect(QRectF(4, 1, 7, 5));
  Punch(p, shutter);
  p.fillRect(QRectF(8.5, 2, 1.5, 3), kIconBody);
  QPainterPath label;
  label.addRect(QRectF(4, 9, 8, 6));
  PunchStroke(p, label, 1.1);
  return image;
}

QImage ScissorsImage(QImage image) {
  QPainter p(&image);
  Antialias(p);
  QPainterPath rings;
  rings.addEllipse(QPointF(4.2, 12), 2.7, 2.7);
  rings.addEllipse(QPointF(11.8, 12), 2.7, 2.7);
  QPainterPath blades;
  blades.moveTo(5.7, 9.8);
  blades.lineTo(12.2, 0.8);
  blades.moveTo(10.3, 9.8);
  blades.lineTo(3.8, 0.8);
  FillBody(p, rings);
  PunchStroke(p, rings, 1.4);
  PunchStroke(p, blades, 1.6);
  QPainterPath pivot;
  pivot.addEllipse(QPointF(8, 6.1), 1.0, 1.0);
  FillBody(p, pivot);
  return image;
}

QImage RightCmdImage() {
  // Every row's button lies over the same flat box colour, so row 0 stands for all.
  QImage image = IconBase(QPoint(712, 376), QSize(43, 25));
  QPainter p(&image);
  Antialias(p);
  const QRectF key(1, 1, 42, 23);
  p.setPen(Qt::NoPen);
  p.setBrush(kFrame);
  p.drawRoundedRect(key, 4, 4);
  p.setBrush(kKeyLip);
  p.drawRoundedRect(key.adjusted(1, 1, -1, -1), 3, 3);
  QLinearGradient shade(0, 2, 0, 21);
  shade.setColorAt(0, kKeyTop);
  shade.setColorAt(1, kKeyBottom);
  p.setBrush(shade);
  p.drawRoundedRect(QRectF(2, 2, 40, 19), 3, 3);
  p.setPen(QPen(QColor(255, 255, 255, 34), 1));
  p.drawLine(QPointF(4, 2.5), QPointF(40, 2.5));
  return image;
}

}  // namespace

QColor Skin::WindowColour() { return kWindow; }

QPixmap Skin::TopStrip() { return QPixmap::fromImage(TopStripImage()); }

QPixmap Skin::Image3() { return QPixmap::fromImage(Image3Image()); }

QPixmap Skin::Image1() { return QPixmap::fromImage(Image1Image()); }

QPixmap Skin::imgBottom() { return QPixmap::fromImage(BottomImage()); }

QPixmap Skin::imgSuwak() { return QPixmap::fromImage(KnobImage()); }

QPixmap Skin::imgMinimize() { return QPixmap::fromImage(MinimizeImage()); }

QPixmap Skin::imgExit() { return QPixmap::fromImage(ExitImage()); }

std::array<QPixmap, 22> Skin::imglCmd() {
  const QImage bottom = BottomImage();
  std::array<QPixmap, 22> faces;
  for (int i = 0; i < 11; ++i) {
    faces[i] = QPixmap::fromImage(FaceImage(bottom, i, false));
    faces[i + 11] = QPixmap::fromImage(FaceImage(bottom, i, true));
  }
  return faces;
}

QPixmap Skin::imgCamera() { return QPixmap::fromImage(CameraImage()); }

QPixmap Skin::imgBatt() { return QPixmap::fromImage(BatteryImage()); }

QPixmap Skin::imgIco(int k) {
  if (k < 0 || k > 3) return {};
  QImage base = IconBase(kIcoAt[k], kIcoSize[k]);
  switch (k) {
    case 0: return QPixmap::fromImage(FolderImage(base));
    case 1: return QPixmap::fromImage(ClockImage(base));
    case 2: return QPixmap::fromImage(DiskImage(base));
    default: return QPixmap::fromImage(ScissorsImage(base));
  }
}

QPixmap Skin::imgRightCmd() { return QPixmap::fromImage(RightCmdImage()); }
