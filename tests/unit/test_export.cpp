// The exports: what they write, and what a full device, a missing folder, a stop or an error does.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>

#include "dib/cDIBSection.h"
#include "platform/FileSizeLimit.h"
#include "recording/JpegModule.h"
#include "viewer/OutputFile.h"
#include "support/FileContents.h"
#include "support/Probe.h"
#include "support/ViewerRig.h"

namespace {

enum class Export { Jpeg, Mjp, Avi };
using enum ExportOutcome;

// A viewer on `frames` frames (about 16 kB each), stopped, with frames first to last marked.
struct ExportRig : ViewerRig {
  explicit ExportRig(int frames = 220, int first = 2, int last = 6) : ViewerRig(frames) {
    start();
    markForward(first, last);
  }
  // The frame on screen; MJP bytes 1 to `to` (more than one piece); the marked frames as AVI.
  ExportReport run(Export kind, const QString& out, const QString& compressor = "mjpeg", FilePos to = 2'500'000,
                   std::uint8_t fps = 10, bool keepOnFailure = true) {
    if (kind == Export::Jpeg)
      return v.SaveJpeg(
          {out, v.CurrentFrameBytes().value_or(std::vector<std::uint8_t>{}), std::nullopt, {}, keepOnFailure});
    if (kind == Export::Mjp) return v.SaveMjp({out, 1, to, keepOnFailure});
    return v.SaveAvi({out, v.module().MarkStart, v.module().MarkEnd, fps, AVICOMPRESSOPTIONS{.codec = compressor},
                      std::nullopt, keepOnFailure});
  }
};

// The surface's picture as top-down BGR rows without padding, as ffmpeg hands a decoded picture out.
QByteArray TopDownBgr(const cDIBSection& dib) {
  QByteArray rows;
  for (int y = dib.Height() - 1; y >= 0; --y)
    rows.append(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()) + y * dib.BytesPerScanLine(), dib.Width() * 3);
  return rows;
}

bool Decode(cDIBSection& dib, const QByteArray& jpeg) {
  return LoadJpegFromMemory(dib, reinterpret_cast<const std::uint8_t*>(jpeg.data()), std::int32_t(jpeg.size()));
}

// The frame's own bytes, over a longer file in the way. With the camera's data asked for, a copy beside it ("-opis"
// before the extension) at quality 95 differs only in the band. Without a frame nothing is written; a folder is
// never removed.
TEST(SaveJpeg, WritesTheFramesBytesAndAnAnnotatedCopy) {
  ExportRig rig(8, 2, 2);
  const QString out = rig.folder() + "/klatka.jpeg", copy = rig.folder() + "/klatka-opis.jpeg";
  ASSERT_TRUE(QFile(out).open(QIODevice::WriteOnly) && QFile::resize(out, 300'000));
  const ExportReport r = rig.v.SaveJpeg({out, *rig.v.CurrentFrameBytes(), OverlayRequest{}, {"CAM", "10:15", "87"}});
  EXPECT_EQ(std::tuple(r.outcome, r.written, r.at, rig.v.mode()),
            std::tuple(Done, std::int64_t(rig.records[2].jpegSize), FilePos{0}, PlayMode::Stopped));
  EXPECT_EQ(BytesOf(out), BytesOf(rig.path(), rig.records[2].jpegPos, rig.records[2].EndPos()));
  cDIBSection original, annotated;
  ASSERT_TRUE(Decode(original, BytesOf(out)) && Decode(annotated, BytesOf(copy)));
  ASSERT_EQ(std::pair(annotated.Width(), annotated.Height()), std::pair(original.Width(), original.Height()));
  const QRect band = FrameOverlay::BandRect(original.Width(), original.Height(), OverlayPlace::Bottom);
  double outside = 0, inside = 0;  // mean change of a byte
  const QByteArray x = TopDownBgr(original), y = TopDownBgr(annotated);
  const qsizetype bandStart = qsizetype(band.top()) * original.Width() * 3;
  for (qsizetype i = 0; i < x.size(); ++i) (i < bandStart ? outside : inside) += std::abs(x[i] - y[i]);
  EXPECT_LT(outside / double(bandStart), 2.0);
  EXPECT_GT(inside / double(x.size() - bandStart), 20.0);
  for (const auto& [path, expected] : {std::pair{"d/a.b.JPG", "d/a.b-opis.JPG"}, {"d/bez", "d/bez-opis"}})
    EXPECT_EQ(OverlayCopyPath(path), expected);
  const QString none = rig.folder() + "/none.jpeg";  // nothing of that name: it may be written
  EXPECT_EQ(rig.v.SaveJpeg({none, {}}).outcome, Failed);
  EXPECT_EQ(std::tuple(QFile::exists(none), MayReplace(out), MayReplace(none), MayReplace(rig.folder())),
            std::tuple(false, true, true, false));
}

// At every size the band lies along the chosen edge inside the picture, darkens what it covers and carries white
// text; no other byte changes (row padding included), and Restore puts back what it covered.
TEST(FrameOverlay, OnlyTheBandChangesAndRestoreUndoesIt) {
  using enum OverlayPlace;
  using Case = std::tuple<int, int, OverlayPlace>;
  for (const auto& [w, h, place] : {Case{320, 240, Bottom}, {641, 480, Top}, {1920, 1080, Bottom}, {63, 5, Top}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(w, h));
    std::memset(dib.DIBSectionBitsPtr(), 128, dib.SizeImage());
    const std::vector<std::uint8_t> before(dib.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr() + dib.SizeImage());
    const QRect band = FrameOverlay::BandRect(w, h, place);
    EXPECT_EQ(std::tuple(band.left(), band.width(), place == Top ? band.top() : band.bottom()),
              std::tuple(0, w, place == Top ? 0 : h - 1));
    EXPECT_GE(band.height(), std::min(h, 18));
    FrameOverlay overlay;
    overlay.Draw(dib, "CAM-0417-A02  06.12.2026   10:15  123 km/h", place);
    int dark = 0, white = 0, changedOutside = 0;
    for (int y = 0; y < h; ++y)
      for (int i = 0; i < dib.BytesPerScanLine(); ++i) {
        const std::uint8_t v = dib.DIBSectionBitsPtr()[std::size_t(h - 1 - y) * dib.BytesPerScanLine() + i];
        const bool inBand = band.contains(i / 3, y) && i < 3 * w;
        if (!inBand) changedOutside += v != 128;
        else dark += v<128, white += v> 200;
      }
    EXPECT_EQ(changedOutside, 0);
    EXPECT_GT(dark, band.width() * band.height());  // most of the band's bytes
    EXPECT_GT(white, 0);
    overlay.Restore(dib);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), dib.DIBSectionBitsPtr()));
  }
}

// Pieces of 1,000,000 bytes, events let run and the caption set between them; the window stays.
TEST(SaveMjp, CopiesTheRangeInPiecesWithCaptions) {
  using Case = std::tuple<FilePos, FilePos, QStringList>;  // lblSave each time events were let run
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
  const Case kCases[] = {{5, 1, {}},
                         {1, 1'000'000, {}},
                         {7, 1'000'001, {done}},
                         {33, 3'500'000, {done, p + "57%", p + "85%"}},
                         {1, 3'000'000, {done, p + "66%"}}};
  for (const auto& [start, length, captionsSeen] : kCases) {
    SCOPED_TRACE(length);
    seen.clear();
    const FilePos to = start + length - 1;
    const ExportReport r = v.SaveMjp({out, start, to});
    EXPECT_EQ(std::tuple(r.outcome, r.written, r.at), std::tuple(Done, length, FilePos{0}));
    EXPECT_EQ(std::tuple(BytesOf(out), seen, v.screen().lblSave),
              std::tuple(BytesOf(rig.path(), start, to), captionsSeen, done));
    ExpectIdleAfterExport(v);
    EXPECT_EQ(std::pair(v.scanner().WindowPos(), v.scanner().FrameStart()), before);
  }
}

// The marked frames, the rate clamped, the viewer on the last frame; a cancel: an empty file. (That the frames are
// the viewer's own pictures, upright: OverlayCarriesEachFramesOwnPanelTexts.)
TEST(SaveAvi, WritesTheMarkedFramesAtTheClampedRate) {
  ExportRig rig(12);
  const QString out = rig.folder() + "/film.AVI";
  const ExportReport r = rig.run(Export::Avi, out, "raw");
  EXPECT_EQ(std::tuple(r.outcome, r.written, r.aviResult), std::tuple(Done, 5, AVIERR_OK));
  const auto s = ProbeStream(out);
  EXPECT_EQ(QStringList({s.at("nb_read_frames"), s.at("width"), s.at("height"), s.at("r_frame_rate")}),
            QStringList({"5", "320", "240", "10/1"}));
  EXPECT_EQ(rig.shownFrame(), 6);
  for (const auto& [fps, rate] : std::vector<std::pair<int, const char*>>{{0, "1/1"}, {31, "30/1"}}) {
    ASSERT_EQ(rig.run(Export::Avi, out, "mjpeg", 0, std::uint8_t(fps)).outcome, Done);
    EXPECT_EQ(ProbeStream(out).at("r_frame_rate"), rate) << fps;
  }
  const ExportReport cancelled =
      rig.v.SaveAvi({out, rig.v.module().MarkStart, rig.v.module().MarkEnd, 10, std::nullopt});
  EXPECT_EQ(std::tuple(cancelled.outcome, cancelled.written, cancelled.aviResult), std::tuple(Cancelled, 0, AVIERR_OK));
  EXPECT_EQ(std::pair(QFileInfo(out).size(), rig.modal.shown.empty()), std::pair(qint64{0}, true));
  ExpectIdleAfterExport(rig.v);
}

// Each written frame is its own picture with its own panel's caption laid over it: a measurement, a hidden
// speed (0 km/h), a time text; the time correction applies; at either edge, in any format. The captions are
// worked out by hand; the pictures are the viewer's own with FrameOverlay's band. The video ends before a frame it
// cannot decode.
TEST(SaveAvi, OverlayCarriesEachFramesOwnPanelTextsUpToAnUndecodableFrame) {
  recgen::RecordingBuilder b;
  b.Fill(100, ' ');  // the first frame's block lies inside the window
  const auto frame = [&](const recgen::Block& block, int k) {
    b.Append(block).Append(recgen::EncodeScene(3, k, 160, 120));
  };
  frame(recgen::MeasurementBlock("CAM-0417-A02", 87, 200, 3600), 0);
  frame(recgen::MeasurementBlock("CAM-0417-A02", 0, 200, 4000), 1);
  frame(recgen::TextTimeBlock("CAM-0417-A02", "06.12.2026 10:15"), 2);
  frame(recgen::MeasurementBlock("CAM-0417-A02", 123, 200, 4001), 3);
  const FilePos broken = b.NextPos();
  b.Append(recgen::Bytes{0xFF, 0xD8, 0x41, 0x41, 0xFF, 0xD9});
  frame(recgen::MeasurementBlock("CAM-0417-A02", 50, 200, 4002), 4);
  ViewerRig rig(b.Data());
  rig.start();
  const QString out = rig.folder() + "/opis.AVI";
  using Case =
      std::tuple<std::int16_t, OverlayRequest, QStringList>;  // power-on minutes, overlay, each frame's caption
  const Case kCases[] = {{0,
                          {},
                          {"CAM-0417-A02  001:00:00  87 km/h", "CAM-0417-A02  001:06:40",
                           "CAM-0417-A02  06.12.2026   10:15", "CAM-0417-A02  001:06:41  123 km/h"}},
                         {605,
                          {"{speed} @ {time}", OverlayPlace::Top},
                          {"87 km/h @ 11:05:00", "@ 11:11:40", "@ 06.12.2026   10:15", "123 km/h @ 11:11:41"}}};
  for (const auto& [powerOn, overlay, captions] : kCases) {
    SCOPED_TRACE(powerOn);
    rig.v.SetPowerOnMinutes(powerOn);
    const ExportReport r =
        rig.v.SaveAvi({out, 1, FilePos(b.Data().size()), 10, AVICOMPRESSOPTIONS{.codec = "raw"}, overlay});
    ASSERT_EQ(std::tuple(r.outcome, r.written, r.at, r.aviResult), std::tuple(Undecodable, 4, broken, AVIERR_OK));
    ExpectIdleAfterExport(rig.v);
    const QByteArray written = FirstPictureBgr(out, true);
    const qsizetype size = 160 * 120 * 3;
    ASSERT_EQ(written.size(), 4 * size);
    rig.v.Transport(ToStart);
    for (int k = 0; k < 4; ++k, rig.v.Transport(StepForward)) {
      const QString caption = OverlayCaption(overlay.format, PanelTextsOf(rig.v.screen()));
      EXPECT_EQ(caption.toStdString(), captions[k].toStdString());
      cDIBSection expected;
      const cDIBSection& shown = *rig.v.FrameDib();
      ASSERT_TRUE(expected.Create(shown.Width(), shown.Height()));
      std::memcpy(expected.DIBSectionBitsPtr(), shown.DIBSectionBitsPtr(), shown.SizeImage());
      FrameOverlay().Draw(expected, caption, overlay.place);
      EXPECT_TRUE(written.mid(k * size, size) == TopDownBgr(expected)) << "frame " << k;
    }
  }
}

// Full after `bytes`: a write past the file-size limit fails (EFBIG) where a full disk would (ENOSPC).
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

// How an export ends early: the device full after n bytes (1: 100, at once; 2: halfway; 3: one byte short, the AVI
// index), its folder missing, the stop button the nth time events run (0: one left from before, not heard), an
// error thrown from an event (it passes out of the export; recovered: a nested handler catches it, the export goes
// on). A stop is heard after each MJP piece of 1,000,000 bytes and before each AVI frame.
enum class End { Full, Missing, StopAt, Thrown, Recovered };

TEST(ExportsEndingEarly, ReportTheCauseCloseTheOutputAndLeaveTheViewerUsable) {
  using enum End;
  // The last: written; -1: any.
  const std::tuple<const char*, Export, const char*, End, int, ExportOutcome, std::int64_t> cases[] = {
      {"JPEG, device full", Export::Jpeg, "", Full, 2, Failed, -1},
      {"JPEG, missing folder", Export::Jpeg, "", Missing, 0, Failed, 0},
      {"MJP, device full at once", Export::Mjp, "", Full, 1, Failed, -1},
      {"MJP, full in the second piece", Export::Mjp, "", Full, 2, Failed, -1},
      {"MJP, missing folder", Export::Mjp, "", Missing, 0, Failed, 0},
      {"MJP, stopped after the first piece", Export::Mjp, "", StopAt, 1, Stopped, 2'000'000},
      {"MJP, stopped before the last piece", Export::Mjp, "", StopAt, 3, Done, 3'900'000},
      {"MJP, a stop left from before", Export::Mjp, "", StopAt, 0, Done, 3'900'000},
      {"MJP, an error", Export::Mjp, "", Thrown, 0, Failed, -1},
      {"MJP, an error recovered from", Export::Mjp, "", Recovered, 0, Done, 3'900'000},
      {"AVI raw, full at the header", Export::Avi, "raw", Full, 1, Failed, -1},
      {"AVI raw, full among frames", Export::Avi, "raw", Full, 2, Failed, -1},
      {"AVI mjpeg, full at the index", Export::Avi, "mjpeg", Full, 3, Failed, -1},
      {"AVI copy, full among frames", Export::Avi, "copy", Full, 2, Failed, -1},
      {"AVI, missing folder", Export::Avi, "raw", Missing, 0, Failed, 0},
      {"AVI, stopped before the first frame", Export::Avi, "mjpeg", StopAt, 1, Stopped, 0},
      {"AVI, stopped past a window move", Export::Avi, "mjpeg", StopAt, 45, Stopped, 44},
      {"AVI, stopped before the last frame", Export::Avi, "mjpeg", StopAt, 60, Stopped, 59},
      {"AVI, a stop left from before", Export::Avi, "mjpeg", StopAt, 0, Done, 60},
      {"AVI, an error", Export::Avi, "mjpeg", Thrown, 0, Failed, -1},
      {"AVI, an error recovered from", Export::Avi, "mjpeg", Recovered, 0, Done, 60}};
  ExportRig rig(260, 0, 59);  // about 1 MB marked, so the conversion moves the window
  Viewer& v = rig.v;
  ASSERT_TRUE(v.module().MarkEnd - v.module().MarkStart > 2 * kWindowStep && v.FileLength() > 3'900'000);
  for (const auto& [name, kind, codec, end, n, outcome, written] : cases) {
    SCOPED_TRACE(name);
    const QString whole = rig.folder() + "/whole.out", out = rig.folder() + (end == Missing ? "/missing/out" : "/out");
    v.SetDoEvents([] {});
    ASSERT_EQ(rig.run(kind, whole, codec, 3'900'000).outcome, Done);
    const std::int64_t limits[] = {0, 100, QFileInfo(whole).size() / 2, QFileInfo(whole).size() - 1};
    int ticks = 0;
    v.SetDoEvents([&] {
      if (end == Thrown) throw std::runtime_error("event failed");
      if (end == Recovered) v.RecoverAfterError();
      EXPECT_EQ(v.mode(), PlayMode::Exporting);
      if (end == StopAt && ++ticks == n) v.Transport(Stop);  // the stop button, as the window delivers it
    });
    v.Transport(Forward);
    if (end == StopAt && n == 0) v.RequestStop();
    const Fingerprint recording = FingerprintOf(rig.path());
    const int descriptors = OpenDescriptors();
    ExportReport r;
    bool thrown = false;
    try {
      std::optional<DeviceFullAfter> device;
      if (end == Full) device.emplace(limits[n]);
      r = rig.run(kind, out, codec, 3'900'000);
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    const int error = end == Full ? EFBIG : end == Missing ? ENOENT : 0;
    EXPECT_EQ(thrown, end == Thrown);
    if (!thrown) {
      EXPECT_EQ(std::pair(r.outcome, r.cause), std::pair(outcome, error ? QString(std::strerror(error)) : ""));
      EXPECT_TRUE(written < 0 || r.written == written) << r.written;
      // Failed among the frames (0 to 59): the viewer stays on the frame whose write failed.
      const bool amongFrames = kind == Export::Avi && end == Full && r.written > 0 && r.written < 60;
      EXPECT_TRUE(!amongFrames || rig.shownFrame() == r.written) << rig.shownFrame();
    }
    // The window tells the user of AVI failures only.
    EXPECT_EQ(std::tuple(r.aviResult != AVIERR_OK, rig.modal.shown.empty(), QFileInfo::exists(out)),
              std::tuple(kind == Export::Avi && error, true, end != Missing));
    if (kind != Export::Avi && end != Missing && end != Thrown) {  // what was written is the start of the whole
      const QByteArray partial = BytesOf(out);
      EXPECT_EQ(partial, BytesOf(whole, 1, partial.size()));
      EXPECT_TRUE(end == Full ? r.written <= partial.size() : r.written == partial.size());
      EXPECT_TRUE(kind != Export::Mjp || r.at == (r.outcome == Done ? 0 : 1 + r.written)) << r.at;
    }
    if (kind == Export::Avi && end == StopAt) {  // a readable video; ffprobe counts no frames as "N/A"
      const auto stream = ProbeStream(out);
      EXPECT_EQ(stream.at("codec_name") + ' ' + stream.at("nb_read_frames"),
                "mjpeg " + (written ? QString::number(written) : "N/A"));
    }
    EXPECT_EQ(OpenDescriptors(), descriptors) << "the output was left open";
    EXPECT_TRUE(FingerprintOf(rig.path()) == recording) << "the recording was changed";
    // A JPEG export, or an MJP one without its folder, had nothing started: the viewer plays on.
    if (kind == Export::Jpeg || (end == Missing && kind == Export::Mjp)) EXPECT_EQ(v.mode(), PlayMode::Forward);
    else ExpectIdleAfterExport(v);
    v.SetDoEvents([] {});
    v.Transport(Stop);  // usable again: a step shows the next frame, and the export succeeds elsewhere
    const int before = rig.shownFrame();
    v.Transport(StepForward);
    // A conversion stopped before its first frame leaves the scanner at the range's start, without a frame shown
    // from there: the step shows the range's first frame.
    EXPECT_TRUE(rig.shownFrame() == before + 1 || end == StopAt || end == Thrown) << rig.shownFrame();
    EXPECT_EQ(rig.run(kind, rig.folder() + "/again.out", codec, 3'900'000).outcome, Done);
  }
}

// An export writes under a temporary name beside its output and moves it over the name when it ends, so until then
// the name keeps the file it had, whole. A write that fails leaves what was written there when the request keeps
// it (the window), otherwise the old file. Temporaries that ended runs left for that name go; a live run's stay.
TEST(ExportOutputs, AppearUnderTheirNameOnlyWhenTheExportEnds) {
  ExportRig rig(260, 0, 59);
  Viewer& v = rig.v;
  const QString out = rig.folder() + "/out", dead = rig.folder() + "/.out.part-2147483000",
                live = rig.folder() + "/.out.part-1",
                mine = rig.folder() + QStringLiteral("/.out.part-%1").arg(getpid());
  const QByteArray old = "the old file";
  const auto temporaries = [&] {
    return QDir(rig.folder()).entryList({".out.part-*"}, QDir::Files | QDir::Hidden, QDir::Name);
  };
  for (const Export kind : {Export::Jpeg, Export::Mjp, Export::Avi})
    for (const bool full : {false, true})
      for (const bool keep : {true, false}) {
        SCOPED_TRACE(testing::Message() << int(kind) << " full " << full << " keep " << keep);
        v.SetDoEvents([] {});
        ASSERT_EQ(rig.run(kind, out, "mjpeg", 3'900'000).outcome, Done);
        const QByteArray whole = BytesOf(out);
        for (const QString& f : {out, dead, live}) WriteFile(f, old);
        int checks = 0;
        v.SetDoEvents([&] {
          ++checks;
          EXPECT_EQ(BytesOf(out), old);
          EXPECT_TRUE(QFile::exists(mine));
        });
        ExportReport r;
        {
          std::optional<DeviceFullAfter> device;
          if (full) device.emplace(whole.size() / 2);
          r = rig.run(kind, out, "mjpeg", 3'900'000, 10, keep);
        }
        EXPECT_EQ(checks > 0, kind != Export::Jpeg);
        EXPECT_EQ(std::pair(r.outcome, r.cause),
                  full ? std::pair(Failed, QString(std::strerror(EFBIG))) : std::pair(Done, QString()));
        const QByteArray now = BytesOf(out);
        if (!full) EXPECT_EQ(now, whole);
        else if (keep) EXPECT_TRUE(!now.isEmpty() && now.size() < whole.size() && now != old);
        else EXPECT_EQ(now, old);
        EXPECT_EQ(temporaries(), QStringList{".out.part-1"});
        QFile::remove(live);
      }
}

}  // namespace
