#pragma once
// Speed against the camera's time for a whole recording: every measurement frame a
// point, consecutive measurements joined, the limit as a line and the frames at or
// over it marked. One drawing for the window, the files and the report.

#include <optional>
#include <vector>

#include <QImage>
#include <QRectF>
#include <QString>

#include "viewer/FrameWalk.h"

class QPainter;

// The language of what a picture or a report says: the window's Polish, the command
// line's English.
enum class TextLanguage { Polish, English };

struct PlotPoint {
  int frame = 0;             // frame number from 0
  std::int64_t seconds = 0;  // the camera's time
  int kmh = 0;
};

// The measurement frames of a walk, in its order.
std::vector<PlotPoint> PlotPoints(const std::vector<FrameRecord>& frames);

class SpeedPlot {
 public:
  SpeedPlot(const std::vector<FrameRecord>& frames, std::optional<int> limitKmh, std::int16_t powerOnMinutes,
            TextLanguage language);

  // Draws into area (white background, axes with their units; the limit's label where no
  // data lies). markerFrame: a vertical line at that frame's time (the last measurement at
  // or before it).
  void Draw(QPainter& p, const QRectF& area, std::optional<int> markerFrame = std::nullopt) const;
  // The measurement frame nearest in time to a point of the plot drawn in area.
  std::optional<int> FrameAt(const QPointF& point, const QRectF& area) const;

  const std::vector<PlotPoint>& points() const { return points_; }
  QImage Picture(QSize size, qreal scale = 1.0) const;
  // Writes the plot as an SVG (by the name's extension, any case) or a PNG file of size;
  // false with the reason otherwise.
  bool Write(const QString& path, QSize size, QString* error) const;

 private:
  QRectF Chart(const QRectF& area) const;  // inside the axes
  double X(std::int64_t seconds, const QRectF& chart) const;
  double Y(double kmh, const QRectF& chart) const;
  QString TimeLabel(std::int64_t seconds) const;
  // Where the limit's label (of size) goes beside the limit's line at limitY: where no data
  // lies if there is such a place, else at the line's right end.
  QRectF LabelPlace(const QRectF& chart, double limitY, QSizeF size) const;

  std::vector<PlotPoint> points_;
  std::optional<int> limit_;
  std::int16_t powerOnMinutes_;
  TextLanguage language_;
  std::int64_t tMin_ = 0, tMax_ = 1;
  int kmhTop_ = 100, kmhStep_ = 20;
};
