#pragma once
// picTV: the 640 x 480 box the frame is painted into. It keeps what was painted
// (a smaller frame leaves the rest as it was) and asks its owner to repaint the
// frame only when the system wants a repaint the last paint did not already serve.

#include <functional>
#include <QImage>
#include <QWidget>

#include "viewer/FrameCanvas.h"

class PictureBox : public QWidget, public FrameCanvas {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent);

  // Called for a repaint that needs the frame again (picTV_Paint).
  void SetRepaintHandler(std::function<void()> handler) { onRepaint_ = std::move(handler); }

  void Paint(cDIBSection& dib, int x, int y) override;
  void PaintMagnified(const cDIBSection& dib, QPoint at, int factor, bool smooth) override;
  void Clear() override;
  // What the box shows, for tests and exports that draw into it.
  QImage& Canvas() { return canvas_; }

 signals:
  // The wheel turned over the picture at a point of it: eighths of a degree (120 a notch).
  void WheelTurned(int angleDelta, Qt::KeyboardModifiers modifiers, QPointF at);
  // The left button dragged the picture by delta pixels since the last report.
  void Dragged(QPointF delta);
  void DoubleClicked();
  // The context menu was asked for at a point of the screen (right button or menu key).
  void ContextMenuAsked(QPoint global);

 protected:
  void paintEvent(QPaintEvent*) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  QImage canvas_;
  std::function<void()> onRepaint_;
  bool fresh_ = false;     // the canvas holds a paint the screen has not shown yet
  bool painting_ = false;  // inside paintEvent: no further update request
  QPointF dragFrom_;       // where the left button last was while dragging
};
