// The recording's check: each kind of finding at its frame and positions, none in a clean
// recording, and the same findings whatever the number of decoding threads.

#include <gtest/gtest.h>

#include <tuple>

#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "check/RecordingCheck.h"

namespace {

using recgen::Bytes;
using recgen::RecordingBuilder;

constexpr const char* kIdent = "CAM-0417-A02";
constexpr std::uint32_t kFirstSeconds = 3600;

recgen::Options small(int frames) { return {.seed = 7, .frames = frames, .width = 32, .height = 24}; }

Bytes picture(int n) { return recgen::EncodeScene(7, n, 32, 24); }

// A picture whose entropy data stops two thirds in: it decodes, with the decoder's warning.
Bytes cutShortData(int n) {
  Bytes b = picture(n);
  b.resize(b.size() * 2 / 3);
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

// A picture whose tables are zeros: it cannot be decoded.
Bytes noTables(int n) {
  Bytes b = picture(n);
  std::fill(b.begin() + 2, b.begin() + 300, 0);
  return b;
}

// The first count bytes (negative: all but -count).
Bytes firstBytes(const Bytes& jpeg, std::ptrdiff_t count) {
  return Bytes(jpeg.begin(), count >= 0 ? jpeg.begin() + count : jpeg.end() + count);
}

recgen::Block measurement(std::uint32_t seconds, std::string_view ident = kIdent) {
  return recgen::MeasurementBlock(ident, 50, 200, seconds);
}

// The block with its byte at `at` (from 0) made `value`.
recgen::Block spoilt(recgen::Block block, int at, char value) {
  block[at] = static_cast<std::uint8_t>(value);
  return block;
}

// The parts one after another: blocks, pictures, text.
template <typename... Parts>
Bytes joined(const Parts&... parts) {
  RecordingBuilder b;
  (b.Append(parts), ...);
  return b.Data();
}

using enum FindingKind;
using Where = std::tuple<FindingKind, int, FilePos, FilePos>;  // kind, frame, first and last position

struct Crafted {
  RecordingBuilder b;
  std::vector<Where> expected;
  // Two good frames, then what the case appends; frame numbers go on from 2.
  Crafted() { b.Frames(small(2)); }
  // Appends the parts (a frame as the camera writes it: its block, then its picture); answers the first byte's
  // position.
  template <typename... Parts>
  FilePos Add(const Parts&... parts) {
    const FilePos at = b.NextPos();
    (b.Append(parts), ...);
    return at;
  }
  FilePos Last() const { return b.NextPos() - 1; }
};

std::vector<Where> whereOf(const RecordingCheck& c) {
  std::vector<Where> w;
  for (const Finding& f : c.findings) w.emplace_back(f.kind, f.frame, f.start, f.end);
  return w;
}

class Check : public ::testing::Test {
 protected:
  RecordingCheck checked(const RecordingBuilder& b, int jobs = 1, std::int64_t gap = 60) {
    const std::string path = dir.filePath(QStringLiteral("rec.mjp")).toStdString();
    b.Write(path);
    PassFailure failure;
    const std::optional<RecordingCheck> c =
        CheckRecording(QString::fromStdString(path), CheckOptions{jobs, gap}, &failure);
    EXPECT_TRUE(c.has_value()) << failure.openError << " " << failure.readAt;
    return c.value_or(RecordingCheck{});
  }
  QTemporaryDir dir;
};

TEST_F(Check, ACleanRecordingIsIntact) {
  for (const recgen::Options& o : {small(40), recgen::Options{.frames = 12, .textTimeEvery = 4},
                                   recgen::Options{.frames = 3, .width = 64, .height = 48, .noFirstBlock = true}}) {
    RecordingBuilder b;
    b.Frames(o);
    const RecordingCheck c = checked(b);
    EXPECT_TRUE(c.Intact()) << testing::PrintToString(whereOf(c));
    EXPECT_EQ(c.frames, o.frames);
  }
}

// Each case: the two good frames (seconds 3600, 3600), then bytes of its own. Most leave one finding, at frame 2 from
// the start of their bytes + first to their start + last (-1: the file's last byte).
TEST_F(Check, EachKindOfFindingAtItsFrameAndPositions) {
  const auto expectFindings = [&](const RecordingBuilder& b, const std::vector<Where>& expected) {
    const RecordingCheck c = checked(b);
    EXPECT_EQ(whereOf(c), expected);
    // The decoder's own words, after the viewer's message for a failure.
    for (const Finding& f : c.findings)
      EXPECT_TRUE(f.kind == Undecodable      ? f.words.startsWith("Failed to read JPG (")
                  : f.kind == DecodedWarning ? f.words.contains("JPEG")
                                             : true)
          << f.words.toStdString();
  };
  const recgen::Block m = measurement(kFirstSeconds);
  const std::tuple<const char*, Bytes, FindingKind, int, int> oneFinding[] = {
      {"bytes between two frames", joined(Bytes(100, 0x55), m, picture(2)), StrayBytes, 0, 99},
      {"junk after the last frame", joined("no frame follows these bytes, ever"), StrayBytes, 0, -1},
      {"the file ends inside a frame", joined(m, firstBytes(picture(2), 90)), CutShort, 0, -1},
      {"the file ends inside a block", joined(std::span(m.data(), 11)), CutShort, 0, 10},
      {"a frame that cannot be decoded", joined(m, noTables(2)), Undecodable, 32, -1},
      {"a frame that decodes with a warning", joined(m, cutShortData(2)), DecodedWarning, 32, -1},
      {"the camera's time going backward", joined(measurement(kFirstSeconds - 1), picture(2)), TimeBackward, 0, 31},
      {"a speed that is no number", joined(spoilt(m, 23, 'Q'), picture(2)), BadBlock, 0, 31},
      {"a time that is no number, its frame left out of the time's comparison",
       joined(spoilt(measurement(kFirstSeconds + 500), 27, '*'), picture(2), measurement(kFirstSeconds + 1),
              picture(3)),
       BadBlock, 0, 31},
      {"a block of no kind the camera writes", joined("ABCD is no block of this camera ", picture(2)), BadBlock, 0, 31},
  };
  for (const auto& [name, bytes, kind, first, last] : oneFinding) {
    SCOPED_TRACE(name);
    Crafted c;
    const FilePos at = c.Add(bytes);
    expectFindings(c.b, {{kind, 2, at + first, last < 0 ? c.Last() : at + last}});
  }
  const std::pair<const char*, void (*)(Crafted&)> cases[] = {
      {"a start marker without its end, then a frame: the broken one's bytes are stray",
       [](Crafted& c) {
         const FilePos broken = c.Add(measurement(kFirstSeconds), firstBytes(picture(2), -40));
         const FilePos next = c.Add(measurement(kFirstSeconds), picture(3));
         c.expected = {{StrayBytes, 2, broken, next - 1}};
       }},
      {"the camera's time jumping by more than the gap (60 s is no jump)",
       [](Crafted& c) {
         c.Add(measurement(kFirstSeconds + 60), picture(2));
         const FilePos at = c.Add(measurement(kFirstSeconds + 121), picture(3));
         c.expected = {{TimeJump, 3, at, at + 31}};
       }},
      {"the identifier changing, and a time text keeping it",
       [](Crafted& c) {
         const FilePos at = c.Add(measurement(kFirstSeconds, "CAM-0999-B01"), picture(2));
         c.Add(recgen::TextTimeBlock("CAM-0999-B01", "05.12.2026 09:00"), picture(3));
         const FilePos back = c.Add(recgen::TextTimeBlock(kIdent, "05.12.2026 09:00"), picture(4));
         c.expected = {{IdentChange, 2, at, at + 31}, {IdentChange, 4, back, back + 31}};
       }},
      {"several at one frame, in the kinds' order",
       [](Crafted& c) {
         const FilePos junk = c.Add(Bytes(5, 0x20));
         const FilePos at = c.Add(measurement(kFirstSeconds - 10, "CAM-0999-B01"), noTables(2));
         c.expected = {{StrayBytes, 2, junk, junk + 4},
                       {IdentChange, 2, at, at + 31},
                       {TimeBackward, 2, at, at + 31},
                       {Undecodable, 2, at + 32, c.Last()}};
       }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    Crafted c;
    make(c);
    expectFindings(c.b, c.expected);
  }
}

TEST_F(Check, TheGapIsAnOption) {
  Crafted c;
  const FilePos at = c.Add(measurement(kFirstSeconds + 6), picture(2));
  for (const auto& [gap, expected] :
       {std::pair{5, std::vector<Where>{{TimeJump, 2, at, at + 31}}}, std::pair{6, std::vector<Where>{}}}) {
    const RecordingCheck r = checked(c.b, 1, gap);
    EXPECT_EQ(whereOf(r), expected) << gap;
    for (const Finding& f : r.findings)
      EXPECT_EQ(std::tuple(f.secondsBefore, f.secondsAfter), std::tuple(kFirstSeconds, kFirstSeconds + 6));
  }
}

TEST_F(Check, EveryNumberOfThreadsFindsTheSame) {
  RecordingBuilder b;
  std::uint32_t seconds = kFirstSeconds;
  for (int n = 0; n < 300; ++n) {
    const bool junk = n % 37 == 5;
    if (junk) b.Fill(static_cast<std::size_t>(n % 11 + 1), 0x33);
    b.Append(measurement(seconds += (n % 53 == 0 ? 100 : 0)));
    b.Append(n % 17 == 3 ? noTables(n) : n % 23 == 4 ? cutShortData(n) : picture(n));
  }
  const RecordingCheck one = checked(b, 1);
  ASSERT_GT(one.findings.size(), 30u);
  for (int jobs : {2, 3, 8}) {
    const RecordingCheck many = checked(b, jobs);
    ASSERT_EQ(many.findings.size(), one.findings.size()) << jobs;
    for (std::size_t k = 0; k < one.findings.size(); ++k) {
      const Finding &a = one.findings[k], &z = many.findings[k];
      EXPECT_EQ(std::tie(a.kind, a.frame, a.start, a.end, a.words, a.secondsBefore, a.secondsAfter),
                std::tie(z.kind, z.frame, z.start, z.end, z.words, z.secondsBefore, z.secondsAfter))
          << jobs << " threads, finding " << k;
    }
    EXPECT_EQ(std::tie(many.frames, many.strayBytes), std::tie(one.frames, one.strayBytes));
  }
}

TEST_F(Check, WhatCannotBeOpenedIsSaid) {
  PassFailure failure;
  EXPECT_FALSE(CheckRecording(dir.filePath("none.mjp"), {}, &failure));
  EXPECT_EQ(failure.openError, ENOENT);
  EXPECT_FALSE(CheckRecording(dir.path(), {}, &failure));
  EXPECT_EQ(failure.openError, EISDIR);
}

}  // namespace
