#pragma once
// Small helpers the widget tests share: window coordinates of a control, packed
// colours, generated recordings and reference decodes of their frames.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <QWidget>
#include <turbojpeg.h>

#include "RecordingGenerator.h"

namespace uitest {

// A control's rectangle in its top-level window's coordinates.
inline QRect WindowRect(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// 0x00BBGGRR as the colour it stands for, spelled out here so a swapped channel shows.
inline QColor Rgb(std::uint32_t packed) {
  return QColor(static_cast<int>(packed & 0xFF), static_cast<int>((packed >> 8) & 0xFF),
                static_cast<int>((packed >> 16) & 0xFF));
}

// A recording written by the generator into a private folder; name may hold blanks
// and a subfolder ("with blanks/rec.mjp").
class GeneratedRecording {
 public:
  GeneratedRecording(const QString& name, const recgen::Options& options) : path_(dir_.filePath(name)) {
    QDir().mkpath(FolderOf(path_));
    frames_ = recgen::WriteRecording(QFile::encodeName(path_).toStdString(), options);
  }
  const QString& path() const { return path_; }
  const std::vector<recgen::FrameRecord>& frames() const { return frames_; }

  // The JPEG bytes of frame k, straight from the file.
  std::vector<std::uint8_t> JpegBytes(std::size_t k) const {
    std::ifstream in(QFile::encodeName(path_).toStdString(), std::ios::binary);
    std::vector<std::uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto& f = frames_.at(k);
    const auto from = all.begin() + (f.jpegPos - 1);
    return std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(f.jpegSize));
  }

 private:
  static QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(QLatin1Char('/'))); }

  QTemporaryDir dir_;
  QString path_;
  std::vector<recgen::FrameRecord> frames_;
};

// The reference decode of a JPEG: RGB, top row first. Null on failure.
inline QImage DecodeReference(const std::vector<std::uint8_t>& jpeg) {
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, sub = 0, space = 0;
  QImage out;
  const auto size = static_cast<unsigned long>(jpeg.size());
  if (tj && tjDecompressHeader3(tj, jpeg.data(), size, &w, &h, &sub, &space) == 0) {
    QImage img(w, h, QImage::Format_RGB888);
    if (tjDecompress2(tj, jpeg.data(), size, img.bits(), w,
                      static_cast<int>(img.bytesPerLine()), h, TJPF_RGB, 0) == 0) {
      out = img;
    }
  }
  if (tj) tjDestroy(tj);
  return out;
}

// The largest channel difference between picture and the area of canvas at (x, y).
inline int MaxDifference(const QImage& canvas, int x, int y, const QImage& picture) {
  int worst = 0;
  for (int py = 0; py < picture.height(); ++py) {
    for (int px = 0; px < picture.width(); ++px) {
      const QRgb a = canvas.pixel(x + px, y + py);
      const QRgb b = picture.pixel(px, py);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  }
  return worst;
}

}  // namespace uitest
