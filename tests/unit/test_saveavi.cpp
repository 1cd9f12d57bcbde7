// The AVI conversion end to end through the AVI layer, checked with ffprobe and
// ffmpeg: frame count, rate, size, key frames, orientation and colours, cancel.
// Failures and stops: test_export_failures.cpp.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "dib/cDIBSection.h"
#include "recording/JpegModule.h"
#include "support/Probe.h"
#include "support/ViewerRig.h"

namespace {

AVICOMPRESSOPTIONS codec(const char* name) {
  AVICOMPRESSOPTIONS o;
  o.codec = QString::fromLatin1(name);
  return o;
}

struct Conversion {
  ViewerRig rig{12};
  QString out;
  explicit Conversion(int first = 2, int last = 6) {
    rig.start();
    rig.markForward(first, last);
    out = rig.folder() + "/film.AVI";
    rig.modal.files.push_back(out);
  }
  ExportResult run(const AVICOMPRESSOPTIONS& options, int speed = 10) {
    rig.modal.compressorAnswers.push_back(options);
    rig.v.module.AviSpeed = static_cast<std::uint8_t>(speed);
    return rig.v.SaveAvi();
  }
};

TEST(SaveAvi, EachCompressorWritesTheMarkedFramesAsKeyFrames) {
  for (const AviCompressor& c : AviCompressors()) {
    SCOPED_TRACE(c.name.toStdString());
    Conversion conv;
    ASSERT_EQ(conv.run(codec(c.name.toLatin1().constData())), ExportResult::Done);
    const auto s = ProbeStream(conv.out);
    EXPECT_EQ(s.at("nb_read_frames"), "5");
    EXPECT_EQ(s.at("width"), "320");
    EXPECT_EQ(s.at("height"), "240");
    EXPECT_EQ(s.at("r_frame_rate"), "10/1");
    for (const QString& f : PacketFlags(conv.out)) EXPECT_TRUE(f.startsWith('K')) << f.toStdString();
    EXPECT_TRUE(conv.rig.modal.shown.empty());
    ExpectIdleAfterExport(conv.rig.v);
  }
}

// Uncompressed and at least one lossless compressor are always offered.
TEST(SaveAvi, LosslessFramesAreUprightWithTheirColours) {
  int lossless = 0;
  for (const char* name : {"raw", "ffv1", "utvideo"}) {
    bool offered = false;
    for (const auto& c : AviCompressors()) offered |= c.name == name;
    if (!offered) continue;
    ++lossless;
    SCOPED_TRACE(name);
    Conversion conv(3, 4);
    ASSERT_EQ(conv.run(codec(name)), ExportResult::Done);
    // Our own decode of frame 3, turned top-down.
    const auto& f = conv.rig.records[3];
    QFile src(conv.rig.path());
    ASSERT_TRUE(src.open(QIODevice::ReadOnly));
    const QByteArray all = src.readAll();
    cDIBSection dib;
    ASSERT_TRUE(LoadJpegFromMemory(dib, reinterpret_cast<const std::uint8_t*>(all.constData()) + f.jpegPos - 1,
                                   static_cast<std::int32_t>(f.jpegSize)));
    QByteArray expected;
    for (int y = dib.Height() - 1; y >= 0; --y)
      expected.append(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()) + y * dib.BytesPerScanLine(),
                      dib.Width() * 3);
    const QByteArray got = FirstPictureBgr(conv.out);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "first decoded picture differs";
  }
  EXPECT_GE(lossless, 2);
}

TEST(SaveAvi, RateIsClampedInTheHeaderOnly) {
  for (const auto& [speed, rate] : std::vector<std::pair<int, const char*>>{{0, "1/1"}, {31, "30/1"}, {200, "30/1"}, {25, "25/1"}}) {
    Conversion conv(1, 2);
    ASSERT_EQ(conv.run(codec("mjpeg"), speed), ExportResult::Done);
    EXPECT_EQ(ProbeStream(conv.out).at("r_frame_rate"), rate);
    EXPECT_EQ(conv.rig.v.module.AviSpeed, speed);
  }
}

TEST(SaveAvi, TwoConsecutiveFramesGiveTwoSamples) {
  Conversion conv(4, 5);
  ASSERT_EQ(conv.run(codec("raw")), ExportResult::Done);
  EXPECT_EQ(ProbeStream(conv.out).at("nb_read_frames"), "2");
  // The viewer stays on the last frame converted; the marks are unchanged.
  EXPECT_EQ(conv.rig.shownFrame(), 5);
  EXPECT_EQ(conv.rig.v.module.MarkStart, conv.rig.records[4].jpegPos);
}

TEST(SaveAvi, CancelledCompressorLeavesTheEmptyFileAndNoMessage) {
  Conversion conv;
  EXPECT_EQ(conv.rig.v.SaveAvi(), ExportResult::Cancelled);  // no answer queued: cancel
  EXPECT_EQ(conv.rig.modal.compressorShown, 1);
  EXPECT_TRUE(QFile::exists(conv.out));
  EXPECT_TRUE(conv.rig.modal.shown.empty());
  ExpectIdleAfterExport(conv.rig.v);
  EXPECT_EQ(conv.rig.modal.fileRequests.back().fileName, "Sekwencja.AVI");
  EXPECT_EQ(conv.rig.modal.fileRequests.back().filter, "plik wideo (*.AVI)|*.AVI|wszystkie pliki (*.*)|*.*");
}

}  // namespace
