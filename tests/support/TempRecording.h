#pragma once
// Writes bytes to a file in a private temporary folder that disappears with the object.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <QTemporaryDir>

class TempRecording {
 public:
  explicit TempRecording(const std::vector<std::uint8_t>& bytes, const QString& name = "rec.mjp")
      : path_(dir_.filePath(name)) {
    std::ofstream out(path_.toStdString(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const QString& path() const { return path_; }
  QString folder() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString path_;
};
