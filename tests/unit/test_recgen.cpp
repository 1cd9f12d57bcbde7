// The recording generator that the other tests take their fixtures from.
#include "RecordingGenerator.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <memory>

const std::string kIdent = "CAM-0417-A02";

static std::string Text(const recgen::Block& b) { return std::string(b.begin(), b.end()); }

TEST(RecGen, BlocksHoldTheirFieldsAtTheirOffsets) {
  EXPECT_EQ(Text(recgen::MeasurementBlock(kIdent, 90, 204, 3600)), "0000" + kIdent + "0000005ACC 00E10");
  EXPECT_EQ(Text(recgen::MeasurementBlock(kIdent, 255, 255, 0xFFFFF)), "0000" + kIdent + "000000FFFF FFFFF");
  EXPECT_EQ(Text(recgen::TextTimeBlock(kIdent, "14:51")), "0001" + kIdent + "14:51           ");
}

// Each record matches the file: block right before a decodable JPEG, no gaps, markers only where recorded.
TEST(RecGen, RecordsDescribeTheFileByteForByte) {
  std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitDecompress(), tjDestroy);
  std::vector<std::uint8_t> rgb(160 * 120 * 3);
  for (const bool grey : {false, true}) {
    recgen::RecordingBuilder builder;
    const auto records = builder.Frames(
        {.seed = 1, .frames = 7, .width = 160, .height = 120, .grey = grey, .textTimeEvery = 3, .noFirstBlock = grey});
    const recgen::Bytes& file = builder.Data();
    ASSERT_TRUE(records.size() == 7 && (records[0].kind == recgen::BlockKind::None) == grey) << records.size();
    std::int64_t next = 1;
    for (const recgen::FrameRecord& r : records) {
      SCOPED_TRACE((grey ? "grey JPEG at " : "colour JPEG at ") + std::to_string(r.jpegPos));
      if (r.kind != recgen::BlockKind::None) {
        const recgen::Block block = r.kind == recgen::BlockKind::TextTime
                                        ? recgen::TextTimeBlock(kIdent, r.timeText)
                                        : recgen::MeasurementBlock(kIdent, r.speedKmh, r.batteryRaw, r.seconds);
        ASSERT_EQ(r.blockPos, next);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin() + (next - 1)));
        next += 32;
      }
      ASSERT_TRUE(r.jpegPos == next && r.EndPos() <= static_cast<std::int64_t>(file.size())) << r.EndPos();
      const std::uint8_t* jpeg = file.data() + (next - 1);
      const std::string_view bytes(reinterpret_cast<const char*>(jpeg), r.jpegSize);
      EXPECT_EQ(std::pair(bytes.find("\xFF\xD8"), bytes.find("\xFF\xD9")), std::pair(std::size_t{0}, r.jpegSize - 2));
      int width = 0, height = 0, subsamp = 0, colorspace = 0;
      ASSERT_EQ(tjDecompressHeader3(tj.get(), jpeg, r.jpegSize, &width, &height, &subsamp, &colorspace), 0);
      EXPECT_EQ(std::tuple(width, height, colorspace == TJCS_GRAY), std::tuple(160, 120, grey));
      EXPECT_EQ(tjDecompress2(tj.get(), jpeg, r.jpegSize, rgb.data(), 160, 0, 120, TJPF_RGB, 0), 0);
      next = r.EndPos() + 1;
    }
    EXPECT_EQ(static_cast<std::int64_t>(file.size()), next - 1);
  }
}
