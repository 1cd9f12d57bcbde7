// vistrel-mkrec: writes a generated MJP recording for demos, tests and benchmarks.

#include "RecordingGenerator.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* kUsage =
    "usage: vistrel-mkrec OUT [options]\n"
    "\n"
    "Writes a generated MJP recording to OUT.\n"
    "\n"
    "  --frames N              frames to write (default 300)\n"
    "  --seed S                scene and speed seed (default 1)\n"
    "  --size WxH              picture size (default 640x480)\n"
    "  --quality Q             JPEG quality 1-100 (default 80)\n"
    "  --grey                  greyscale pictures\n"
    "  --text-time-every N     every Nth frame carries a time text instead of a measurement\n"
    "  --target-size BYTES     write frames while the file stays within BYTES (suffix K, M, G:\n"
    "                          powers of 1024); --frames is then ignored\n"
    "  --unique K              cycle K distinct pictures (default 64 with --target-size)\n"
    "  --no-first-block        the first picture starts the file, with no block in front\n"
    "  --help                  show this text\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

template <class T>
T ParseNumber(std::string_view text, std::string_view what) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw UsageError("invalid " + std::string(what) + ": '" + std::string(text) + "'");
  return value;
}

int ParseCount(std::string_view text, std::string_view what) {
  const int value = ParseNumber<int>(text, what);
  if (value < 0) throw UsageError("invalid " + std::string(what) + ": '" + std::string(text) + "'");
  return value;
}

std::uint64_t ParseBytes(std::string_view text) {
  const std::string original(text);
  std::uint64_t unit = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k': unit = 1ULL << 10; break;
      case 'M':
      case 'm': unit = 1ULL << 20; break;
      case 'G':
      case 'g': unit = 1ULL << 30; break;
      default: break;
    }
    if (unit != 1) text.remove_suffix(1);
  }
  std::uint64_t value = 0;
  try {
    value = ParseNumber<std::uint64_t>(text, "target size");
  } catch (const UsageError&) {
    value = 0;
  }
  if (value == 0 || value > (1ULL << 40) / unit) throw UsageError("invalid target size: '" + original + "'");
  return value * unit;
}

void ParseSize(std::string_view text, recgen::Options& o) {
  const auto x = text.find('x');
  if (x == std::string_view::npos) throw UsageError("invalid size '" + std::string(text) + "', expected WxH");
  o.width = ParseNumber<int>(text.substr(0, x), "width");
  o.height = ParseNumber<int>(text.substr(x + 1), "height");
  if (o.width < 1 || o.height < 1) throw UsageError("invalid size '" + std::string(text) + "'");
}

struct Command {
  std::string out;
  recgen::Options options;
  bool help = false;
};

Command Parse(int argc, char** argv) {
  Command cmd;
  std::optional<int> unique;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) throw UsageError("option " + std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      cmd.help = true;
      return cmd;
    } else if (arg == "--frames") {
      cmd.options.frames = ParseCount(value(), "frame count");
    } else if (arg == "--seed") {
      cmd.options.seed = ParseNumber<std::uint64_t>(value(), "seed");
    } else if (arg == "--size") {
      ParseSize(value(), cmd.options);
    } else if (arg == "--quality") {
      cmd.options.quality = ParseNumber<int>(value(), "quality");
      if (cmd.options.quality < 1 || cmd.options.quality > 100) throw UsageError("quality must be 1 to 100");
    } else if (arg == "--grey" || arg == "--gray") {
      cmd.options.grey = true;
    } else if (arg == "--text-time-every") {
      cmd.options.textTimeEvery = ParseCount(value(), "text-time interval");
    } else if (arg == "--target-size") {
      cmd.options.targetSize = ParseBytes(value());
    } else if (arg == "--unique") {
      unique = ParseCount(value(), "unique frame count");
    } else if (arg == "--no-first-block") {
      cmd.options.noFirstBlock = true;
    } else if (arg.starts_with("-")) {
      throw UsageError("unknown option " + std::string(arg));
    } else if (cmd.out.empty()) {
      cmd.out = arg;
    } else {
      throw UsageError("more than one output file given");
    }
  }
  if (cmd.out.empty()) throw UsageError("no output file given");
  // Encoding every picture of a gigabyte file would take minutes; cycling a few does not.
  cmd.options.uniqueFrames = unique.value_or(cmd.options.targetSize > 0 ? 64 : 0);
  return cmd;
}

}  // namespace

int main(int argc, char** argv) {
  Command cmd;
  try {
    cmd = Parse(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vistrel-mkrec: %s\n\n%s", e.what(), kUsage);
    return 1;
  }
  if (cmd.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  try {
    const auto records = recgen::WriteRecording(cmd.out, cmd.options);
    const std::int64_t bytes = records.empty() ? 0 : records.back().EndPos();
    std::printf("%s: %zu frames, %lld bytes\n", cmd.out.c_str(), records.size(), static_cast<long long>(bytes));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vistrel-mkrec: %s\n", e.what());
    return 1;
  }
}
