// The exports when things go wrong: a device that fills up (before, during and at the end
// of the writing), a folder that may not be written, a stop heard at every point an export
// listens for one. Afterwards the message stands only where an AVI error is told, the
// output is closed with what was written, the recording is unchanged, and the viewer steps
// and exports again.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "export/OutputFile.h"
#include "platform/FileSizeLimit.h"
#include "support/Fingerprint.h"
#include "support/OrdinaryUser.h"
#include "support/Probe.h"
#include "support/ViewerRig.h"

namespace {

enum class Export { Jpeg, Mjp, Avi };

const QString kAviError = QStringLiteral("Wystapił błąd podczas tworzenia pliku !");

// The device is full after `bytes` bytes of any file written: a write past a file-size
// limit fails (EFBIG) just where one on a full disk would (ENOSPC).
class DeviceFullAfter {
 public:
  explicit DeviceFullAfter(std::int64_t bytes) {
    FailWritesPastFileSizeLimit();
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~DeviceFullAfter() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

int openDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// The first `count` bytes of a file (all of them by default).
QByteArray bytesOf(const QString& path, qint64 count = -1) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return count < 0 ? f.readAll() : f.read(count);
}

// A sequence of five frames marked forward from frame 2, on a stopped viewer.
void markFive(ViewerRig& rig) {
  Viewer& v = rig.v;
  v.imgCmd_Click(0);
  for (int k = 0; k < 2; ++k) v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);
  for (int k = 0; k < 4; ++k) v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);
}

// Runs one export to `out` the way the save command does.
ExportResult runExport(ViewerRig& rig, Export kind, const QString& codec, const QString& out) {
  rig.modal.files.push_back(out);
  switch (kind) {
    case Export::Jpeg: return rig.v.SaveJpeg();
    case Export::Mjp: return rig.v.SaveMjp();
    case Export::Avi: break;
  }
  AVICOMPRESSOPTIONS options;
  options.codec = codec;
  rig.modal.compressorAnswers.push_back(options);
  return rig.v.SaveAvi();
}

// Where the trouble is. Full*: the device fills after a share of what the export would
// write whole (Start: at once; Middle: halfway; End: one byte short, so only the AVI's
// closing index fails). Locked: a folder without write permission. Missing: no such folder.
enum class Trouble { FullAtStart, FullInMiddle, FullAtEnd, Locked, Missing };

struct FailureCase {
  const char* name;
  Export kind;
  const char* codec;
  Trouble trouble;
  bool entersExportState;  // the failure comes after the lamps went green
  bool leavesOutput;       // a partial output stays (closed)
};

TEST(ExportFailures, ViewerRecoversOutputIsClosedRecordingUnchanged) {
  const std::vector<FailureCase> cases = {
      {"JPEG, device full", Export::Jpeg, "", Trouble::FullInMiddle, false, true},
      {"JPEG, locked folder", Export::Jpeg, "", Trouble::Locked, false, false},
      {"JPEG, missing folder", Export::Jpeg, "", Trouble::Missing, false, false},
      {"MJP, device full at once", Export::Mjp, "", Trouble::FullAtStart, true, true},
      {"MJP, device full in the second piece", Export::Mjp, "", Trouble::FullInMiddle, true, true},
      {"MJP, locked folder", Export::Mjp, "", Trouble::Locked, false, false},
      {"MJP, missing folder", Export::Mjp, "", Trouble::Missing, false, false},
      {"AVI raw, device full at the header", Export::Avi, "raw", Trouble::FullAtStart, true, true},
      {"AVI raw, device full among frames", Export::Avi, "raw", Trouble::FullInMiddle, true, true},
      {"AVI raw, device full at the index", Export::Avi, "raw", Trouble::FullAtEnd, true, true},
      {"AVI mjpeg, device full among frames", Export::Avi, "mjpeg", Trouble::FullInMiddle, true, true},
      {"AVI mjpeg, device full at the index", Export::Avi, "mjpeg", Trouble::FullAtEnd, true, true},
      {"AVI ffv1, device full among frames", Export::Avi, "ffv1", Trouble::FullInMiddle, true, true},
      {"AVI copy, device full among frames", Export::Avi, "copy", Trouble::FullInMiddle, true, true},
      {"AVI copy, device full at the index", Export::Avi, "copy", Trouble::FullAtEnd, true, true},
      {"AVI, locked folder", Export::Avi, "raw", Trouble::Locked, true, false},
      {"AVI, missing folder", Export::Avi, "raw", Trouble::Missing, true, false},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    ViewerRig rig(220);  // about 3.5 MB: the MJP range below spans pieces
    Viewer& v = rig.start();
    const QString codec = QString::fromLatin1(c.codec);
    markFive(rig);
    if (c.kind == Export::Mjp) std::tie(v.module.MarkStart, v.module.MarkEnd) = std::pair(1, 2'500'000);

    // What the export writes when nothing goes wrong, and that it leaves the viewer playing on.
    const QString whole = rig.folder() + "/whole.out";
    ASSERT_EQ(runExport(rig, c.kind, codec, whole), ExportResult::Done);
    const qint64 wholeSize = QFileInfo(whole).size();
    v.imgCmd_Click(7);  // playing forward when the export is asked for
    rig.modal.shown.clear();

    const Fingerprint recording = FingerprintOf(rig.path());
    const int descriptors = openDescriptors();
    QString out = rig.folder() + "/out";
    std::int64_t limit = -1;
    ExportResult result;
    switch (c.trouble) {
      case Trouble::FullAtStart: limit = 100; break;
      case Trouble::FullInMiddle: limit = wholeSize / 2; break;
      case Trouble::FullAtEnd: limit = wholeSize - 1; break;
      case Trouble::Locked: out = rig.folder() + "/locked/out"; break;
      case Trouble::Missing: out = rig.folder() + "/missing/out"; break;
    }
    ClearWriteError();
    if (limit >= 0) {
      const DeviceFullAfter full(limit);
      result = runExport(rig, c.kind, codec, out);
    } else if (c.trouble == Trouble::Locked) {
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder()).constData(), 0755), 0);  // reachable, not writable
      ASSERT_TRUE(QDir().mkdir(rig.folder() + "/locked"));
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder() + "/locked").constData(), 0555), 0);
      const AsOrdinaryUser user;
      if (!user.ok()) continue;  // root cannot be anybody else here
      result = runExport(rig, c.kind, codec, out);
    } else {
      result = runExport(rig, c.kind, codec, out);
    }

    EXPECT_EQ(result, ExportResult::Failed);
    EXPECT_EQ(rig.modal.texts(), c.kind == Export::Avi ? QStringList{kAviError} : QStringList{});
    if (!rig.modal.shown.empty()) {
      EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::Critical);
    }
    EXPECT_EQ(QFileInfo::exists(out), c.leavesOutput);
    const int cause = limit >= 0 ? EFBIG : c.trouble == Trouble::Locked ? EACCES : ENOENT;
    EXPECT_EQ(LastWriteError(), cause) << std::strerror(LastWriteError());
    if (limit > 0 && c.kind != Export::Avi) {  // what was written is the start of the whole
      const QByteArray partial = bytesOf(out);
      EXPECT_GT(partial.size(), 0);
      EXPECT_EQ(partial, bytesOf(whole).left(partial.size()));
    }
    EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
    EXPECT_TRUE(FingerprintOf(rig.path()) == recording) << "the recording was changed";
    if (c.entersExportState) {
      EXPECT_EQ(std::tuple(v.st.mode(), v.screen.shIco[2], v.screen.lblSaveVisible),
                std::tuple(PlayMode::Stopped, Colour::Orange, false));
      for (std::uint32_t lamp : v.screen.shCmd) EXPECT_EQ(lamp, Colour::Blue);
    } else {
      EXPECT_EQ(v.st.mode(), PlayMode::Forward) << "nothing had started";
    }

    // Usable again: a step shows the next frame, and the same export succeeds elsewhere.
    v.imgCmd_Click(5);
    const int before = rig.shownFrame();
    v.imgCmd_Click(6);
    EXPECT_EQ(rig.shownFrame(), before + 1);
    rig.modal.shown.clear();
    const QString again = rig.folder() + "/again.out";
    EXPECT_EQ(runExport(rig, c.kind, codec, again), ExportResult::Done);
    EXPECT_TRUE(rig.modal.shown.empty());
    if (c.kind != Export::Jpeg) {
      EXPECT_EQ(QFileInfo(again).size(), wholeSize);
    }
  }
}

// A stop is heard each time the export lets events run: the MJP copy after each piece,
// the AVI conversion before each frame. A stop left over from before the export is not.
struct StopCase {
  const char* name;
  Export kind;
  int stopAtTick;        // 0: the stop request stands before the export starts
  ExportResult result;
  std::int64_t written;  // MJP: bytes; AVI: frames
};

TEST(ExportStops, EachTickGivesACompleteShorterOutput) {
  const std::vector<StopCase> cases = {
      {"MJP, after the first piece", Export::Mjp, 1, ExportResult::Stopped, 2'000'000},
      {"MJP, after the second piece", Export::Mjp, 2, ExportResult::Stopped, 3'000'000},
      {"MJP, before the last piece", Export::Mjp, 3, ExportResult::Done, 3'900'000},
      {"MJP, a stop left from before", Export::Mjp, 0, ExportResult::Done, 3'900'000},
      {"AVI, before the first frame", Export::Avi, 1, ExportResult::Stopped, 0},
      {"AVI, after the third frame", Export::Avi, 4, ExportResult::Stopped, 3},
      {"AVI, past a window move", Export::Avi, 45, ExportResult::Stopped, 44},
      {"AVI, before the last frame", Export::Avi, 60, ExportResult::Stopped, 59},
      {"AVI, a stop left from before", Export::Avi, 0, ExportResult::Done, 60},
  };
  ViewerRig rig(260);
  Viewer& v = rig.start();
  ASSERT_GT(v.st.FileLength, 3'900'000);
  // Frames 0 to 59 marked forward: about 1 MB, so the conversion moves the window.
  v.imgCmd_Click(0);
  v.imgRightCmd_Click(3);
  for (int k = 0; k < 59; ++k) v.imgCmd_Click(6);
  v.imgRightCmd_Click(3);
  const auto aviMarks = std::pair(v.module.MarkStart, v.module.MarkEnd);
  ASSERT_GT(aviMarks.second - aviMarks.first, 2 * kWindowStep);

  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString out = rig.folder() + "/stopped.out";
    QFile::remove(out);
    rig.modal.shown.clear();
    if (c.kind == Export::Mjp) {
      std::tie(v.module.MarkStart, v.module.MarkEnd) = std::pair(1, 3'900'000);
    } else {
      std::tie(v.module.MarkStart, v.module.MarkEnd) = aviMarks;
    }
    int ticks = 0;
    v.DoEvents = [&] {
      if (++ticks == c.stopAtTick) v.imgCmd_Click(5);  // the stop button, as the window delivers it
    };
    v.st.StopRequested = c.stopAtTick == 0;
    EXPECT_EQ(runExport(rig, c.kind, QStringLiteral("mjpeg"), out), c.result);
    v.DoEvents = nullptr;
    if (c.kind == Export::Mjp) {
      EXPECT_EQ(bytesOf(out, 4'000'000), bytesOf(rig.path(), c.written));
    } else {
      // ffprobe counts no frames as "N/A"; the file must still be a readable video.
      const auto stream = ProbeStream(out);
      EXPECT_EQ(stream.at("codec_name"), "mjpeg");
      EXPECT_EQ(stream.at("nb_read_frames"), c.written ? QString::number(c.written) : "N/A");
    }
    EXPECT_TRUE(rig.modal.shown.empty());
    EXPECT_EQ(std::tuple(v.st.mode(), v.screen.shIco[2], v.screen.lblSaveVisible),
              std::tuple(PlayMode::Stopped, Colour::Orange, false));
    for (std::uint32_t lamp : v.screen.shCmd) EXPECT_EQ(lamp, Colour::Blue);
  }
}

// An error thrown while an export lets events run leaves the export with the file closed and
// the viewer out of the export state; one that a nested handler recovers from instead (the
// window's guard catches it there) leaves the running export alone.
TEST(ExportErrors, AnErrorInAnEventLetRunDuringAnExport) {
  for (const Export kind : {Export::Mjp, Export::Avi}) {
    for (const bool caughtInside : {false, true}) {
      SCOPED_TRACE(std::string(kind == Export::Mjp ? "MJP" : "AVI") + (caughtInside ? ", caught inside" : ""));
      ViewerRig rig(220);
      Viewer& v = rig.start();
      markFive(rig);
      if (kind == Export::Mjp) std::tie(v.module.MarkStart, v.module.MarkEnd) = std::pair(1, 2'500'000);
      rig.modal.shown.clear();  // what marking said
      const int descriptors = openDescriptors();
      v.DoEvents = [&] {
        if (!caughtInside) throw std::runtime_error("event failed");
        v.RecoverAfterError();
        EXPECT_EQ(v.st.mode(), PlayMode::Exporting);
      };
      const QString out = rig.folder() + "/out";
      if (caughtInside) {
        EXPECT_EQ(runExport(rig, kind, QStringLiteral("mjpeg"), out), ExportResult::Done);
      } else {
        EXPECT_THROW(runExport(rig, kind, QStringLiteral("mjpeg"), out), std::runtime_error);
      }
      EXPECT_TRUE(rig.modal.shown.empty());
      EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
      EXPECT_EQ(std::tuple(v.st.mode(), v.screen.shIco[2], v.screen.lblSaveVisible),
                std::tuple(PlayMode::Stopped, Colour::Orange, false));
    }
  }
}

}  // namespace
