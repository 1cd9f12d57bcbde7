// Damaged, odd and huge recordings open, survive playing and seeking, and are left as they were.

#include <gtest/gtest.h>

#include <algorithm>

#include "support/FileContents.h"
#include "support/ViewerRig.h"

namespace {

using recgen::Bytes;
using recgen::RecordingBuilder;

Bytes recording(int frames, std::uint64_t seed = 3) {
  RecordingBuilder b;
  b.Frames({.seed = seed, .frames = frames, .width = 160, .height = 120});
  return b.Data();
}

Bytes repeatedMarker(std::uint8_t second) {  // FF xx, 400,000 times
  Bytes b;
  for (int k = 0; k < 400'000; ++k) b.insert(b.end(), {0xFF, second});
  return b;
}

// Everything a user can do to a recording, in one go.
void exercise(ViewerRig& rig) {
  Viewer& v = rig.v;
  const auto ticks = [&](int n) {
    while (n-- > 0) v.timPlay_Timer();
  };
  ticks(5);
  rig.click({ToEnd, StepBackward, StepBackward, StepBackward, Backward});
  ticks(3);
  for (float knob : {22.0f, 260.0f, 501.0f}) {
    rig.releaseKnobAt(knob);
    v.imgBottom_MouseUp();
  }
  v.Transport(FastestForward);
  ticks(4);
  v.Transport(FastestBackward);
  ticks(4);
  rig.click({ToStart, StepForward});
  v.MarkCommand(), v.MarkCommand();
}

TEST(HostileRecordings, OpenPlaySeekAndLeaveTheFileUnchanged) {
  const Bytes garbage{0xFF, 0xD9, 0x00, 0xFF, 0xD8, 0x12, 0x34, 0xFF};  // with stray markers
  RecordingBuilder separated;
  for (int k = 0; k < 4; ++k) separated.Append(recording(2, k + 1)).Append(garbage);
  Bytes cut = recording(6);
  cut.resize(cut.size() - 3'000);
  const Bytes large = recgen::EncodeScene(4, 0, 1000, 750, 100);
  ASSERT_GT(large.size(), 550'000u) << "more than half a window";
  // The first search shows a frame?, the most warnings the exercise may show.
  const std::tuple<const char*, Bytes, bool, int> cases[] = {
      {"empty file", {}, false, 0},
      {"one byte", {0xFF}, false, 0},
      {"0xFF x 1,000,000", Bytes(1'000'000, 0xFF), false, 0},
      {"FF D8 repeated", repeatedMarker(0xD8), false, 0},
      {"FF D9 repeated", repeatedMarker(0xD9), false, 0},
      {"a frame of about 600,000 bytes among ordinary ones",
       RecordingBuilder()
           .Append(recording(3))
           .Append(recgen::MeasurementBlock("CAM-0417-A02", 50, 200, 10))
           .Append(large)
           .Append(recording(3, 5))
           .Data(),
       true, 0},
      {"the last frame cut short", cut, true, 0},
      {"frames separated by garbage with stray markers", separated.Data(), true, 40},
  };
  for (const auto& [name, bytes, frameShown, complaints] : cases) {
    SCOPED_TRACE(name);
    ViewerRig rig(bytes);
    const Fingerprint before = FingerprintOf(rig.path());
    Viewer& v = rig.start();
    EXPECT_EQ(v.mode(), PlayMode::Forward) << "opens and plays";
    EXPECT_EQ(v.screen().lblPicInfo[2] != "--", frameShown);
    exercise(rig);
    EXPECT_LE(std::count_if(rig.modal.shown.begin(), rig.modal.shown.end(),
                            [](const ShownMessage& m) { return m.icon == MsgIcon::Warning; }),
              complaints);
    EXPECT_NE(v.mode(), PlayMode::Exporting);
    EXPECT_TRUE(!bytes.empty() || v.screen().imgSuwakLeft == 22.0f) << "an empty file's knob at the start";
    EXPECT_TRUE(FingerprintOf(rig.path()) == before) << "the recording was changed";
  }
}

// Sparse but for real frames at its start and near its end: positions beyond 2 GiB open, play and seek.
TEST(HostileRecordings, ThreeGibibytesWithFramesNearTheEnd) {
  ViewerRig rig(1);
  const QString path = rig.folder() + "/huge.mjp";
  const Bytes head = recording(3), tail = recording(5, 9);
  const qint64 size = 3LL << 30;
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
  for (const auto& [at, bytes] : {std::pair(qint64{0}, head), {size - qint64(tail.size()) - 100, tail}})
    ASSERT_TRUE(f.seek(at) &&
                f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size()));
  f.close();
  const Fingerprint before = FingerprintOf(path);
  Viewer& v = rig.start(path);
  ASSERT_EQ(v.FileLength(), size);
  v.Transport(ToEnd);  // the last frame, beyond 2 GiB
  const FilePos last = rig.shownStart();
  EXPECT_GT(last, 2LL << 30);
  v.Transport(StepBackward);
  EXPECT_LT(rig.shownStart(), last);
  rig.releaseKnobAt(500);  // a seek into the zeros finds nothing and keeps the picture
  v.Transport(ToStart);
  EXPECT_EQ(rig.shownStart(), 33);
  EXPECT_TRUE(rig.modal.shown.empty()) << rig.modal.texts().join('|').toStdString();
  EXPECT_TRUE(FingerprintOf(path) == before);
}

TEST(HostileRecordings, FileThatShrinksWhileOpen) {
  ViewerRig rig(60);
  Viewer& v = rig.start();
  const qint64 third = QFileInfo(rig.path()).size() / 3;
  ASSERT_TRUE(QFile::resize(rig.path(), third));
  exercise(rig);
  v.Transport(ToEnd);
  EXPECT_LE(v.scanner().FrameEndPos(), third) << "no frame past the new end";
  EXPECT_NE(v.mode(), PlayMode::Exporting);
}

}  // namespace
