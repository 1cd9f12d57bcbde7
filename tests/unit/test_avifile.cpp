// What the AVI layer alone can get wrong below the conversion, read back with ffprobe and ffmpeg.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <utility>

#include "dib/cDIBSection.h"
#include "avi/AviFile.h"
#include "support/Probe.h"

namespace {

constexpr int kWidth = 62, kHeight = 46;  // 62 × 3 = 186: every memory row carries 2 bytes of padding

// Smooth for lossy codecs, red per frame, padding 0xEE (never shown); noise: size set by the data rate.
void paint(cDIBSection& dib, int frame, bool noise) {
  std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(frame);
  const int w = dib.Width(), h = dib.Height(), pitch = dib.BytesPerScanLine();
  for (int i = 0; i < pitch * h; ++i) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    const int column = i % pitch, top = h - 1 - i / pitch;
    const int smooth[3] = {20 + column / 3 * 200 / w, 30 + top * 190 / h, 60 + 30 * frame};
    dib.PointerToBits()[i] = static_cast<std::uint8_t>(noise ? state : column < 3 * w ? smooth[column % 3] : 0xEE);
  }
}

// Mean difference per byte between a decoded top-down bgr24 picture and the surface's rows.
double difference(const cDIBSection& dib, const QByteArray& decoded) {
  const int row = 3 * dib.Width(), pitch = dib.BytesPerScanLine(), h = dib.Height();
  if (decoded.size() != row * h) return 1e9;
  double sum = 0;
  for (int i = 0; i < row * h; ++i)
    sum += std::abs(static_cast<std::uint8_t>(decoded[i]) - dib.PointerToBits()[(h - 1 - i / row) * pitch + i % row]);
  return sum / decoded.size();
}

struct Plan {
  QString codec = "raw";  // null: the file's own stream takes the frames
  int keyFrameEvery = AVICOMPRESSOPTIONS{}.dwKeyFrameEvery, bytesPerSecond = 0, width = kWidth, height = kHeight;
  bool format = true, noise = false;
  void (*spoil)(AVISTREAMINFO&) = [](AVISTREAMINFO&) {};  // changes the stream header
};

// The conversion's calls in its order (results: 0 is success); streams are released first.
struct Writer {
  Plan s;
  cDIBSection dib;
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr, compressed = nullptr;
  AviResult result = AVIERR_OK;  // the first failure, as the conversion keeps it

  Writer(const QString& path, const Plan& plan = {}) : s(plan) {
    dib.Create(s.width, s.height);
    const std::uint8_t* format = dib.PointerToBitmapInfo();  // before SizeBitmapInfo, which needs it
    AVISTREAMINFO info{
        .fccType = mmioStringToFOURCCA("vids", 0), .dwScale = 1, .dwRate = 7, .rcFrame = {0, 0, s.width, s.height}};
    s.spoil(info);
    const AVICOMPRESSOPTIONS options{s.codec, s.keyFrameEvery, s.bytesPerSecond};
    if ((result = AVIFileOpen(&file, path, OF_WRITE | OF_CREATE)) || (result = AVIFileCreateStream(file, &raw, info)) ||
        (!s.codec.isNull() && (result = AVIMakeCompressedStream(&compressed, raw, options))))
      return;
    if (s.format) result = AVIStreamSetFormat(s.codec.isNull() ? raw : compressed, 0, format, dib.SizeBitmapInfo());
  }
  AviResult write(int n, PAVISTREAM stream = nullptr) {
    paint(dib, n, s.noise);
    return AVIStreamWrite(stream             ? stream
                          : s.codec.isNull() ? raw
                                             : compressed,
                          n, 1, dib.PointerToBits(), static_cast<std::int32_t>(dib.SizeImage()), AVIIF_KEYFRAME);
  }
  AviResult writeAll(int frames) {
    for (int n = 0; n < frames && result == AVIERR_OK; ++n) result = write(n);
    return result;
  }
  ~Writer() { AVIStreamRelease(raw), AVIStreamRelease(compressed), AVIFileRelease(file); }
};

// Every compressor and the file's own stream: padded rows upright, all key frames, file released first.
TEST(AviWrite, PaddedRowsComeBackUprightWhenTheFileGoesFirstAndAHeaderAloneIsAnEmptyVideo) {
  std::vector<AviCompressor> cases = AviCompressors();
  cases.insert(cases.begin(), {{QString(), {}, true, false}, {"mjpeg", {}, false, true}});
  QTemporaryDir dir;
  const QString pictures = dir.filePath("pictures.avi"), empty = dir.filePath("empty.avi");
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const QString name = cases[k].name, probed = name.isNull() || name == "raw" ? "rawvideo" : name;
    const Plan plan{.codec = name, .bytesPerSecond = k == 1 ? 250'000 : 0};
    SCOPED_TRACE(testing::Message() << probed.toStdString() << " at " << plan.bytesPerSecond << " B/s");
    Writer w(pictures, plan);
    EXPECT_EQ(w.writeAll(2), AVIERR_OK);  // the second picture must not land in the first
    AVIFileRelease(std::exchange(w.file, nullptr));
    EXPECT_NE(w.write(2), AVIERR_OK);
    paint(w.dib, 0, false);
    EXPECT_LE(difference(w.dib, FirstPictureBgr(pictures)), cases[k].lossless ? 0 : 4);
    EXPECT_EQ(PacketFlags(pictures).filter(QRegularExpression("^K")).size(), 2);
    auto s = ProbeStream(pictures);
    EXPECT_EQ(s["codec_name"] + " " + s["nb_read_frames"], probed + " 2");
    EXPECT_EQ(Writer(empty, plan).result, AVIERR_OK);
    s = ProbeStream(empty);
    EXPECT_EQ(s["codec_name"] + " " + s["width"] + " " + s["nb_read_frames"],
              QString("%1 %2 N/A").arg(probed).arg(kWidth))
        << "N/A: ffprobe's word for no frames";
  }
}

// Raw first, a second lossless one, none twice; a low data rate shrinks the file without losing frames; every third
// frame a key frame when asked so.
TEST(AviCompressorList, RawFirstEachOnceALowDataRateGivesASmallerFileAndKeyFramesComeAsAsked) {
  QTemporaryDir dir;
  QStringList names;
  int lossless = 0;
  for (const AviCompressor& c : AviCompressors()) {
    names << c.name;
    lossless += c.lossless;
    if (!c.usesDataRate) continue;
    SCOPED_TRACE(c.name.toStdString());
    auto size = [&](int rate) {
      const QString out = dir.filePath(QString("%1-%2.avi").arg(c.name).arg(rate));
      const Plan plan{.codec = c.name, .bytesPerSecond = rate, .width = 160, .height = 120, .noise = true};
      EXPECT_EQ(Writer(out, plan).writeAll(10), AVIERR_OK);
      EXPECT_EQ(ProbeStream(out)["nb_read_frames"], "10");
      return QFileInfo(out).size();
    };
    EXPECT_LT(size(2'000), size(0));
  }
  EXPECT_EQ(names.value(0), "raw");
  EXPECT_EQ(names.removeDuplicates(), 0);
  EXPECT_GE(lossless, 2);
  EXPECT_EQ(Writer(dir.filePath("gop.avi"), {.codec = "mpeg4", .keyFrameEvery = 3}).writeAll(7), AVIERR_OK);
  QString keys;
  for (const QString& f : PacketFlags(dir.filePath("gop.avi"))) keys += f.startsWith('K') ? 'K' : '-';
  EXPECT_EQ(keys, "K--K--K");
}

// Only what the conversion itself sets up is taken: a video stream of a rate and a size, and the surface's own
// header (24-bit, uncompressed, bottom-up; x264 wants even sizes). A refused one leaves nothing to write.
TEST(AviErrors, RefusedStreamHeadersAndFormats) {
  using I = AVISTREAMINFO&;
  using Case = std::tuple<const char*, void (*)(I), const char*, int, int, int, int, int>;
  const auto keep = [](I) {};  // a format row: codec, width, then `bytes` of the header at `offset` set to `value`
  const Case cases[] = {
      {"rate 0", [](I i) { i.dwRate = 0; }, nullptr, kWidth, 0, 0, 0, 40},
      {"scale 0", [](I i) { i.dwScale = 0; }, nullptr, kWidth, 0, 0, 0, 40},
      {"no width", [](I i) { i.rcFrame.right = 0; }, nullptr, kWidth, 0, 0, 0, 40},
      {"no height", [](I i) { i.rcFrame.bottom = 0; }, nullptr, kWidth, 0, 0, 0, 40},
      {"upside-down rect", [](I i) { i.rcFrame.top = i.rcFrame.bottom + 1; }, nullptr, kWidth, 0, 0, 0, 40},
      {"audio", [](I i) { i.fccType = mmioStringToFOURCCA("auds", 0); }, nullptr, kWidth, 0, 0, 0, 40},
      {"32 bits", keep, "raw", kWidth, 14, 2, 32, 40},
      {"compressed", keep, "raw", kWidth, 16, 4, 1, 40},
      {"top-down", keep, "raw", kWidth, 8, 4, -kHeight, 40},
      {"a format of no width", keep, "raw", kWidth, 4, 4, 0, 40},
      {"39 bytes", keep, "raw", kWidth, 0, 0, 0, 39},
      {"odd width for x264", keep, "h264", kWidth + 1, 0, 0, 0, 40}};
  QTemporaryDir dir;
  for (const auto& [what, spoil, codec, width, offset, bytes, value, size] : cases) {
    SCOPED_TRACE(what);
    Writer w(dir.filePath("refused.avi"), {.codec = codec, .width = width, .format = false, .spoil = spoil});
    if (w.result == AVIERR_NOCOMPRESSOR && codec) continue;  // not installed here
    std::vector<std::uint8_t> format(w.dib.PointerToBitmapInfo(), w.dib.PointerToBitmapInfo() + 40);
    std::memcpy(format.data() + offset, &value, bytes);
    EXPECT_NE(codec ? AVIStreamSetFormat(w.compressed, 0, format.data(), size) : w.result, AVIERR_OK);
    EXPECT_EQ(w.raw == nullptr, !codec);
    EXPECT_NE(w.write(0), AVIERR_OK);
  }
}

TEST(AviErrors, MisuseIsRefused) {
  QTemporaryDir dir;
  EXPECT_EQ(Writer(dir.filePath("unknown.avi"), {.codec = "nosuchcodec"}).result, AVIERR_NOCOMPRESSOR);
  EXPECT_NE(Writer(dir.filePath("early.avi"), {.format = false}).write(0), AVIERR_OK) << "a write before the format";
  Writer w(dir.filePath("order.avi"));
  const auto size = static_cast<std::int32_t>(w.dib.SizeImage());
  EXPECT_NE(AVIStreamWrite(w.compressed, 0, 1, w.dib.PointerToBits(), size - 1, AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(w.compressed, 0, 1, nullptr, size, AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_NE(w.write(0, w.raw), AVIERR_OK) << "only the stream whose format was set writes";
  EXPECT_EQ(w.writeAll(2), AVIERR_OK) << "refused samples leave the stream usable";
  EXPECT_NE(w.write(1), AVIERR_OK) << "a sample number already written";
  AVIStreamRelease(nullptr), AVIFileRelease(nullptr);  // ignored
  PAVISTREAM stream = nullptr;
  EXPECT_NE(AVIFileCreateStream(nullptr, &stream, {}), AVIERR_OK);
  EXPECT_NE(AVIMakeCompressedStream(&stream, nullptr, {}), AVIERR_OK);
  EXPECT_NE(AVIStreamSetFormat(nullptr, 0, w.dib.PointerToBitmapInfo(), 40), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(nullptr, 0, 1, w.dib.PointerToBits(), size, AVIIF_KEYFRAME), AVIERR_OK);
}

}  // namespace
