// Damaged, odd and huge recordings through the viewer's own paths: each opens with its
// defined behaviour, survives playing, seeking and stepping to both ends, and is left
// exactly as it was (bytes and modification time).

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "shell/Viewer.h"
#include "support/ScriptedModal.h"

namespace {

using recgen::Bytes;
using recgen::RecordingBuilder;

// A picture made long with comment segments, so the frame is about `bytes` long.
Bytes longJpeg(std::size_t bytes) {
  const Bytes jpeg = recgen::EncodeScene(4, 0, 320, 240);
  Bytes out(jpeg.begin(), jpeg.begin() + 2);  // FF D8
  while (out.size() + jpeg.size() + 65'537 < bytes) {
    out.insert(out.end(), {0xFF, 0xFE, 0xFF, 0xFF});  // a comment segment of 65,535 bytes
    out.back() = 0xFF, out[out.size() - 2] = 0xFF;
    out.insert(out.end(), 65'533, 'c');
  }
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// A frame whose header declares w x h.
Bytes declaring(int w, int h) {
  Bytes jpeg = recgen::EncodeScene(2, 0, 64, 48);
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<std::uint8_t>(h >> 8), jpeg[i + 6] = static_cast<std::uint8_t>(h);
      jpeg[i + 7] = static_cast<std::uint8_t>(w >> 8), jpeg[i + 8] = static_cast<std::uint8_t>(w);
      break;
    }
  return jpeg;
}

Bytes recording(int frames, std::uint64_t seed = 3) {
  RecordingBuilder b;
  recgen::Options o;
  o.frames = frames;
  o.seed = seed;
  o.width = 160;
  o.height = 120;
  b.Frames(o);
  return b.Data();
}

struct Fingerprint {
  qint64 size;
  QDateTime modified;
  QByteArray hash;  // of the whole file, or of its last 4 MB when it is huge
  bool operator==(const Fingerprint&) const = default;
};

Fingerprint fingerprint(const QString& path) {
  QFile f(path);
  QFileInfo info(path);
  QCryptographicHash h(QCryptographicHash::Sha1);
  if (f.open(QIODevice::ReadOnly)) {
    if (f.size() > (64 << 20)) f.seek(f.size() - (4 << 20));
    h.addData(&f);
  }
  return {info.size(), info.lastModified(), h.result()};
}

// Everything a user can do to a recording, in one go.
void exercise(Viewer& v) {
  for (int k = 0; k < 5; ++k) v.timPlay_Timer();
  v.imgCmd_Click(10);  // to end
  for (int k = 0; k < 3; ++k) v.imgCmd_Click(4);
  v.imgCmd_Click(3);  // play backward
  for (int k = 0; k < 3; ++k) v.timPlay_Timer();
  for (float knob : {22.0f, 260.5f, 501.0f}) {
    v.screen.imgSuwakLeft = knob;
    v.imgSuwak_MouseUp();
    v.imgBottom_MouseUp();
  }
  v.imgCmd_Click(9);  // fastest forward, then fastest backward
  for (int k = 0; k < 4; ++k) v.timPlay_Timer();
  v.imgCmd_Click(1);
  for (int k = 0; k < 4; ++k) v.timPlay_Timer();
  v.imgCmd_Click(0);  // to start
  v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);  // mark twice
  v.imgRightCmd_Click(3);
}

struct Hostile {
  const char* name;
  std::function<Bytes()> bytes;
  bool frameShown;  // the first search shows a frame
  int complaints;   // decoder warnings the whole exercise may show at most
};

TEST(HostileRecordings, OpenPlaySeekAndLeaveTheFileUnchanged) {
  const std::vector<Hostile> cases = {
      {"empty file", [] { return Bytes{}; }, false, 0},
      {"one byte", [] { return Bytes{0xFF}; }, false, 0},
      {"0xFF x 1,000,000", [] { return Bytes(1'000'000, 0xFF); }, false, 0},
      {"FF D8 repeated", [] { Bytes b; for (int k = 0; k < 400'000; ++k) b.insert(b.end(), {0xFF, 0xD8}); return b; },
       false, 0},
      {"FF D9 repeated", [] { Bytes b; for (int k = 0; k < 400'000; ++k) b.insert(b.end(), {0xFF, 0xD9}); return b; },
       false, 0},
      {"a frame of 600,000 bytes among ordinary ones",
       [] {
         RecordingBuilder b;
         b.Append(recording(3));
         b.Append(recgen::MeasurementBlock("CAM-0417-A02", 50, 200, 10));
         b.Append(longJpeg(600'000));
         b.Append(recording(3, 5));
         return b.Data();
       },
       true, 0},
      {"a header declaring 65,535 x 65,535", [] { return declaring(65'535, 65'535); }, false, 0},
      {"a header declaring 40,000 x 40,000", [] { return declaring(40'000, 40'000); }, false, 0},
      {"the last frame cut short",
       [] {
         Bytes b = recording(6);
         b.resize(b.size() - 3'000);
         return b;
       },
       true, 0},
      {"frames separated by garbage with stray markers",
       [] {
         RecordingBuilder b;
         for (int k = 0; k < 4; ++k) {
           b.Append(recording(2, k + 1));
           b.Append(Bytes{0xFF, 0xD9, 0x00, 0xFF, 0xD8, 0x12, 0x34, 0xFF});
         }
         return b.Data();
       },
       true, 40},
  };
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.mjp");
    RecordingBuilder().Append(c.bytes()).Write(path.toStdString());
    const Fingerprint before = fingerprint(path);
    ScriptedModal modal;
    ModalScope scope(modal);
    Viewer v;
    v.StartUp(path);
    EXPECT_EQ(v.st.mode(), PlayMode::Forward) << "opens and plays";
    EXPECT_EQ(v.screen.lblPicInfo[2] != "--", c.frameShown);
    exercise(v);
    const auto complaints = std::count_if(modal.shown.begin(), modal.shown.end(),
                                          [](const ShownMessage& m) { return m.icon == MsgIcon::Warning; });
    EXPECT_LE(complaints, c.complaints);
    EXPECT_NE(v.st.mode(), PlayMode::Exporting);
    EXPECT_TRUE(fingerprint(path) == before) << "the recording was changed";
  }
}

// A 3 GiB recording, sparse but for real frames at its start and near its end: the
// positions beyond 2 GiB open, play and seek.
TEST(HostileRecordings, ThreeGibibytesWithFramesNearTheEnd) {
  QTemporaryDir dir;
  const QString path = dir.filePath("huge.mjp");
  const Bytes head = recording(3), tail = recording(5, 9);
  const std::int64_t size = 3LL << 30;
  {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    const off_t at = size - static_cast<off_t>(tail.size()) - 100;
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), at), static_cast<ssize_t>(tail.size()));
    ::close(fd);
  }
  const Fingerprint before = fingerprint(path);
  ScriptedModal modal;
  ModalScope scope(modal);
  Viewer v;
  v.StartUp(path);
  ASSERT_EQ(v.st.FileLength, size);
  v.imgCmd_Click(10);  // to end: the last frame, beyond 2 GiB
  const FilePos last = v.st.WindowPos + v.st.FrameStart;
  EXPECT_GT(last, 2LL << 30);
  v.imgCmd_Click(4);
  EXPECT_LT(v.st.WindowPos + v.st.FrameStart, last);
  v.screen.imgSuwakLeft = 500;
  v.imgSuwak_MouseUp();  // a seek into the zeros finds nothing and keeps the picture
  v.imgCmd_Click(0);
  EXPECT_EQ(v.st.WindowPos + v.st.FrameStart, 33);
  EXPECT_TRUE(modal.shown.empty()) << modal.texts().join('|').toStdString();
  EXPECT_TRUE(fingerprint(path) == before);
}

TEST(HostileRecordings, FileThatShrinksWhileOpen) {
  QTemporaryDir dir;
  const QString path = dir.filePath("shrinking.mjp");
  const Bytes b = recording(60);
  RecordingBuilder().Append(b).Write(path.toStdString());
  ScriptedModal modal;
  ModalScope scope(modal);
  Viewer v;
  v.StartUp(path);
  ASSERT_TRUE(QFile::resize(path, static_cast<qint64>(b.size() / 3)));
  exercise(v);
  v.imgCmd_Click(10);
  EXPECT_LE(v.st.WindowPos + v.st.FrameEnd, static_cast<FilePos>(b.size() / 3)) << "no frame past the new end";
  EXPECT_NE(v.st.mode(), PlayMode::Exporting);
}

}  // namespace
