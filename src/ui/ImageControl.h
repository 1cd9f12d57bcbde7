#pragma once
// An image control: a picture (transparent where the picture is) that reports
// presses, releases, moves and clicks with the pointer position in twips
// (15 to a pixel) and the button as 1 left, 2 right, 4 middle.

#include <QPixmap>
#include <QWidget>

inline constexpr int kTwipsPerPixel = 15;

class ImageControl : public QWidget {
  Q_OBJECT
 public:
  ImageControl(QWidget* parent, const QPixmap& picture);
  void SetPicture(const QPixmap& picture);
  const QPixmap& Picture() const { return picture_; }

 signals:
  void MouseDown(int button, int shift, double x, double y);
  void MouseUp(int button, int shift, double x, double y);
  void MouseMove(int button, int shift, double x, double y);
  void Click();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  QPixmap picture_;
};
