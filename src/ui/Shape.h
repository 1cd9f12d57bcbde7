#pragma once
// A filled rectangle: the lamps behind the icons and buttons, and the yellow bar.

#include <cstdint>
#include <QWidget>

class Shape : public QWidget {
  Q_OBJECT
 public:
  explicit Shape(QWidget* parent, std::uint32_t fillColor);
  // The fill colour as a packed 0x00BBGGRR value.
  std::uint32_t FillColor() const { return fill_; }
  void SetFillColor(std::uint32_t packed);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::uint32_t fill_;
};

// 0x00BBGGRR to a colour.
QColor FromPacked(std::uint32_t packed);
