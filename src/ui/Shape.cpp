#include "ui/Shape.h"

#include <QPainter>

QColor FromPacked(std::uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

Shape::Shape(QWidget* parent, std::uint32_t fillColor) : QWidget(parent), fill_(fillColor) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetFillColor(std::uint32_t packed) {
  if (packed == fill_) return;
  fill_ = packed;
  update();
}

void Shape::paintEvent(QPaintEvent*) { QPainter(this).fillRect(rect(), FromPacked(fill_)); }
