#include "drawing/SpeedPlot.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include "caminfo/PanelTexts.h"
#include "viewer/OutputFile.h"

namespace {

constexpr double kLeft = 64, kRight = 16, kTop = 16, kBottom = 52;  // the axes' margins
const QColor kLine(0x1f, 0x5f, 0xbf);
const QColor kOver(0xd0, 0x20, 0x20);

struct Texts {
  const char* speed;
  const char* time;
  const char* none;
  const char* limit;
};

Texts textsIn(TextLanguage language) {
  if (language == TextLanguage::Polish) return {"prędkość (km/h)", "czas kamery", "brak pomiarów", "limit %1 km/h"};
  return {"speed (km/h)", "camera time", "no measurements", "limit %1 km/h"};
}

}  // namespace

std::vector<PlotPoint> PlotPoints(const std::vector<FrameRecord>& frames) {
  std::vector<PlotPoint> points;
  for (const FrameRecord& f : frames)
    if (f.speedKmh && f.seconds) points.push_back({f.n, *f.seconds, *f.speedKmh});
  return points;
}

SpeedPlot::SpeedPlot(const std::vector<FrameRecord>& frames, std::optional<int> limitKmh, std::int16_t powerOnMinutes,
                     TextLanguage language)
    : points_(PlotPoints(frames)), limit_(limitKmh), powerOnMinutes_(powerOnMinutes), language_(language) {
  int top = limit_.value_or(0);
  if (!points_.empty()) {
    const auto [lo, hi] = std::minmax_element(
        points_.begin(), points_.end(), [](const PlotPoint& a, const PlotPoint& b) { return a.seconds < b.seconds; });
    tMin_ = lo->seconds;
    tMax_ = std::max(hi->seconds, tMin_ + 1);
    for (const PlotPoint& p : points_) top = std::max(top, p.kmh);
  }
  kmhStep_ = top <= 50 ? 10 : top <= 150 ? 20 : 50;
  kmhTop_ = std::max(kmhStep_ * 2, (top / kmhStep_ + 1) * kmhStep_);
}

QRectF SpeedPlot::Chart(const QRectF& area) const { return area.adjusted(kLeft, kTop, -kRight, -kBottom); }

double SpeedPlot::X(std::int64_t seconds, const QRectF& chart) const {
  return chart.left() + chart.width() * static_cast<double>(seconds - tMin_) / static_cast<double>(tMax_ - tMin_);
}

double SpeedPlot::Y(double kmh, const QRectF& chart) const { return chart.bottom() - chart.height() * kmh / kmhTop_; }

QString SpeedPlot::TimeLabel(std::int64_t seconds) const {
  return MeasurementTimeText(static_cast<std::int32_t>(seconds - std::int64_t{powerOnMinutes_} * 60), powerOnMinutes_)
      .trimmed();
}

void SpeedPlot::Draw(QPainter& p, const QRectF& area, std::optional<int> markerFrame) const {
  const Texts t = textsIn(language_);
  const QRectF chart = Chart(area);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(area, Qt::white);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  p.setFont(font);
  const QFontMetricsF metrics(font);

  // The speed axis: a grid line and a label every step.
  for (int kmh = 0; kmh <= kmhTop_; kmh += kmhStep_) {
    const double y = Y(kmh, chart);
    p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
    p.drawLine(QPointF(chart.left(), y), QPointF(chart.right(), y));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), y - 8, kLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(kmh));
  }
  // The time axis: about one label per 90 pixels, at whole seconds.
  const int ticks = std::max(1, static_cast<int>(chart.width() / 90));
  for (int i = 0; i <= ticks; ++i) {
    const std::int64_t s = tMin_ + (tMax_ - tMin_) * i / ticks;
    const double x = X(s, chart);
    p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
    p.drawLine(QPointF(x, chart.top()), QPointF(x, chart.bottom()));
    p.setPen(Qt::black);
    const QString label = TimeLabel(s);
    const double w = metrics.horizontalAdvance(label);
    p.drawText(QPointF(std::clamp(x - w / 2, area.left(), area.right() - w), chart.bottom() + 16), label);
  }
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(chart.bottomLeft(), chart.bottomRight());
  p.drawLine(chart.bottomLeft(), chart.topLeft());
  p.drawText(QRectF(chart.left(), area.bottom() - 20, chart.width(), 18), Qt::AlignCenter, QString::fromUtf8(t.time));
  p.save();
  p.translate(area.left() + 14, chart.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-chart.height() / 2, -10, chart.height(), 20), Qt::AlignCenter, QString::fromUtf8(t.speed));
  p.restore();

  if (points_.empty()) {
    p.drawText(chart, Qt::AlignCenter, QString::fromUtf8(t.none));
    p.restore();
    return;
  }
  // Consecutive measurement frames joined; a gap in the frames is a gap in the line.
  QPainterPath line;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const QPointF at(X(points_[i].seconds, chart), Y(points_[i].kmh, chart));
    if (i == 0 || points_[i].frame != points_[i - 1].frame + 1) {
      line.moveTo(at);
    } else {
      line.lineTo(at);
    }
  }
  p.setPen(QPen(kLine, 1.5));
  p.drawPath(line);
  if (limit_) {
    const double y = Y(*limit_, chart);
    p.setPen(QPen(kOver, 1.2, Qt::DashLine));
    p.drawLine(QPointF(chart.left(), y), QPointF(chart.right(), y));
    const QString label = QString::fromUtf8(t.limit).arg(*limit_);
    const QRectF box = LabelPlace(chart, y, metrics.boundingRect(label).adjusted(-3, -1, 3, 1).size());
    // On a white ground: readable even where the data had to cross it.
    p.fillRect(box, QColor(255, 255, 255, 225));
    p.drawText(box, Qt::AlignCenter, label);
    p.setPen(Qt::NoPen);
    p.setBrush(kOver);
    for (const PlotPoint& pt : points_)
      if (pt.kmh >= *limit_) p.drawEllipse(QPointF(X(pt.seconds, chart), Y(pt.kmh, chart)), 2.5, 2.5);
  }
  if (markerFrame) {
    auto at = std::upper_bound(points_.begin(), points_.end(), *markerFrame,
                               [](int frame, const PlotPoint& pt) { return frame < pt.frame; });
    const PlotPoint& pt = at == points_.begin() ? *at : *std::prev(at);
    const double x = X(pt.seconds, chart);
    p.setPen(QPen(QColor(0x10, 0x90, 0x30), 2));
    p.drawLine(QPointF(x, chart.top()), QPointF(x, chart.bottom()));
  }
  p.restore();
}

QRectF SpeedPlot::LabelPlace(const QRectF& chart, double limitY, QSizeF size) const {
  // Per pixel column of the chart, the span of heights the data's line and marks cover.
  const int columns = std::max(1, static_cast<int>(std::ceil(chart.width())) + 1);
  std::vector<double> top(static_cast<std::size_t>(columns), chart.bottom() + 1), bottom(top.size(), chart.top() - 1);
  const auto cover = [&](double x0, double x1, double y0, double y1) {
    const int from = std::clamp(static_cast<int>(std::floor(std::min(x0, x1) - chart.left())) - 3, 0, columns - 1);
    const int to = std::clamp(static_cast<int>(std::ceil(std::max(x0, x1) - chart.left())) + 3, 0, columns - 1);
    for (int c = from; c <= to; ++c) {
      top[static_cast<std::size_t>(c)] = std::min(top[static_cast<std::size_t>(c)], std::min(y0, y1) - 3);
      bottom[static_cast<std::size_t>(c)] = std::max(bottom[static_cast<std::size_t>(c)], std::max(y0, y1) + 3);
    }
  };
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const QPointF at(X(points_[i].seconds, chart), Y(points_[i].kmh, chart));
    cover(at.x(), at.x(), at.y(), at.y());
    if (i > 0 && points_[i].frame == points_[i - 1].frame + 1) {
      const QPointF from(X(points_[i - 1].seconds, chart), Y(points_[i - 1].kmh, chart));
      // A long segment in small pieces, so that its span stays narrow in each column.
      const int pieces = std::max(1, static_cast<int>(std::abs(at.x() - from.x()) / 4));
      for (int k = 0; k < pieces; ++k) {
        const QPointF a = from + (at - from) * k / pieces, b = from + (at - from) * (k + 1) / pieces;
        cover(a.x(), b.x(), a.y(), b.y());
      }
    }
  }
  const auto free = [&](const QRectF& r) {
    const int from = std::clamp(static_cast<int>(r.left() - chart.left()), 0, columns - 1);
    const int to = std::clamp(static_cast<int>(std::ceil(r.right() - chart.left())), 0, columns - 1);
    for (int c = from; c <= to; ++c)
      if (top[static_cast<std::size_t>(c)] <= r.bottom() && bottom[static_cast<std::size_t>(c)] >= r.top())
        return false;
    return true;
  };
  // Just above the line, else just below it; from the right end leftwards.
  const double steps = std::max(1.0, std::floor((chart.width() - size.width() - 8) / 12));
  for (double k = 0; k <= steps; ++k) {
    const double x = chart.right() - 4 - size.width() - k * (chart.width() - size.width() - 8) / steps;
    for (const double y : {limitY - 2 - size.height(), limitY + 2}) {
      const QRectF r(QPointF(x, y), size);
      if (r.top() >= chart.top() && r.bottom() <= chart.bottom() && free(r)) return r;
    }
  }
  return {QPointF(chart.right() - 4 - size.width(), limitY - 2 - size.height()), size};
}

std::optional<int> SpeedPlot::FrameAt(const QPointF& point, const QRectF& area) const {
  if (points_.empty()) return std::nullopt;
  const QRectF chart = Chart(area);
  const auto distance = [&](const PlotPoint& pt) {
    return std::hypot(X(pt.seconds, chart) - point.x(), (Y(pt.kmh, chart) - point.y()) / 4);
  };
  return std::min_element(points_.begin(), points_.end(),
                          [&](const PlotPoint& a, const PlotPoint& b) { return distance(a) < distance(b); })
      ->frame;
}

QImage SpeedPlot::Picture(QSize size, qreal scale) const {
  QImage image(size * scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);
  QPainter p(&image);
  Draw(p, QRectF(QPointF(0, 0), QSizeF(size)));
  p.end();
  return image;
}

bool SpeedPlot::Write(const QString& path, QSize size, QString* error) const {
  // Drawn in memory, then written whole: a write that fails leaves nothing behind.
  const QString suffix = QFileInfo(path).suffix().toLower();
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QString::fromUtf8(textsIn(language_).speed));
    QPainter p(&svg);
    Draw(p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
  } else if (suffix == QLatin1String("png")) {
    if (!Picture(size).save(&buffer, "PNG")) {
      if (error) *error = QStringLiteral("the picture could not be encoded");
      return false;
    }
  } else {
    if (error) *error = QStringLiteral("the file's name must end in .svg or .png");
    return false;
  }
  if (const int failed = WriteWholeFile(path, buffer.data().constData(), buffer.data().size())) {
    if (error) *error = SystemErrorText(failed);
    return false;
  }
  return true;
}
