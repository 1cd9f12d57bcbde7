#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <vector>

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

// Each box pixel takes the frame pixel it falls on: blocks of factor x factor, nothing
// blended; only the box's pixels are computed, whatever the frame's size.
void PictureBox::PaintMagnified(const cDIBSection& dib, QPoint at, int factor, bool smooth) {
  const int w = dib.Width(), h = dib.Height();
  if (smooth) {
    canvas_.fill(Qt::black);
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // The memory rows lie bottom-up: painted mirrored about the picture's middle.
    p.translate(at.x(), at.y() + h * factor);
    p.scale(factor, -factor);
    p.drawImage(0, 0, dib.hdc());
  } else {
    std::vector<int> column(static_cast<std::size_t>(canvas_.width()));
    for (int x = 0; x < canvas_.width(); ++x) {
      const int fx = x - at.x() >= 0 ? (x - at.x()) / factor : -1;
      column[static_cast<std::size_t>(x)] = fx < w ? fx : -1;
    }
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    const int pitch = dib.BytesPerScanLine();
    for (int y = 0; y < canvas_.height(); ++y) {
      auto* out = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
      const int fy = y - at.y() >= 0 ? (y - at.y()) / factor : -1;
      if (fy < 0 || fy >= h) {
        std::fill(out, out + canvas_.width(), qRgb(0, 0, 0));
        continue;
      }
      const std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(h - 1 - fy) * pitch;
      for (int x = 0; x < canvas_.width(); ++x) {
        const int fx = column[static_cast<std::size_t>(x)];
        const std::uint8_t* px = row + 3 * fx;
        out[x] = fx < 0 ? qRgb(0, 0, 0) : qRgb(px[2], px[1], px[0]);
      }
    }
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
  emit WheelTurned(e->angleDelta().y(), e->modifiers(), e->position());
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) dragFrom_ = e->position();
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  const QPointF delta = e->position() - dragFrom_;
  dragFrom_ = e->position();
  emit Dragged(delta);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit DoubleClicked();
}

void PictureBox::contextMenuEvent(QContextMenuEvent* e) {
  e->accept();
  emit ContextMenuAsked(e->globalPos());
}
