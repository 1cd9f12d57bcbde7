// The recording generator feeds every other test, so its output must be exactly what it
// claims: blocks at their offsets, JPEGs at the recorded positions, the same bytes every time.

#include "RecordingGenerator.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

using recgen::BlockKind;
using recgen::Bytes;

const std::string kIdent = "CAM-0417-A02";

std::string Text(const recgen::Block& b) { return std::string(b.begin(), b.end()); }

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::path(::testing::TempDir()) / ("recgen_" + name);
}

struct JpegHeader {
  int width = 0, height = 0, subsamp = -1, colorspace = -1;
};

JpegHeader ReadHeader(const std::uint8_t* data, std::size_t size) {
  JpegHeader h;
  tjhandle tj = tjInitDecompress();
  const int rc = tjDecompressHeader3(tj, data, static_cast<unsigned long>(size), &h.width, &h.height,
                                     &h.subsamp, &h.colorspace);
  tjDestroy(tj);
  EXPECT_EQ(rc, 0) << "JPEG header does not decode";
  return h;
}

// Index of the first FF xx pair at or after from, or npos.
std::size_t FindMarker(const Bytes& data, std::uint8_t second, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i + 1 < to; ++i)
    if (data[i] == 0xFF && data[i + 1] == second) return i;
  return std::string::npos;
}

struct MeasurementCase {
  int speed, battery;
  std::uint32_t seconds;
  const char* tail;  // offsets 16 to 31
};

TEST(RecGenBlock, MeasurementFieldsSitAtTheirOffsets) {
  const MeasurementCase cases[] = {
      {90, 204, 3600, "0000005ACC 00E10"},
      {0, 0, 0, "0000000000 00000"},
      {255, 255, 0xFFFFF, "000000FFFF FFFFF"},
      {10, 181, 0x0FFFF, "0000000AB5 0FFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(recgen::MeasurementBlock(kIdent, c.speed, c.battery, c.seconds)),
              "0000" + kIdent + c.tail)
        << c.speed << " " << c.battery << " " << c.seconds;
  }
}

TEST(RecGenBlock, OutOfRangeValuesAreRefused) {
  EXPECT_THROW(recgen::MeasurementBlock(kIdent, 256, 0, 0), std::invalid_argument);
  EXPECT_THROW(recgen::MeasurementBlock(kIdent, -1, 0, 0), std::invalid_argument);
  EXPECT_THROW(recgen::MeasurementBlock(kIdent, 0, 256, 0), std::invalid_argument);
  EXPECT_THROW(recgen::MeasurementBlock(kIdent, 0, 0, 0x100000), std::invalid_argument);
  EXPECT_THROW(recgen::MeasurementBlock("SHORT", 0, 0, 0), std::invalid_argument);
  EXPECT_THROW(recgen::MeasurementBlock("CAM-0417-A02X", 0, 0, 0), std::invalid_argument);
  EXPECT_THROW(recgen::TextTimeBlock(kIdent, "05.12.2026 14:51X"), std::invalid_argument);
}

TEST(RecGenBlock, TimeTextIsPaddedToSixteen) {
  EXPECT_EQ(Text(recgen::TextTimeBlock(kIdent, "05.12.2026 14:51")), "0001" + kIdent + "05.12.2026 14:51");
  EXPECT_EQ(Text(recgen::TextTimeBlock(kIdent, "14:51")), "0001" + kIdent + "14:51           ");
  EXPECT_EQ(Text(recgen::TextTimeBlock(kIdent, "")), "0001" + kIdent + std::string(16, ' '));
}

TEST(RecGenBlock, TimeTextFollowsTheClockAcrossMidnight) {
  EXPECT_EQ(recgen::TimeTextAt(0), "05.12.2026 08:00");
  EXPECT_EQ(recgen::TimeTextAt(3600), "05.12.2026 09:00");
  EXPECT_EQ(recgen::TimeTextAt(16 * 3600 - 1), "05.12.2026 23:59");
  EXPECT_EQ(recgen::TimeTextAt(16 * 3600), "06.12.2026 00:00");
}

recgen::Options Small() {
  recgen::Options o;
  o.width = 160;
  o.height = 120;
  o.frames = 7;
  o.textTimeEvery = 3;
  return o;
}

// Every record must describe the file exactly: blocks right before their JPEGs, no gaps,
// markers where recorded and nowhere else inside a picture.
void ExpectLayout(const Bytes& file, const std::vector<recgen::FrameRecord>& records, int w, int h) {
  ASSERT_FALSE(records.empty());
  std::int64_t next = 1;
  for (const auto& r : records) {
    SCOPED_TRACE("picture " + std::to_string(r.picture) + " at " + std::to_string(r.jpegPos));
    if (r.kind != BlockKind::None) {
      EXPECT_EQ(r.blockPos, next);
      EXPECT_EQ(r.jpegPos, r.blockPos + 32);
      const auto* block = &file[static_cast<std::size_t>(r.blockPos - 1)];
      EXPECT_EQ(std::count(block, block + 32, 0xFF), 0);
      const recgen::Block expected = r.kind == BlockKind::TextTime
                                         ? recgen::TextTimeBlock(kIdent, r.timeText)
                                         : recgen::MeasurementBlock(kIdent, r.speedKmh, r.batteryRaw, r.seconds);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block));
    } else {
      EXPECT_EQ(r.jpegPos, next);
    }
    const auto start = static_cast<std::size_t>(r.jpegPos - 1);
    const auto end = static_cast<std::size_t>(r.EndPos() - 1);  // index of the 0xD9
    ASSERT_LT(end, file.size());
    EXPECT_EQ(FindMarker(file, 0xD8, start, end + 1), start);
    EXPECT_EQ(FindMarker(file, 0xD9, start, end + 1), end - 1);
    const JpegHeader hdr = ReadHeader(&file[start], r.jpegSize);
    EXPECT_EQ(hdr.width, w);
    EXPECT_EQ(hdr.height, h);
    next = r.EndPos() + 1;
  }
  EXPECT_EQ(static_cast<std::int64_t>(file.size()), next - 1);
}

TEST(RecGenFile, RecordsDescribeTheWrittenFile) {
  const auto path = TempPath("layout.mjp");
  const auto o = Small();
  const auto records = recgen::WriteRecording(path.string(), o);
  ASSERT_EQ(records.size(), 7u);
  ExpectLayout(ReadAll(path), records, 160, 120);
  for (std::size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(records[i].kind, (i + 1) % 3 == 0 ? BlockKind::TextTime : BlockKind::Measurement) << i;
  std::filesystem::remove(path);
}

TEST(RecGenFile, FirstFrameWithoutBlockStartsTheFile) {
  auto o = Small();
  o.noFirstBlock = true;
  recgen::RecordingBuilder b;
  const auto records = b.Frames(o);
  EXPECT_EQ(records[0].kind, BlockKind::None);
  EXPECT_EQ(records[0].blockPos, 0);
  EXPECT_EQ(records[0].jpegPos, 1);
  EXPECT_EQ(records[1].blockPos, records[0].EndPos() + 1);
  ExpectLayout(b.Data(), records, 160, 120);
}

TEST(RecGenFile, SameSeedSameBytesOtherSeedOtherBytes) {
  const auto path = TempPath("determinism.mjp");
  const auto o = Small();
  recgen::WriteRecording(path.string(), o);
  recgen::RecordingBuilder same;
  same.Frames(o);
  EXPECT_EQ(ReadAll(path), same.Data());

  auto other = o;
  other.seed = 2;
  recgen::RecordingBuilder differs;
  differs.Frames(other);
  EXPECT_NE(differs.Data(), same.Data());
  std::filesystem::remove(path);
}

TEST(RecGenFile, ClockBatteryAndSpeedsStayInTheirRanges) {
  recgen::Options o;
  o.width = o.height = 16;
  o.frames = 300;
  o.cameraFps = 4;
  o.startSeconds = 0xFFFFE;
  recgen::RecordingBuilder b;
  const auto records = b.Frames(o);
  int moving = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    // The five-digit counter wraps after 0xFFFFF.
    EXPECT_EQ(records[i].seconds, (0xFFFFEu + i / 4) & 0xFFFFF) << i;
    EXPECT_GE(records[i].batteryRaw, 180);
    EXPECT_LE(records[i].batteryRaw, 205);
    EXPECT_LE(records[i].speedKmh, 255);
    moving += records[i].speedKmh > 0;
  }
  // A demo must show both a measured vehicle and an empty road.
  EXPECT_GT(moving, 0);
  EXPECT_LT(moving, 300);
}

TEST(RecGenFile, TargetSizeCyclesPicturesAndNeverOvershoots) {
  auto o = Small();
  o.targetSize = 100'000;
  o.uniqueFrames = 3;
  recgen::RecordingBuilder b;
  b.Append("junk");
  const auto records = b.Frames(o);
  const std::int64_t added = b.NextPos() - 5;
  EXPECT_LE(added, 100'000);
  EXPECT_GT(added + 32 + static_cast<std::int64_t>(records[0].jpegSize), 100'000);
  ASSERT_GT(records.size(), 3u);
  EXPECT_EQ(records[0].blockPos, 5);
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].picture, static_cast<int>(i % 3));
    EXPECT_EQ(records[i].jpegSize, records[i % 3].jpegSize);
  }
  // Blocks keep counting even though the pictures repeat.
  EXPECT_GT(records.back().seconds, records[0].seconds);
}

TEST(RecGenJpeg, DefaultFramesAreCameraSizedAndDiffer) {
  const Bytes first = recgen::EncodeScene(7, 0);
  for (int frame : {0, 1, 37, 299}) {
    const Bytes jpeg = recgen::EncodeScene(7, frame);
    EXPECT_GE(jpeg.size(), 25'000u) << frame;
    EXPECT_LE(jpeg.size(), 70'000u) << frame;
    if (frame != 0) {
      EXPECT_NE(jpeg, first);
    }
    const JpegHeader h = ReadHeader(jpeg.data(), jpeg.size());
    EXPECT_EQ(h.width, 640);
    EXPECT_EQ(h.height, 480);
    EXPECT_EQ(h.subsamp, TJSAMP_420);
  }
}

TEST(RecGenJpeg, GreyPicturesHaveOneComponent) {
  const Bytes jpeg = recgen::EncodeScene(3, 5, 200, 100, 75, true);
  const JpegHeader h = ReadHeader(jpeg.data(), jpeg.size());
  EXPECT_EQ(h.colorspace, TJCS_GRAY);
  EXPECT_EQ(h.subsamp, TJSAMP_GRAY);
  EXPECT_EQ(h.width, 200);
  EXPECT_EQ(h.height, 100);
}

TEST(RecGenFailure, UnwritablePathThrowsAndBadOptionsLeaveNoFile) {
  const auto missingDir = TempPath("no-such-dir") / "x.mjp";
  try {
    recgen::WriteRecording(missingDir.string(), Small());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(missingDir.string()), std::string::npos) << e.what();
  }
  auto bad = Small();
  bad.ident = "TOO-SHORT";
  const auto path = TempPath("bad.mjp");
  EXPECT_THROW(recgen::WriteRecording(path.string(), bad), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(RecGenFailure, FullDiskIsReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_THROW(recgen::WriteRecording("/dev/full", Small()), std::runtime_error);
}

}  // namespace
