// The exports as request → report: exact bytes and frames, the MJP copy's pieces and
// captions, the AVI conversion read back with ffprobe and ffmpeg, and what goes wrong: a
// device that fills up, a folder that may not be written, a stop heard at every point an
// export listens for one, an error from an event it lets run. Afterwards the output is
// closed with what was written, the recording is unchanged and the viewer plays on.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "dib/cDIBSection.h"
#include "platform/FileSizeLimit.h"
#include "recording/JpegModule.h"
#include "viewer/OutputFile.h"
#include "support/FileContents.h"
#include "support/OrdinaryUser.h"
#include "support/Probe.h"
#include "support/ViewerRig.h"

namespace {

enum class Export { Jpeg, Mjp, Avi };
using enum ExportOutcome;

AVICOMPRESSOPTIONS codec(const QString& name) { return {.codec = name}; }

// A viewer on `frames` frames (about 16 kB each), stopped, with frames first to last marked.
struct ExportRig : ViewerRig {
  explicit ExportRig(int frames = 220, int first = 2, int last = 6) : ViewerRig(frames) {
    start();
    markForward(first, last);
  }
  // One export to `out` as the save command asks for it: the frame on screen, the MJP
  // range (1 to 2,500,000 unless given, so that it copies in pieces), the marked frames.
  ExportReport run(Export kind, const QString& out, const QString& compressor = "mjpeg", FilePos to = 2'500'000) {
    if (kind == Export::Jpeg) return v.SaveJpeg({out, v.CurrentFrameBytes().value_or(std::vector<std::uint8_t>{})});
    if (kind == Export::Mjp) return v.SaveMjp({out, 1, to});
    return v.SaveAvi({out, v.module().MarkStart, v.module().MarkEnd, 10, codec(compressor)});
  }
};

int openDescriptors() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }

// The frame's exact bytes, over a longer file in the way; without a frame nothing is written.
// Only an ordinary file is removed to be replaced, never a folder.
TEST(SaveJpeg, WritesTheFramesBytes) {
  ExportRig rig(8, 2, 2);
  const QString out = rig.folder() + "/klatka.jpeg";
  ASSERT_TRUE(QFile(out).open(QIODevice::WriteOnly) && QFile::resize(out, 300'000));
  const ExportReport r = rig.run(Export::Jpeg, out);
  EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), rig.records[2].jpegPos, rig.records[2].EndPos()));
  EXPECT_EQ(std::tuple(r.outcome, r.written, r.at), std::tuple(Done, std::int64_t(rig.records[2].jpegSize), FilePos{0}));
  EXPECT_EQ(rig.v.mode(), PlayMode::Stopped) << "the JPEG export changes no state";
  EXPECT_EQ(rig.v.SaveJpeg({rig.folder() + "/none.jpeg", {}}).outcome, Failed);
  EXPECT_FALSE(QFile::exists(rig.folder() + "/none.jpeg"));

  EXPECT_TRUE(RemoveToReplace(out));
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_TRUE(RemoveToReplace(out)) << "nothing of that name";
  EXPECT_FALSE(RemoveToReplace(rig.folder()));
  EXPECT_TRUE(QFileInfo(rig.folder()).isDir());
}

// The range, copied exactly in pieces of 1,000,000 bytes with events let run and the
// caption written between pieces; the window stays as it was. The copy is itself a
// recording: the scanner finds its frames, the first without a block.
TEST(SaveMjp, CopiesTheRangeInPiecesWithCaptions) {
  struct Case { FilePos start, length; QStringList captionsSeen; };  // lblSave each time events were let run
  ExportRig rig(260);
  Viewer& v = rig.v;
  const auto before = std::pair(v.scanner().WindowPos(), v.scanner().FrameStart());
  // The caption stays from the export before until the second piece is written.
  const QString out = rig.folder() + "/seq.MJP", p = QStringLiteral("Zapis sekwencji... "), done = p + "100%";
  QStringList seen;
  v.SetDoEvents([&] {
    seen << v.screen().lblSave;
    EXPECT_EQ(std::tuple(v.mode(), v.screen().shIco[2], v.screen().lblSaveVisible, v.screen().shCmd[5],
                         v.screen().shCmd[7]),
              std::tuple(PlayMode::Exporting, Colour::MarkGreen, true, Colour::Blue, Colour::LightGrey));
  });
  for (const Case& c : {Case{5, 1, {}}, {1, 1'000'000, {}}, {7, 1'000'001, {done}}, {100, 2'000'000, {done}},
                        {33, 3'500'000, {done, p + "57%", p + "85%"}}, {1, 3'000'000, {done, p + "66%"}}}) {
    SCOPED_TRACE(c.length);
    seen.clear();
    const FilePos to = c.start + c.length - 1;
    const ExportReport r = v.SaveMjp({out, c.start, to});
    EXPECT_EQ(std::tuple(r.outcome, r.written, r.at), std::tuple(Done, c.length, FilePos{0}));
    EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), c.start, to));
    EXPECT_EQ(seen, c.captionsSeen);
    EXPECT_EQ(v.screen().lblSave, done);
    ExpectIdleAfterExport(v);
    EXPECT_EQ(std::pair(v.scanner().WindowPos(), v.scanner().FrameStart()), before);
  }
  ASSERT_EQ(v.SaveMjp({out, rig.records[1].jpegPos, rig.records[6].EndPos()}).outcome, Done);
  RecordingFile copy;
  ASSERT_TRUE(copy.open(out));
  Scanner scanner(copy);
  scanner.AllocateWindow();
  ASSERT_TRUE(scanner.SeekTo(1));
  ASSERT_EQ(scanner.FindForward(0), ScanResult::Found);
  EXPECT_TRUE(scanner.CurrentFrame()->block.empty());
  int frames = 1;
  while (scanner.FindForward(scanner.FrameEnd()) == ScanResult::Found) ++frames;
  EXPECT_EQ(frames, 6);
}

TEST(SaveAvi, EachCompressorWritesTheMarkedFramesAsKeyFrames) {
  for (const AviCompressor& c : AviCompressors()) {
    SCOPED_TRACE(c.name.toStdString());
    ExportRig rig(12);
    const QString out = rig.folder() + "/film.AVI";
    const ExportReport r = rig.run(Export::Avi, out, c.name);
    EXPECT_EQ(std::tuple(r.outcome, r.written, r.aviResult), std::tuple(Done, 5, AVIERR_OK));
    const auto s = ProbeStream(out);
    EXPECT_EQ(QStringList({s.at("nb_read_frames"), s.at("width"), s.at("height"), s.at("r_frame_rate")}),
              QStringList({"5", "320", "240", "10/1"}));
    for (const QString& f : PacketFlags(out)) EXPECT_TRUE(f.startsWith('K')) << f.toStdString();
    EXPECT_TRUE(rig.modal.shown.empty());
    ExpectIdleAfterExport(rig.v);
    EXPECT_EQ(rig.shownFrame(), 6) << "the viewer stays on the last frame converted";
  }
}

// Uncompressed and at least one lossless compressor are always offered: their first
// picture is our own decode of the frame, upright.
TEST(SaveAvi, LosslessFramesAreUprightWithTheirColours) {
  int lossless = 0;
  for (const char* name : {"raw", "ffv1", "utvideo"}) {
    bool offered = false;
    for (const auto& c : AviCompressors()) offered |= c.name == name;
    if (!offered) continue;
    ++lossless;
    SCOPED_TRACE(name);
    ExportRig rig(12, 3, 4);
    const QString out = rig.folder() + "/film.AVI";
    ASSERT_EQ(rig.run(Export::Avi, out, name).written, 2);
    const QByteArray jpeg = BytesOf(rig.path(), rig.records[3].jpegPos, rig.records[3].EndPos());
    cDIBSection dib;
    ASSERT_TRUE(LoadJpegFromMemory(dib, reinterpret_cast<const std::uint8_t*>(jpeg.constData()), jpeg.size()));
    QByteArray expected;
    for (int y = dib.Height() - 1; y >= 0; --y)
      expected.append(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()) + y * dib.BytesPerScanLine(),
                      dib.Width() * 3);
    EXPECT_TRUE(FirstPictureBgr(out) == expected) << "first decoded picture differs";
  }
  EXPECT_GE(lossless, 2);
}

TEST(SaveAvi, RateIsClampedInTheHeaderAndCancelLeavesAnEmptyFile) {
  ExportRig rig(12, 1, 2);
  const QString out = rig.folder() + "/film.AVI";
  for (const auto& [fps, rate] : std::vector<std::pair<int, const char*>>{{0, "1/1"}, {31, "30/1"}, {200, "30/1"}, {25, "25/1"}}) {
    const auto& m = rig.v.module();
    ASSERT_EQ(rig.v.SaveAvi({out, m.MarkStart, m.MarkEnd, std::uint8_t(fps), codec("mjpeg")}).outcome, Done);
    EXPECT_EQ(ProbeStream(out).at("r_frame_rate"), rate) << fps;
  }
  const ExportReport r = rig.v.SaveAvi({out, rig.v.module().MarkStart, rig.v.module().MarkEnd, 10, std::nullopt});
  EXPECT_EQ(std::tuple(r.outcome, r.written, r.aviResult), std::tuple(Cancelled, 0, AVIERR_OK));
  EXPECT_EQ(QFileInfo(out).size(), 0);
  EXPECT_TRUE(rig.modal.shown.empty());
  ExpectIdleAfterExport(rig.v);
}

// The conversion ends before a frame it cannot decode: the video holds the frames before it.
TEST(SaveAvi, EndsBeforeAnUndecodableFrame) {
  recgen::RecordingBuilder b;
  const auto good = b.Frames({.frames = 3, .width = 160, .height = 120});
  const FilePos broken = b.NextPos();
  b.Append(recgen::Bytes{0xFF, 0xD8, 0x41, 0x41, 0xFF, 0xD9});
  b.Frames({.seed = 2, .frames = 2, .width = 160, .height = 120});
  ExportRig rig(1, 0, 0);
  b.Write(rig.path().toStdString());
  rig.start();
  const QString out = rig.folder() + "/film.AVI";
  const ExportReport r = rig.v.SaveAvi({out, good[0].jpegPos, FilePos(b.Data().size()), 10, codec("mjpeg")});
  EXPECT_EQ(std::tuple(r.outcome, r.written, r.at, r.aviResult), std::tuple(Undecodable, 3, broken, AVIERR_OK));
  EXPECT_EQ(ProbeStream(out).at("nb_read_frames"), "3");
  ExpectIdleAfterExport(rig.v);
}

// The device is full after `bytes` bytes of any file written: a write past a file-size
// limit fails (EFBIG) just where one on a full disk would (ENOSPC).
struct DeviceFullAfter {
  explicit DeviceFullAfter(std::int64_t bytes) {
    FailWritesPastFileSizeLimit();
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit{static_cast<rlim_t>(bytes), old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~DeviceFullAfter() { setrlimit(RLIMIT_FSIZE, &old); }
  rlimit old{};
};

// Full*: the device fills after a share of what the export would write whole (at once;
// halfway; one byte short, so only the AVI's closing index fails). Locked: a folder without
// write permission. Missing: no such folder.
enum class Trouble { FullAtStart, FullInMiddle, FullAtEnd, Locked, Missing };

TEST(ExportFailures, ReportTheCauseCloseTheOutputAndLeaveTheViewerUsable) {
  const struct { const char* name; Export kind; const char* codec; Trouble trouble; } cases[] = {
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
    ExportRig rig;
    Viewer& v = rig.v;
    const QString codec = QString::fromLatin1(c.codec);
    const bool full = c.trouble <= Trouble::FullAtEnd;
    // What the export writes when nothing goes wrong; then the viewer plays on.
    const QString whole = rig.folder() + "/whole.out";
    ASSERT_EQ(rig.run(c.kind, whole, codec).outcome, Done);
    const qint64 wholeSize = QFileInfo(whole).size();
    v.Transport(Forward);

    const Fingerprint recording = FingerprintOf(rig.path());
    const int descriptors = openDescriptors();
    const QString out = rig.folder() + (c.trouble == Trouble::Locked    ? "/locked/out"
                                        : c.trouble == Trouble::Missing ? "/missing/out"
                                                                        : "/out");
    ExportReport r;
    if (full) {
      const std::int64_t limits[] = {100, wholeSize / 2, wholeSize - 1};  // at once, halfway, one byte short
      const DeviceFullAfter device(limits[static_cast<int>(c.trouble)]);
      r = rig.run(c.kind, out, codec);
    } else if (c.trouble == Trouble::Locked) {
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder()).constData(), 0755), 0);  // reachable, not writable
      ASSERT_TRUE(QDir().mkdir(rig.folder() + "/locked"));
      ASSERT_EQ(::chmod(QFile::encodeName(rig.folder() + "/locked").constData(), 0555), 0);
      const AsOrdinaryUser user;
      if (!user.ok()) continue;  // root cannot be anybody else here
      r = rig.run(c.kind, out, codec);
    } else {
      r = rig.run(c.kind, out, codec);
    }

    const int cause = full ? EFBIG : c.trouble == Trouble::Locked ? EACCES : ENOENT;
    EXPECT_EQ(std::pair(r.outcome, r.cause), std::pair(Failed, QString::fromLocal8Bit(std::strerror(cause))));
    EXPECT_EQ(r.aviResult != AVIERR_OK, c.kind == Export::Avi) << "the window tells the user of AVI failures only";
    EXPECT_TRUE(rig.modal.shown.empty());
    EXPECT_EQ(QFileInfo::exists(out), full);
    if (full && c.kind != Export::Avi) {  // what was written is the start of the whole
      const QByteArray partial = BytesOf(out);
      EXPECT_EQ(partial, BytesOf(whole, 1, partial.size()));
      EXPECT_LE(r.written, partial.size());
      if (c.kind == Export::Mjp) {
        EXPECT_EQ(r.at, 1 + r.written);
      }
    }
    EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
    EXPECT_TRUE(FingerprintOf(rig.path()) == recording) << "the recording was changed";
    if (c.kind == Export::Avi || (c.kind == Export::Mjp && full)) {
      ExpectIdleAfterExport(v);  // the lamps went green
    } else {
      EXPECT_EQ(v.mode(), PlayMode::Forward) << "nothing had started";
    }

    // Usable again: a step shows the next frame, and the same export succeeds elsewhere.
    v.Transport(Stop);
    const int before = rig.shownFrame();
    v.Transport(StepForward);
    EXPECT_EQ(rig.shownFrame(), before + 1);
    EXPECT_EQ(rig.run(c.kind, rig.folder() + "/again.out", codec).outcome, Done);
  }
}

// A stop is heard each time the export lets events run: the MJP copy after each piece,
// the AVI conversion before each frame. A stop left over from before the export is not.
TEST(ExportStops, EachTickGivesACompleteShorterOutput) {
  // stopAtTick 0: the stop request stands before the export starts; written: MJP bytes, AVI frames.
  const struct { const char* name; Export kind; int stopAtTick; ExportOutcome outcome; std::int64_t written; } cases[] = {
      {"MJP, after the first piece", Export::Mjp, 1, Stopped, 2'000'000},
      {"MJP, after the second piece", Export::Mjp, 2, Stopped, 3'000'000},
      {"MJP, before the last piece", Export::Mjp, 3, Done, 3'900'000},
      {"MJP, a stop left from before", Export::Mjp, 0, Done, 3'900'000},
      {"AVI, before the first frame", Export::Avi, 1, Stopped, 0},
      {"AVI, past a window move", Export::Avi, 45, Stopped, 44},
      {"AVI, before the last frame", Export::Avi, 60, Stopped, 59},
      {"AVI, a stop left from before", Export::Avi, 0, Done, 60},
  };
  ExportRig rig(260, 0, 59);  // frames 0-59: about 1 MB, so the conversion moves the window
  Viewer& v = rig.v;
  ASSERT_GT(v.module().MarkEnd - v.module().MarkStart, 2 * kWindowStep);
  ASSERT_GT(v.FileLength(), 3'900'000);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString out = rig.folder() + "/stopped.out";
    int ticks = 0;
    v.SetDoEvents([&] {
      if (++ticks == c.stopAtTick) v.Transport(Stop);  // the stop button, as the window delivers it
    });
    if (c.stopAtTick == 0) v.RequestStop();
    const ExportReport r = rig.run(c.kind, out, "mjpeg", 3'900'000);
    EXPECT_EQ(std::pair(r.outcome, r.written), std::pair(c.outcome, c.written));
    if (c.kind == Export::Mjp) {
      EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), 1, c.written));
      EXPECT_EQ(r.at, c.outcome == Stopped ? 1 + c.written : 0);
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
      ExportRig rig;
      Viewer& v = rig.v;
      const int descriptors = openDescriptors();
      v.SetDoEvents([&] {
        if (!caughtInside) throw std::runtime_error("event failed");
        v.RecoverAfterError();
        EXPECT_EQ(v.mode(), PlayMode::Exporting);
      });
      if (caughtInside) EXPECT_EQ(rig.run(kind, rig.folder() + "/out").outcome, Done);
      else EXPECT_THROW(rig.run(kind, rig.folder() + "/out"), std::runtime_error);
      EXPECT_EQ(openDescriptors(), descriptors) << "the output was left open";
      ExpectIdleAfterExport(v);
    }
  }
}

}  // namespace
