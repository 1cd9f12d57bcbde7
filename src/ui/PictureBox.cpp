#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dib/cDIBSection.h"

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), canvas_(640, 480, QImage::Format_RGB32) {
  canvas_.fill(Qt::black);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoMousePropagation);  // a press on the picture is not on the background
  resize(canvas_.size());
}

// The surface copied one to one into the canvas with its top-left corner at (x, y), clipped
// to the canvas: what PaintPicture's SRCCOPY gives, converted row by row (memory rows lie
// bottom-up, B,G,R) straight into the screen's 32-bit pixels while the row is in cache.
void PictureBox::Paint(cDIBSection& dib, int x, int y) {
  const std::uint8_t* bits = dib.DIBSectionBitsPtr();
  const int w = dib.Width(), h = dib.Height();
  const int left = std::max(x, 0), right = std::min(x + w, canvas_.width());
  const int top = std::max(y, 0), bottom = std::min(y + h, canvas_.height());
  if (bits && left < right) {
    const int pitch = dib.BytesPerScanLine();
    for (int row = top; row < bottom; ++row) {
      const std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(h - 1 - (row - y)) * pitch + 3 * (left - x);
      auto* out = reinterpret_cast<std::uint32_t*>(canvas_.scanLine(row)) + left;
      int n = right - left;
      // Four pixels are twelve bytes, read as three little-endian words.
      for (; n >= 4; n -= 4, px += 12, out += 4) {
        std::uint32_t a, b, c;
        std::memcpy(&a, px, 4);
        std::memcpy(&b, px + 4, 4);
        std::memcpy(&c, px + 8, 4);
        out[0] = 0xFF000000u | (a & 0xFFFFFFu);
        out[1] = 0xFF000000u | a >> 24 | (b & 0xFFFFu) << 8;
        out[2] = 0xFF000000u | b >> 16 | (c & 0xFFu) << 16;
        out[3] = 0xFF000000u | c >> 8;
      }
      for (; n > 0; --n, px += 3) *out++ = 0xFF000000u | std::uint32_t{px[2]} << 16 | std::uint32_t{px[1]} << 8 | px[0];
    }
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
