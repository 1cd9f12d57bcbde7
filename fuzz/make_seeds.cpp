// Writes the seed corpora of the fuzz targets, all made by the recording generator:
//   make_seeds OUT   ->  OUT/fuzz_scanner/, OUT/fuzz_frameinfo/, OUT/fuzz_jpeg/, OUT/fuzz_avi/
// Seeds are small (the fuzzers' input limits are a few kilobytes) and the same on every
// run; files the fuzzers added to those folders are left alone.

#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FrameInfoInput.h"
#include "RecordingGenerator.h"
#include "ScannerLayout.h"

namespace fs = std::filesystem;
using recgen::Bytes;

namespace {

class SeedFolder {
 public:
  SeedFolder(const fs::path& root, const char* target) : dir_(root / target) { fs::create_directories(dir_); }
  void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream f(dir_ / ("seed-" + name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + (dir_ / name).string());
    ++count_;
  }
  int Count() const { return count_; }

 private:
  fs::path dir_;
  int count_ = 0;
};

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Deterministic damage: every stride-th byte changed (after the first two, the start marker).
Bytes Damaged(Bytes b, std::size_t stride, std::uint8_t x) {
  for (std::size_t k = 2; k < b.size(); k += stride) b[k] ^= x;
  return b;
}

Bytes Truncated(const Bytes& b, std::size_t keep) { return Bytes(b.begin(), b.begin() + std::min(keep, b.size())); }

// A picture compressed with options the generator does not use: progressive scans and
// other chroma subsamplings.
Bytes Compressed(int width, int height, int subsampling, int flags) {
  const Bytes rgb = recgen::RenderScene(5, 1, width, height);
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, rgb.data(), width, width * 3, height, TJPF_RGB, &jpeg, &size, subsampling, 85, flags);
  Bytes out;
  if (rc == 0) out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(tj);
  if (rc != 0) throw std::runtime_error("tjCompress2 failed");
  return out;
}

// A recording of small frames, blocks in front as the camera writes them.
Bytes Recording(int frames, int width, int height, bool grey = false, int textTimeEvery = 0,
                bool noFirstBlock = false) {
  recgen::Options o;
  o.frames = frames;
  o.width = width;
  o.height = height;
  o.quality = 50;
  o.grey = grey;
  o.textTimeEvery = textTimeEvery;
  o.noFirstBlock = noFirstBlock;
  recgen::RecordingBuilder b;
  b.Frames(o);
  return b.Data();
}

Bytes Text(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }

void JpegSeeds(SeedFolder& f) {
  struct Size {
    int w, h;
  };
  for (const Size s : {Size{8, 8}, Size{16, 16}, Size{17, 9}, Size{33, 21}, Size{64, 48}}) {
    const std::string n = std::to_string(s.w) + "x" + std::to_string(s.h);
    const Bytes colour = recgen::EncodeScene(1, 0, s.w, s.h, 75);
    f.Write(n, colour);
    f.Write(n + "-grey", recgen::EncodeScene(2, 1, s.w, s.h, 75, true));
    f.Write(n + "-half", Truncated(colour, colour.size() / 2));
    f.Write(n + "-damaged", Damaged(colour, 97, 0x5A));
  }
  f.Write("64x48-q100", recgen::EncodeScene(3, 2, 64, 48, 100));
  f.Write("64x48-q5", recgen::EncodeScene(3, 2, 64, 48, 5));
  f.Write("40x30-progressive", Compressed(40, 30, TJSAMP_420, TJFLAG_PROGRESSIVE));
  f.Write("40x30-progressive-grey", Compressed(40, 30, TJSAMP_GRAY, TJFLAG_PROGRESSIVE));
  f.Write("40x30-444", Compressed(40, 30, TJSAMP_444, 0));
  f.Write("40x30-422-progressive", Compressed(40, 30, TJSAMP_422, TJFLAG_PROGRESSIVE));
  f.Write("40x30-440", Compressed(40, 30, TJSAMP_440, 0));
  f.Write("40x30-411", Compressed(40, 30, TJSAMP_411, 0));
  const Bytes p = Compressed(40, 30, TJSAMP_420, TJFLAG_PROGRESSIVE);
  f.Write("40x30-progressive-half", Truncated(p, p.size() / 2));
  f.Write("markers-only", Text("\xFF\xD8\xFF\xD9"));
}

void ScannerSeeds(SeedFolder& f) {
  using L = ScannerLayout;
  const Bytes rec = Recording(4, 16, 16, false, 2);
  const Bytes noBlocks = Recording(3, 8, 8, true, 0, true);
  f.Write("plain", Concat(L::Header(L::Plain, 0), rec));
  f.Write("plain-no-blocks", Concat(L::Header(L::Plain, 0), noBlocks));
  f.Write("plain-truncated", Concat(L::Header(L::Plain, 0), Truncated(rec, rec.size() - 100)));
  f.Write("repeat-small", Concat(L::Header(L::Repeat, 0), noBlocks));
  f.Write("repeat-large", Concat(L::Header(L::Repeat, 250), rec));
  f.Write("spread-near", Concat(L::Header(L::Spread, 0), rec));
  f.Write("spread-window", Concat(L::Header(L::Spread, 61), rec));
  f.Write("spread-far", Concat(L::Header(L::Spread, 255), noBlocks));
  for (std::uint8_t p : {0, 1, 2, 30, 31, 32}) f.Write("edge-" + std::to_string(p), Concat(L::Header(L::Edge, p), rec));
  // Crafted marker patterns: nested starts, ends without starts, empty frames.
  f.Write("nested", Concat(L::Header(L::Plain, 0), Text("\xFF\xD8\xFF\xD8\x01\xFF\xD9\xFF\xD9\xFF\xD8\x02\xFF\xD9")));
  f.Write("ff-runs", Concat(L::Header(L::Plain, 0), Text("\xFF\xFF\xD8\xFF\xFF\xD9\xFF\xD8\xD9\xFF\xD9")));
  f.Write("starts-repeated", Concat(L::Header(L::Repeat, 10), Text("\xFF\xD8")));
  f.Write("ends-repeated", Concat(L::Header(L::Repeat, 10), Text("\xFF\xD9")));
  f.Write("ff-repeated", Concat(L::Header(L::Repeat, 57), Text("\xFF")));
}

void FrameInfoSeeds(SeedFolder& f) {
  const recgen::Block measurement = recgen::MeasurementBlock("CAM-0417-A02", 87, 205, 0x3A2F1);
  const recgen::Block slow = recgen::MeasurementBlock("ABCDEFGHIJKL", 0, 0, 0);
  const recgen::Block fast =
      recgen::MeasurementBlock("\x8A\x9A\xA5\xB9\xC6\xE6\xCA\xEA\xA3\xB3\xD1\xF1", 255, 255, 0xFFFFF);
  const recgen::Block text = recgen::TextTimeBlock("CAM-0417-A02", "05.12.2026 09:00");
  recgen::Block odd{};
  const char* oddText = "0000CAM 0417 A02000000 G\t1 \n 9Z";
  for (int k = 0; k < 32; ++k) odd[k] = static_cast<std::uint8_t>(oddText[k]);
  int n = 0;
  for (WindowIndex at : {WindowIndex{33}, WindowIndex{32}, WindowIndex{500'000}, WindowIndex{999'999},
                         WindowIndex{1'000'000}, WindowIndex{1'000'001}, WindowIndex{-1}})
    f.Write("measurement-" + std::to_string(n++), FrameInfoInput::Bytes(at, 0, measurement));
  f.Write("slow-time-of-day", FrameInfoInput::Bytes(40'000, 480, slow));
  f.Write("fast-negative-power-on", FrameInfoInput::Bytes(40'000, -300, fast));
  f.Write("text-time", FrameInfoInput::Bytes(1234, 0, text));
  f.Write("odd-fields", FrameInfoInput::Bytes(77, 1, odd));
}

void AviSeeds(SeedFolder& f) {
  f.Write("three-frames", Recording(3, 16, 16));
  f.Write("grey-text-time", Recording(2, 24, 16, true, 1));
  f.Write("no-first-block", Recording(2, 8, 8, false, 0, true));
  const Bytes a = Recording(1, 16, 16), b = Recording(1, 32, 24);
  f.Write("size-changes", Concat(a, b));
  f.Write("truncated-last", Truncated(Concat(a, b), a.size() + b.size() / 2));
  Bytes junk = Text("not a recording \xFF\xD8 at all \xFF\xD9");
  f.Write("junk-around", Concat(Concat(junk, a), junk));
  f.Write("damaged", Damaged(Recording(2, 16, 16), 131, 0x33));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds OUTPUT_FOLDER\n");
    return 2;
  }
  try {
    const fs::path root = argv[1];
    SeedFolder scanner(root, "fuzz_scanner"), frameinfo(root, "fuzz_frameinfo"), jpeg(root, "fuzz_jpeg"),
        avi(root, "fuzz_avi");
    ScannerSeeds(scanner);
    FrameInfoSeeds(frameinfo);
    JpegSeeds(jpeg);
    AviSeeds(avi);
    std::printf("make_seeds: %d scanner, %d frameinfo, %d jpeg, %d avi seeds in %s\n", scanner.Count(),
                frameinfo.Count(), jpeg.Count(), avi.Count(), root.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
