// The exports when things go wrong: a device that fills up (before, during and at the end
// of the writing), a folder that may not be written, a stop heard at every point an export
// listens for one, an error from an event it lets run. Afterwards the message stands only
// where an AVI error is told, the output is closed with what was written, the recording is
// unchanged, and the viewer steps and exports again.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>

#include "export/OutputFile.h"
#include "platform/FileSizeLimit.h"
#include "support/FileContents.h"
#include "support/OrdinaryUser.h"
#include "support/Probe.h"
#include "support/ViewerRig.h"

namespace {

enum class Export { Jpeg, Mjp, Avi };

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

int openDescriptors() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }

// A viewer on `frames` frames (about 16 kB each), stopped, with frames first to last marked
// (for the MJP export the first 2,500,000 bytes, so that it copies in pieces).
struct ExportRig : ViewerRig {
  explicit ExportRig(Export kind, int frames = 220, int first = 2, int last = 6) : ViewerRig(frames) {
    start();
    markForward(first, last);
    if (kind == Export::Mjp) std::tie(v.module.MarkStart, v.module.MarkEnd) = std::pair(1, 2'500'000);
  }
  // Runs one export to `out` the way the save command does.
  ExportResult run(Export kind, const QString& out, const QString& codec = QStringLiteral("mjpeg")) {
    modal.files.push_back(out);
    if (kind == Export::Jpeg) return v.SaveJpeg();
    if (kind == Export::Mjp) return v.SaveMjp();
    AVICOMPRESSOPTIONS options;
    options.codec = codec;
    modal.compressorAnswers.push_back(options);
    return v.SaveAvi();
  }
};

// Full*: the device fills after a share of what the export would write whole (at once;
// halfway; one byte short, so only the AVI's closing index fails). Locked: a folder without
// write permission. Missing: no such folder.
enum class Trouble { FullAtStart, FullInMiddle, FullAtEnd, Locked, Missing };

TEST(ExportFailures, ViewerRecoversOutputIsClosedRecordingUnchanged) {
  const struct {
    const char* name;
    Export kind;
    const char* codec;
    Trouble trouble;
  } cases[] = {
      {"JPEG, device full", Export::Jpeg, "", Trouble::FullInMiddle},
      {"JPEG, locked folder", Export::Jpeg, "", Trouble::Locked},
      {"JPEG, missing folder", Export::Jpeg, "", Trouble::Missing},
      {"MJP, device full at once", Export::Mjp, "", Trouble::FullAtStart},
      {"MJP, device full in the second piece", Export::Mjp, "", Trouble::FullInMiddle},
      {"MJP, locked folder", Export::Mjp, "", Trouble::Locked},
      {"AVI raw, device full at the header", Export::Avi, "raw", Trouble::FullAtStart},
      {"AVI raw, device full among frames", Export::Avi, "raw", Trouble::FullInMiddle},
      {"AVI mjpeg, device full at the index", Export::Avi, "mjpeg", Trouble::FullAtEnd},
      {"AVI copy, device full among frames", Export::Avi, "copy", Trouble::FullInMiddle},
      {"AVI, locked folder", Export::Avi, "raw", Trouble::Locked},
      {"AVI, missing folder", Export::Avi, "raw", Trouble::Missing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExportRig rig(c.kind);
    Viewer& v = rig.v;
    const QString codec = QString::fromLatin1(c.codec);
    const bool full = c.trouble <= Trouble::FullAtEnd;
    // What the export writes when nothing goes wrong; then the viewer plays on.
    const QString whole = rig.folder() + "/whole.out";
    ASSERT_EQ(rig.run(c.kind, whole, codec), ExportResult::Done);
    const qint64 wholeSize = QFileInfo(whole).size();
    v.imgCmd_Click(7);

    const Fingerprint recording = FingerprintOf(rig.path());
    const int descriptors = openDescriptors();
    const QString out = rig.folder() + (c.trouble == Trouble::Locked    ? "/locked/out"
                                        : c.trouble == Trouble::Missing ? "/missing/out"
                                                                        : "/out");
    const std::int64_t limit = c.trouble == Trouble::FullAtStart    ? 100
                               : c.trouble == Trouble::FullInMiddle ? wholeSize / 2
                                                                    : wholeSize - 1;
    ClearWriteError();
    ExportResult result;
    if (full) {
      const DeviceFullAfter device(limit);
      result = rig.run(c.kind, out, codec);
    } else if (c.trouble == Trouble::Locked) {
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder()).constData(), 0755), 0);  // reachable, not writable
      ASSERT_TRUE(QDir().mkdir(rig.folder() + "/locked"));
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder() + "/locked").constData(), 0555), 0);
      const AsOrdinaryUser user;
      if (!user.ok()) continue;  // root cannot be anybody else here
      result = rig.run(c.kind, out, codec);
    } else {
      result = rig.run(c.kind, out, codec);
    }

    EXPECT_EQ(result, ExportResult::Failed);
    if (c.kind == Export::Avi) {
      ASSERT_EQ(rig.modal.texts(), QStringList{"Wystapił błąd podczas tworzenia pliku !"});
      EXPECT_EQ(rig.modal.shown[0].icon, MsgIcon::Critical);
    } else {
      EXPECT_TRUE(rig.modal.shown.empty());
    }
    EXPECT_EQ(QFileInfo::exists(out), full);
    const int cause = full ? EFBIG : c.trouble == Trouble::Locked ? EACCES : ENOENT;
    EXPECT_EQ(LastWriteError(), cause) << std::strerror(LastWriteError());
    if (full && c.kind != Export::Avi) {  // what was written is the start of the whole
      const QByteArray partial = BytesOf(out);
      EXPECT_GT(partial.size(), 0);
      EXPECT_EQ(partial, BytesOf(whole, 1, partial.size()));
    }
    EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
    EXPECT_TRUE(FingerprintOf(rig.path()) == recording) << "the recording was changed";
    if (c.kind == Export::Avi || (c.kind == Export::Mjp && full)) {
      ExpectIdleAfterExport(v);  // the failure came after the lamps went green
    } else {
      EXPECT_EQ(v.st.mode(), PlayMode::Forward) << "nothing had started";
    }

    // Usable again: a step shows the next frame, and the same export succeeds elsewhere.
    v.imgCmd_Click(5);
    const int before = rig.shownFrame();
    v.imgCmd_Click(6);
    EXPECT_EQ(rig.shownFrame(), before + 1);
    rig.modal.shown.clear();
    EXPECT_EQ(rig.run(c.kind, rig.folder() + "/again.out", codec), ExportResult::Done);
    EXPECT_TRUE(rig.modal.shown.empty());
  }
}

// A stop is heard each time the export lets events run: the MJP copy after each piece,
// the AVI conversion before each frame. A stop left over from before the export is not.
TEST(ExportStops, EachTickGivesACompleteShorterOutput) {
  const struct {
    const char* name;
    Export kind;
    int stopAtTick;  // 0: the stop request stands before the export starts
    ExportResult result;
    std::int64_t written;  // MJP: bytes; AVI: frames
  } cases[] = {
      {"MJP, after the first piece", Export::Mjp, 1, ExportResult::Stopped, 2'000'000},
      {"MJP, after the second piece", Export::Mjp, 2, ExportResult::Stopped, 3'000'000},
      {"MJP, before the last piece", Export::Mjp, 3, ExportResult::Done, 3'900'000},
      {"MJP, a stop left from before", Export::Mjp, 0, ExportResult::Done, 3'900'000},
      {"AVI, before the first frame", Export::Avi, 1, ExportResult::Stopped, 0},
      {"AVI, past a window move", Export::Avi, 45, ExportResult::Stopped, 44},
      {"AVI, before the last frame", Export::Avi, 60, ExportResult::Stopped, 59},
      {"AVI, a stop left from before", Export::Avi, 0, ExportResult::Done, 60},
  };
  ExportRig rig(Export::Avi, 260, 0, 59);  // frames 0-59: about 1 MB, so the conversion moves the window
  Viewer& v = rig.v;
  const auto aviMarks = std::pair(v.module.MarkStart, v.module.MarkEnd);
  ASSERT_GT(aviMarks.second - aviMarks.first, 2 * kWindowStep);
  ASSERT_GT(v.st.FileLength, 3'900'000);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString out = rig.folder() + "/stopped.out";
    QFile::remove(out);
    std::tie(v.module.MarkStart, v.module.MarkEnd) =
        c.kind == Export::Mjp ? std::pair<FilePos, FilePos>(1, 3'900'000) : aviMarks;
    int ticks = 0;
    v.DoEvents = [&] {
      if (++ticks == c.stopAtTick) v.imgCmd_Click(5);  // the stop button, as the window delivers it
    };
    v.st.StopRequested = c.stopAtTick == 0;
    EXPECT_EQ(rig.run(c.kind, out), c.result);
    if (c.kind == Export::Mjp) {
      EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), 1, c.written));
    } else {  // a readable video; ffprobe counts no frames as "N/A"
      const auto stream = ProbeStream(out);
      EXPECT_EQ(stream.at("codec_name"), "mjpeg");
      EXPECT_EQ(stream.at("nb_read_frames"), c.written ? QString::number(c.written) : "N/A");
    }
    EXPECT_TRUE(rig.modal.shown.empty());
    ExpectIdleAfterExport(v);
  }
}

// An error thrown while an export lets events run leaves the export with the file closed and
// the viewer out of the export state; one that a nested handler recovers from instead (the
// window's guard catches it there) leaves the running export alone.
TEST(ExportErrors, AnErrorInAnEventLetRunDuringAnExport) {
  for (const Export kind : {Export::Mjp, Export::Avi}) {
    for (const bool caughtInside : {false, true}) {
      SCOPED_TRACE(std::string(kind == Export::Mjp ? "MJP" : "AVI") + (caughtInside ? ", caught inside" : ""));
      ExportRig rig(kind);
      Viewer& v = rig.v;
      const int descriptors = openDescriptors();
      v.DoEvents = [&] {
        if (!caughtInside) throw std::runtime_error("event failed");
        v.RecoverAfterError();
        EXPECT_EQ(v.st.mode(), PlayMode::Exporting);
      };
      if (caughtInside) {
        EXPECT_EQ(rig.run(kind, rig.folder() + "/out"), ExportResult::Done);
      } else {
        EXPECT_THROW(rig.run(kind, rig.folder() + "/out"), std::runtime_error);
      }
      EXPECT_TRUE(rig.modal.shown.empty());
      EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
      ExpectIdleAfterExport(v);
    }
  }
}

}  // namespace
