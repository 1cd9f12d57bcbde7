#pragma once
// Paints and writes MJP recordings for the demo, the tests, the benchmarks and fuzz seeds.
// Promises: every picture is drawn here and encoded with TurboJPEG; equal options give
// byte-identical output; no block ever holds a 0xFF byte. Never touches Qt.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace recgen {

using Bytes = std::vector<std::uint8_t>;
using Block = std::array<std::uint8_t, 32>;  // one camera information block, as written

inline constexpr int kDefaultQuality = 80;

enum class BlockKind { None, Measurement, TextTime };

struct Options {
  std::uint64_t seed = 1;              // scene layout, sensor noise and the speed story
  int frames = 300;                    // frames written when targetSize is 0
  int width = 640;                     // picture width, pixels
  int height = 480;                    // picture height, pixels
  int quality = kDefaultQuality;       // JPEG quality, 1 to 100
  bool grey = false;                   // one-component (greyscale) JPEGs
  std::string ident = "CAM-0417-A02";  // camera identifier, exactly 12 characters, no 0xFF
  std::uint32_t startSeconds = 3600;   // seconds since power-on at the first frame
  int cameraFps = 10;                  // frames per second of the camera clock, at least 1
  int textTimeEvery = 0;               // frames N, 2N, 3N, ... (1-based) carry a time text; 0 = never
  std::uint64_t targetSize = 0;        // bytes; > 0: append frames while the next one fits, frames ignored
  int uniqueFrames = 0;                // > 0: cycle this many distinct pictures; 0: every picture new
  bool noFirstBlock = false;           // the first JPEG starts the file, with no block in front
};

struct FrameRecord {
  std::int64_t blockPos = 0;         // 1-based file position of the block's first byte; 0 without block
  std::int64_t jpegPos = 0;          // 1-based file position of the start marker's 0xFF
  std::size_t jpegSize = 0;          // bytes from start marker through end marker
  BlockKind kind = BlockKind::None;  // what the block in front says
  int speedKmh = 0;                  // km/h, Measurement only
  int batteryRaw = 0;                // raw reading 0 to 255, Measurement only
  std::uint32_t seconds = 0;         // camera clock since power-on; also behind a time text
  std::string timeText;              // 16 characters, TextTime only
  int picture = 0;                   // scene index drawn (frame index unless pictures cycle)

  // 1-based file position of the end marker's 0xD9.
  std::int64_t EndPos() const { return jpegPos + static_cast<std::int64_t>(jpegSize) - 1; }
};

// Writes a recording to path and returns one record per frame written (about 80 bytes each,
// so even a 2 GB file of camera-sized frames keeps the list small).
// Throws std::invalid_argument for bad options and std::runtime_error when the file cannot be
// created or written; a file that failed part-way is removed.
std::vector<FrameRecord> WriteRecording(const std::string& path, const Options& options);

// The RGB picture (top row first, 3 bytes a pixel) of scene frameIndex for a seed.
// The frame index is drawn large in the top-left corner.
Bytes RenderScene(std::uint64_t seed, int frameIndex, int width = 640, int height = 480);

// RenderScene encoded as one JPEG (4:2:0 colour, or one grey component).
Bytes EncodeScene(std::uint64_t seed, int frameIndex, int width = 640, int height = 480, int quality = kDefaultQuality,
                  bool grey = false);

// The 32 bytes of a measurement block: "0000", ident, "000000", speed (2 hex digits),
// battery (2 hex digits), " ", seconds (5 hex digits). Throws std::invalid_argument when
// ident is not 12 characters or holds 0xFF, or a value does not fit its digits.
Block MeasurementBlock(std::string_view ident, int speedKmh, int batteryRaw, std::uint32_t seconds);

// The 32 bytes of a time-text block: "0001", ident, text padded with blanks to 16.
// Throws std::invalid_argument for a bad ident or a text longer than 16 or holding 0xFF.
Block TextTimeBlock(std::string_view ident, std::string_view text16);

// The camera's time text for a clock reading: power-on is taken as 05.12.2026 08:00:00, so
// 3600 seconds give "05.12.2026 09:00".
std::string TimeTextAt(std::uint32_t secondsSincePowerOn);

// Collects a recording in memory, for crafted files: blocks, JPEGs, generated frames and
// arbitrary bytes in any order.
class RecordingBuilder {
 public:
  RecordingBuilder& Append(std::span<const std::uint8_t> bytes);
  RecordingBuilder& Append(std::string_view text);
  RecordingBuilder& Append(const Block& block);
  RecordingBuilder& Fill(std::size_t count, std::uint8_t value);

  // Appends frames as WriteRecording would write them; positions count in this builder's
  // file, and targetSize limits the bytes this call adds.
  std::vector<FrameRecord> Frames(const Options& options);

  std::int64_t NextPos() const;  // 1-based file position the next appended byte will have
  const Bytes& Data() const { return data_; }

  // Throws std::runtime_error when the file cannot be written.
  void Write(const std::string& path) const;

 private:
  Bytes data_;
};

}  // namespace recgen
