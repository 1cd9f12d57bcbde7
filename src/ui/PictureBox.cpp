#include "ui/PictureBox.h"

#include <QPainter>
#include <QWheelEvent>

#include "dib/cDIBSection.h"

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), canvas_(640, 480, QImage::Format_RGB32) {
  canvas_.fill(Qt::black);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoMousePropagation);  // a press on the picture is not on the background
  resize(canvas_.size());
}

void PictureBox::Paint(cDIBSection& dib, int x, int y) {
  {
    QPainter p(&canvas_);
    dib.PaintPicture(p, x, y, -1, -1, 0, 0, cDIBSection::SRCCOPY);
  }
  fresh_ = true;
  if (!painting_) update();
}

void PictureBox::Clear() {
  canvas_.fill(Qt::black);
  fresh_ = true;  // an empty box is what the screen should show, not a repaint
  if (!painting_) update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  if (!fresh_ && onRepaint_) {
    painting_ = true;
    onRepaint_();
    painting_ = false;
  }
  fresh_ = false;
  QPainter(this).drawImage(0, 0, canvas_);
}

void PictureBox::wheelEvent(QWheelEvent* e) {
  e->accept();
  emit WheelTurned(e->angleDelta().y(), e->modifiers());
}
