#pragma once
// Asks the real tools about a video file: ffprobe for its stream, ffmpeg for its
// first picture. Tests of the AVI output trust what an ordinary reader sees.

#include <map>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

inline QByteArray RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60'000)) return {};
  return p.readAllStandardOutput();
}

// key=value lines of ffprobe's stream entries: codec_name, width, height, r_frame_rate, nb_read_frames.
inline std::map<QString, QString> ProbeStream(const QString& file) {
  const QByteArray out = RunTool("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                             "stream=codec_name,width,height,r_frame_rate,nb_read_frames", "-of",
                                             "default=noprint_wrappers=1", file});
  std::map<QString, QString> fields;
  for (const QByteArray& line : out.split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq > 0) fields[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1)).trimmed();
  }
  return fields;
}

// The flags of every video packet ("K_" for a key frame).
inline QStringList PacketFlags(const QString& file) {
  return QString::fromUtf8(RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=flags",
                                               "-of", "csv=p=0", file}))
      .split('\n', Qt::SkipEmptyParts);
}

// The first picture (or all of them, one after the other) as top-down BGR bytes, as ffmpeg decodes them.
inline QByteArray FirstPictureBgr(const QString& file, bool all = false) {
  return RunTool("ffmpeg", QStringList{"-v", "error", "-i", file} +
                               (all ? QStringList() : QStringList{"-frames:v", "1"}) +
                               QStringList{"-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
}
