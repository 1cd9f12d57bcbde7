#pragma once
// A recording in a private temporary folder that disappears with the object: the given bytes, or generated.

#include <QFile>
#include <QTemporaryDir>

#include "RecordingGenerator.h"

class TempRecording {
 public:
  explicit TempRecording(const recgen::Bytes& bytes, const QString& name = "rec.mjp") : path_(dir_.filePath(name)) {
    recgen::RecordingBuilder().Append(bytes).Write(QFile::encodeName(path_).toStdString());
  }
  // Generated; `records` tells where each frame lies. The name may hold blanks.
  explicit TempRecording(const recgen::Options& options, const QString& name = "rec.mjp")
      : path_(dir_.filePath(name)), records(recgen::WriteRecording(QFile::encodeName(path_).toStdString(), options)) {}
  const QString& path() const { return path_; }
  QString folder() const { return dir_.path(); }
  // The index in `records` of the frame starting at `pos`, or -1.
  int FrameIndex(std::int64_t pos) const {
    for (std::size_t k = 0; k < records.size(); ++k)
      if (records[k].jpegPos == pos) return static_cast<int>(k);
    return -1;
  }

 private:
  QTemporaryDir dir_;
  QString path_;

 public:
  std::vector<recgen::FrameRecord> records;
};
