// The recording generator that the other tests take their fixtures from.
#include "RecordingGenerator.h"

#include <gtest/gtest.h>

const std::string kIdent = "CAM-0417-A02";

static std::string Text(const recgen::Block& b) { return std::string(b.begin(), b.end()); }

TEST(RecGen, BlocksHoldTheirFieldsAtTheirOffsets) {
  EXPECT_EQ(Text(recgen::MeasurementBlock(kIdent, 90, 204, 3600)), "0000" + kIdent + "0000005ACC 00E10");
  EXPECT_EQ(Text(recgen::MeasurementBlock(kIdent, 255, 255, 0xFFFFF)), "0000" + kIdent + "000000FFFF FFFFF");
  EXPECT_EQ(Text(recgen::TextTimeBlock(kIdent, "14:51")), "0001" + kIdent + "14:51           ");
}
