#include "viewer/Loupe.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "viewer/FrameDisplay.h"
#include "viewer/Viewer.h"

namespace {

// One axis: the box position of frame coordinate 0.
int offsetOn(int box, int frame, int factor, double centre) {
  const int scaled = frame * factor;
  if (scaled <= box) return CentreOffset(box, scaled);
  return std::clamp(static_cast<int>(std::lround(box / 2.0 - centre * factor)), box - scaled, 0);
}

// The centre that an offset stands for, so that a clamped place is where panning resumes.
double centreOf(int box, int factor, int offset) { return (box / 2.0 - offset) / factor; }

Loupe placed(Loupe l, QSize frame, QSize box) {
  const QPoint at = LoupeOffset(l, frame, box);
  l.centre = QPointF(centreOf(box.width(), l.factor, at.x()), centreOf(box.height(), l.factor, at.y()));
  return l;
}

}  // namespace

QPoint LoupeOffset(const Loupe& loupe, QSize frame, QSize box) {
  return {offsetOn(box.width(), frame.width(), loupe.factor, loupe.centre.x()),
          offsetOn(box.height(), frame.height(), loupe.factor, loupe.centre.y())};
}

Loupe ZoomedAt(const Loupe& loupe, int factor, QSize frame, QSize box, QPointF boxPoint) {
  factor = static_cast<int>(std::bit_floor(static_cast<unsigned>(std::clamp(factor, 1, kMaxZoom))));
  const QPoint at = LoupeOffset(loupe, frame, box);
  const QPointF under = (boxPoint - QPointF(at)) / loupe.factor;  // the frame point under the pointer
  Loupe l = loupe;
  l.factor = factor;
  l.centre = under + (QPointF(box.width(), box.height()) / 2.0 - boxPoint) / factor;
  return placed(l, frame, box);
}

Loupe PannedBy(const Loupe& loupe, QSize frame, QSize box, QPointF boxDelta) {
  Loupe l = loupe;
  l.centre -= boxDelta / loupe.factor;
  return placed(l, frame, box);
}

// ---- The viewer's magnifier -----------------------------------------------------------

namespace {

constexpr QSize kBox(kPictureWidth, kPictureHeight);

QString zoomText(int factor) { return QStringLiteral("Zoom: %1x").arg(factor); }

}  // namespace

void Viewer::ZoomAt(int factor, QPointF boxPoint) {
  const cDIBSection* dib = display_.Dib();
  if (st_.mode() == PlayMode::NoRecording || st_.mode() == PlayMode::Exporting || !dib || !dib->hDib()) return;
  display_.SetLoupe(ZoomedAt(display_.loupe(), factor, QSize(dib->Width(), dib->Height()), kBox, boxPoint));
  // The zoom line, once a frame has filled the panel.
  if (screen_.lblPicInfo[1] != ScreenState().lblPicInfo[1]) screen_.lblPicInfo[1] = zoomText(display_.loupe().factor);
  display_.PaintFrame();
}

void Viewer::PanBy(QPointF boxDelta) {
  const cDIBSection* dib = display_.Dib();
  if (display_.loupe().factor == 1 || st_.mode() == PlayMode::Exporting || !dib || !dib->hDib()) return;
  display_.SetLoupe(PannedBy(display_.loupe(), QSize(dib->Width(), dib->Height()), kBox, boxDelta));
  display_.PaintFrame();
}

void Viewer::SetSmoothZoom(bool on) {
  Loupe l = display_.loupe();
  l.smooth = on;
  display_.SetLoupe(l);
  const cDIBSection* dib = display_.Dib();
  if (l.factor > 1 && st_.mode() != PlayMode::Exporting && dib && dib->hDib()) display_.PaintFrame();
}

// After each frame: the zoom line as the loupe stands (1x: what the panel writes).
QString Viewer::ZoomLine(const QString& atOne) const {
  return display_.loupe().factor == 1 ? atOne : zoomText(display_.loupe().factor);
}
