#include "ui/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

int buttonCode(Qt::MouseButtons b) {
  int code = 0;
  if (b & Qt::LeftButton) code |= 1;
  if (b & Qt::RightButton) code |= 2;
  if (b & Qt::MiddleButton) code |= 4;
  return code;
}

int shiftCode(Qt::KeyboardModifiers m) {
  int code = 0;
  if (m & Qt::ShiftModifier) code |= 1;
  if (m & Qt::ControlModifier) code |= 2;
  if (m & Qt::AltModifier) code |= 4;
  return code;
}

}  // namespace

ImageControl::ImageControl(QWidget* parent, const QPixmap& picture) : QWidget(parent), picture_(picture) {
  resize(picture.size());
}

void ImageControl::SetPicture(const QPixmap& picture) {
  if (picture.cacheKey() == picture_.cacheKey()) return;
  picture_ = picture;
  update();
}

void ImageControl::paintEvent(QPaintEvent*) { QPainter(this).drawPixmap(0, 0, picture_); }

void ImageControl::mousePressEvent(QMouseEvent* e) {
  const QPointF p = e->position() * kTwipsPerPixel;
  emit MouseDown(buttonCode(e->button()), shiftCode(e->modifiers()), p.x(), p.y());
}

void ImageControl::mouseReleaseEvent(QMouseEvent* e) {
  const QPointF p = e->position() * kTwipsPerPixel;
  emit MouseUp(buttonCode(e->button()), shiftCode(e->modifiers()), p.x(), p.y());
  // A click is a press and a release of the left button over the control.
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Click();
}

void ImageControl::mouseMoveEvent(QMouseEvent* e) {
  const QPointF p = e->position() * kTwipsPerPixel;
  emit MouseMove(buttonCode(e->buttons()), shiftCode(e->modifiers()), p.x(), p.y());
}
