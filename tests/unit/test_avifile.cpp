// The AVI layer through the same calls the conversion makes, checked with ffprobe and
// ffmpeg: codec, size, rate, frame count, key frames, orientation and colours, the empty
// file of a cancelled dialog, error results and release in any order.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "dib/cDIBSection.h"
#include "export/AviFile.h"
#include "support/Probe.h"

namespace {

// 62 × 3 = 186: every memory row carries 2 bytes of padding.
constexpr int kWidth = 62;
constexpr int kHeight = 46;
constexpr int kFrames = 5;
constexpr std::uint32_t kRate = 7;

bool offered(const char* name) {
  for (const AviCompressor& c : AviCompressors())
    if (c.name == QLatin1String(name)) return true;
  return false;
}

AVICOMPRESSOPTIONS optionsFor(const char* codec, std::int32_t keyFrameEvery = 1, std::int32_t bytesPerSecond = 0) {
  AVICOMPRESSOPTIONS o;
  o.codec = QString::fromLatin1(codec);
  o.dwKeyFrameEvery = keyFrameEvery;
  o.dwBytesPerSecond = bytesPerSecond;
  return o;
}

// Smooth, so lossy codecs keep it close; blue grows to the right, green downwards and red
// is the frame's own, so a mirrored, upside-down or channel-swapped picture cannot pass.
void paint(cDIBSection& dib, int frame) {
  const int w = dib.Width(), h = dib.Height();
  for (int memoryRow = 0; memoryRow < h; ++memoryRow) {
    const int top = h - 1 - memoryRow;
    std::uint8_t* row = dib.PointerToBits() + static_cast<std::size_t>(memoryRow) * dib.BytesPerScanLine();
    for (int x = 0; x < w; ++x) {
      row[3 * x + 0] = static_cast<std::uint8_t>(20 + x * 200 / w);
      row[3 * x + 1] = static_cast<std::uint8_t>(30 + top * 190 / h);
      row[3 * x + 2] = static_cast<std::uint8_t>(60 + 30 * frame);
    }
    // Padding that must never show up in a picture.
    for (int pad = 3 * w; pad < dib.BytesPerScanLine(); ++pad) row[pad] = 0xEE;
  }
}

// Detail no encoder can squeeze much: the data rate then decides the size.
void paintNoise(cDIBSection& dib, int frame) {
  std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(frame);
  std::uint8_t* bits = dib.PointerToBits();
  for (std::uint32_t i = 0; i < dib.SizeImage(); ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bits[i] = static_cast<std::uint8_t>(state);
  }
}

// The picture top row first, without padding: what a reader hands out as bgr24.
QByteArray uprightBgr(const cDIBSection& dib) {
  QByteArray out;
  for (int memoryRow = dib.Height() - 1; memoryRow >= 0; --memoryRow)
    out.append(reinterpret_cast<const char*>(dib.PointerToBits()) +
                   static_cast<std::size_t>(memoryRow) * dib.BytesPerScanLine(),
               3 * dib.Width());
  return out;
}

double meanAbsoluteDifference(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size() || a.isEmpty()) return 1e9;
  double sum = 0;
  for (qsizetype i = 0; i < a.size(); ++i)
    sum += std::abs(static_cast<std::uint8_t>(a[i]) - static_cast<std::uint8_t>(b[i]));
  return sum / static_cast<double>(a.size());
}

AVISTREAMINFO headerFor(int width, int height, std::uint32_t rate) {
  AVISTREAMINFO info;
  info.fccType = mmioStringToFOURCCA("vids", 0);
  info.dwScale = 1;
  info.dwRate = rate;
  info.dwSuggestedBufferSize = static_cast<std::uint32_t>(((width * 3 + 3) & ~3) * height);
  SetRect(info.rcFrame, 0, 0, width, height);
  return info;
}

enum class ReleaseOrder { RawCompressedFile, FileFirst };

// The conversion's calls, in its order; the handles are released in the order asked.
struct Writer {
  cDIBSection dib;
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr;
  PAVISTREAM compressed = nullptr;
  AviResult result = AVIERR_OK;  // the first failure, as the conversion keeps it
  void (*painter)(cDIBSection&, int) = paint;

  Writer(const QString& path, const AVICOMPRESSOPTIONS& options, int width = kWidth, int height = kHeight,
         std::uint32_t rate = kRate) {
    if (!dib.Create(width, height)) throw std::runtime_error("no surface");
    paint(dib, 0);
    if ((result = AVIFileOpen(&file, path, OF_WRITE | OF_CREATE)) != AVIERR_OK) return;
    if ((result = AVIFileCreateStream(file, &raw, headerFor(width, height, rate))) != AVIERR_OK) return;
    if ((result = AVIMakeCompressedStream(&compressed, raw, options)) != AVIERR_OK) return;
    const std::uint8_t* format = dib.PointerToBitmapInfo();
    result = AVIStreamSetFormat(compressed, 0, format, dib.SizeBitmapInfo());
  }
  AviResult write(int n) {
    painter(dib, n);
    return AVIStreamWrite(compressed, n, 1, dib.PointerToBits(), static_cast<std::int32_t>(dib.SizeImage()),
                          AVIIF_KEYFRAME);
  }
  void writeAll(int frames) {
    for (int n = 0; n < frames && result == AVIERR_OK; ++n) result = write(n);
  }
  void release(ReleaseOrder order = ReleaseOrder::RawCompressedFile) {
    if (order == ReleaseOrder::FileFirst) AVIFileRelease(std::exchange(file, nullptr));
    AVIStreamRelease(std::exchange(raw, nullptr));
    AVIStreamRelease(std::exchange(compressed, nullptr));
    AVIFileRelease(std::exchange(file, nullptr));
  }
  ~Writer() { release(); }
};

// ---- the compressors offered ----

TEST(AviCompressorList, FullFramesComeFirstThenTheOthersOnce) {
  const auto list = AviCompressors();
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.front().name, "raw");
  EXPECT_TRUE(list.front().lossless);
  EXPECT_FALSE(list.front().usesDataRate);
  QStringList names;
  for (const AviCompressor& c : list) {
    EXPECT_FALSE(names.contains(c.name)) << c.name.toStdString();
    EXPECT_FALSE(c.description.isEmpty()) << c.name.toStdString();
    names << c.name;
  }
  for (const char* must : {"mjpeg", "ffv1", "utvideo", "mpeg4"}) EXPECT_TRUE(names.contains(must)) << must;
}

// ---- one row per compressor: what ffprobe and ffmpeg read back ----

struct CodecCase {
  const char* label;
  const char* name;
  const char* probedCodec;  // codec_name as ffprobe reports it
  bool lossless;
  std::int32_t bytesPerSecond = 0;
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.label; }

class AviWrite : public ::testing::TestWithParam<CodecCase> {
 protected:
  void SetUp() override {
    if (!offered(GetParam().name)) GTEST_SKIP() << GetParam().name << " is not installed here";
    ASSERT_TRUE(dir.isValid());
  }
  QString path(const char* stem) const { return dir.filePath(QString::fromLatin1(stem) + ".avi"); }
  QTemporaryDir dir;
};

TEST_P(AviWrite, StreamHasTheCodecSizeRateAndEveryFrame) {
  const QString out = path("five");
  {
    Writer w(out, optionsFor(GetParam().name, 1, GetParam().bytesPerSecond));
    ASSERT_EQ(w.result, AVIERR_OK);
    w.writeAll(kFrames);
    ASSERT_EQ(w.result, AVIERR_OK);
  }
  const auto s = ProbeStream(out);
  ASSERT_FALSE(s.empty()) << "ffprobe could not read the file";
  EXPECT_EQ(s.at("codec_name"), GetParam().probedCodec);
  EXPECT_EQ(s.at("width"), QString::number(kWidth));
  EXPECT_EQ(s.at("height"), QString::number(kHeight));
  EXPECT_EQ(s.at("r_frame_rate"), QString("%1/1").arg(kRate));
  EXPECT_EQ(s.at("nb_read_frames"), QString::number(kFrames));
  const QStringList flags = PacketFlags(out);
  EXPECT_EQ(flags.size(), kFrames);
  for (const QString& f : flags) EXPECT_TRUE(f.startsWith('K')) << f.toStdString();
}

TEST_P(AviWrite, FirstPictureIsUprightWithItsColours) {
  const QString out = path("picture");
  QByteArray expected;
  {
    Writer w(out, optionsFor(GetParam().name, 1, GetParam().bytesPerSecond));
    ASSERT_EQ(w.result, AVIERR_OK);
    ASSERT_EQ(w.write(0), AVIERR_OK);
    expected = uprightBgr(w.dib);
    ASSERT_EQ(w.write(1), AVIERR_OK);  // a later picture must not land in the first
  }
  const QByteArray decoded = FirstPictureBgr(out);
  ASSERT_EQ(decoded.size(), expected.size());
  if (GetParam().lossless)
    EXPECT_TRUE(decoded == expected) << "a lossless picture came back changed";
  else
    EXPECT_LT(meanAbsoluteDifference(decoded, expected), 4.0);
}

TEST_P(AviWrite, ReleasingTheFileFirstStillCompletesIt) {
  const QString out = path("filefirst");
  {
    Writer w(out, optionsFor(GetParam().name, 1, GetParam().bytesPerSecond));
    w.writeAll(kFrames);
    ASSERT_EQ(w.result, AVIERR_OK);
    w.release(ReleaseOrder::FileFirst);
  }
  EXPECT_EQ(ProbeStream(out)["nb_read_frames"], QString::number(kFrames));
}

TEST_P(AviWrite, HeaderWithoutFramesIsAReadableEmptyVideo) {
  const QString out = path("noframes");
  {
    Writer w(out, optionsFor(GetParam().name, 1, GetParam().bytesPerSecond));
    ASSERT_EQ(w.result, AVIERR_OK);
  }
  const auto s = ProbeStream(out);
  ASSERT_FALSE(s.empty()) << "ffprobe could not read the file";
  EXPECT_EQ(s.at("codec_name"), GetParam().probedCodec);
  EXPECT_EQ(s.at("width"), QString::number(kWidth));
  EXPECT_EQ(s.at("r_frame_rate"), QString("%1/1").arg(kRate));
  EXPECT_EQ(s.at("nb_read_frames"), "N/A") << "ffprobe's word for no frames";
}

INSTANTIATE_TEST_SUITE_P(AviCodecs, AviWrite,
                         ::testing::Values(CodecCase{"raw", "raw", "rawvideo", true},
                                           CodecCase{"mjpeg", "mjpeg", "mjpeg", false},
                                           // A data rate takes another encoder for Motion JPEG.
                                           CodecCase{"mjpegAtDataRate", "mjpeg", "mjpeg", false, 250'000},
                                           CodecCase{"ffv1", "ffv1", "ffv1", true},
                                           CodecCase{"utvideo", "utvideo", "utvideo", true},
                                           CodecCase{"magicyuv", "magicyuv", "magicyuv", true},
                                           CodecCase{"huffyuv", "huffyuv", "huffyuv", true},
                                           CodecCase{"mpeg4", "mpeg4", "mpeg4", false},
                                           CodecCase{"h264", "h264", "h264", false}),
                         [](const auto& info) { return std::string(info.param.label); });

// Every offered compressor has a row above, so none goes untested.
TEST(AviCompressorList, EveryOfferedCompressorIsKnownToTheTests) {
  const QStringList known{"raw", "mjpeg", "ffv1", "utvideo", "magicyuv", "huffyuv", "mpeg4", "h264"};
  for (const AviCompressor& c : AviCompressors()) EXPECT_TRUE(known.contains(c.name)) << c.name.toStdString();
}

// ---- key frames and data rate ----

TEST(AviKeyFrames, EveryThirdFrameIsAKeyFrameWhenAskedSo) {
  QTemporaryDir dir;
  const QString out = dir.filePath("gop.avi");
  {
    Writer w(out, optionsFor("mpeg4", 3));
    w.writeAll(7);
    ASSERT_EQ(w.result, AVIERR_OK);
  }
  QStringList keys;
  for (const QString& f : PacketFlags(out)) keys << (f.startsWith('K') ? "K" : "-");
  EXPECT_EQ(keys.join(""), "K--K--K");
}

class AviDataRate : public ::testing::TestWithParam<const char*> {};

// The data rate reaches the encoder: a low one gives smaller frames than the default quality.
TEST_P(AviDataRate, LowRateGivesSmallerFramesThanTheDefault) {
  if (!offered(GetParam())) GTEST_SKIP() << GetParam() << " is not installed here";
  QTemporaryDir dir;
  auto size = [&](std::int32_t bytesPerSecond) {
    const QString out = dir.filePath(QString("rate%1.avi").arg(bytesPerSecond));
    {
      Writer w(out, optionsFor(GetParam(), 1, bytesPerSecond), 160, 120, 10);
      w.painter = paintNoise;
      w.writeAll(10);
      EXPECT_EQ(w.result, AVIERR_OK);
    }
    EXPECT_EQ(ProbeStream(out)["nb_read_frames"], "10");
    return QFileInfo(out).size();
  };
  EXPECT_LT(size(2'000), size(0));
}

INSTANTIATE_TEST_SUITE_P(AviCodecs, AviDataRate, ::testing::Values("mjpeg", "mpeg4", "h264"));

// ---- the cancelled dialog leaves an empty file ----

TEST(AviCancel, OpenAndStreamWithoutFormatLeaveAnEmptyFile) {
  QTemporaryDir dir;
  const QString out = dir.filePath("Sekwencja.AVI");
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, out, OF_WRITE | OF_CREATE), AVIERR_OK);
  EXPECT_TRUE(QFileInfo::exists(out)) << "the file exists as soon as it is opened";
  ASSERT_EQ(AVIFileCreateStream(file, &raw, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  AVIStreamRelease(raw);
  AVIFileRelease(file);
  ASSERT_TRUE(QFileInfo::exists(out));
  EXPECT_EQ(QFileInfo(out).size(), 0);
}

// ---- error results ----

TEST(AviErrors, OpenFailsWhereNoFileCanBeMade) {
  QTemporaryDir dir;
  const QString cases[] = {dir.filePath("missing/film.avi"), dir.path(), QString()};
  for (const QString& path : cases) {
    PAVIFILE file = reinterpret_cast<PAVIFILE>(&dir);  // must be cleared
    EXPECT_NE(AVIFileOpen(&file, path, OF_WRITE | OF_CREATE), AVIERR_OK) << path.toStdString();
    EXPECT_EQ(file, nullptr);
  }
  PAVIFILE file = nullptr;
  EXPECT_NE(AVIFileOpen(&file, dir.filePath("read.avi"), 0), AVIERR_OK) << "reading is not offered";
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("read.avi")));
}

TEST(AviErrors, ColonInTheNameIsJustAName) {
  QTemporaryDir dir;
  const QString out = dir.filePath("pipe:1.avi");
  PAVIFILE file = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, out, OF_WRITE | OF_CREATE), AVIERR_OK);
  AVIFileRelease(file);
  EXPECT_TRUE(QFileInfo::exists(out));
}

struct HeaderCase {
  const char* what;
  void (*spoil)(AVISTREAMINFO&);
};

class AviBadStreamHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(AviBadStreamHeader, IsRefused) {
  QTemporaryDir dir;
  PAVIFILE file = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, dir.filePath("h.avi"), OF_WRITE | OF_CREATE), AVIERR_OK);
  AVISTREAMINFO info = headerFor(kWidth, kHeight, kRate);
  GetParam().spoil(info);
  PAVISTREAM raw = reinterpret_cast<PAVISTREAM>(&dir);
  EXPECT_NE(AVIFileCreateStream(file, &raw, info), AVIERR_OK);
  EXPECT_EQ(raw, nullptr);
  AVIFileRelease(file);
}

INSTANTIATE_TEST_SUITE_P(
    AviHeaders, AviBadStreamHeader,
    ::testing::Values(HeaderCase{"rate0", [](AVISTREAMINFO& i) { i.dwRate = 0; }},
                      HeaderCase{"scale0", [](AVISTREAMINFO& i) { i.dwScale = 0; }},
                      HeaderCase{"noWidth", [](AVISTREAMINFO& i) { i.rcFrame.right = 0; }},
                      HeaderCase{"noHeight", [](AVISTREAMINFO& i) { i.rcFrame.bottom = 0; }},
                      HeaderCase{"upsideDownRect", [](AVISTREAMINFO& i) { i.rcFrame.top = i.rcFrame.bottom + 1; }},
                      HeaderCase{"audio", [](AVISTREAMINFO& i) { i.fccType = mmioStringToFOURCCA("auds", 0); }}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(AviErrors, SecondStreamAndSecondCompressorAreRefused) {
  QTemporaryDir dir;
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr, second = nullptr, compressed = nullptr, again = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, dir.filePath("two.avi"), OF_WRITE | OF_CREATE), AVIERR_OK);
  ASSERT_EQ(AVIFileCreateStream(file, &raw, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  EXPECT_NE(AVIFileCreateStream(file, &second, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  EXPECT_EQ(AVIMakeCompressedStream(&compressed, raw, optionsFor("nosuchcodec")), AVIERR_NOCOMPRESSOR);
  EXPECT_EQ(compressed, nullptr);
  ASSERT_EQ(AVIMakeCompressedStream(&compressed, raw, optionsFor("raw")), AVIERR_OK);
  EXPECT_NE(AVIMakeCompressedStream(&again, raw, optionsFor("raw")), AVIERR_OK);
  EXPECT_NE(AVIMakeCompressedStream(&again, compressed, optionsFor("raw")), AVIERR_OK) << "not over a compressor";
  AVIStreamRelease(raw);
  AVIStreamRelease(compressed);
  AVIFileRelease(file);
}

struct FormatCase {
  const char* what;
  int offset;  // byte of the header to overwrite; -1: hand over fewer than 40 bytes
  std::int32_t value;
  int width;
};

class AviBadFormat : public ::testing::TestWithParam<FormatCase> {};

// Only the surface's own header is taken: 24-bit, uncompressed, bottom-up.
TEST_P(AviBadFormat, IsRefusedAndNothingCanBeWritten) {
  const char* codec = GetParam().width % 2 ? "h264" : "raw";
  if (!offered(codec)) GTEST_SKIP() << codec << " is not installed here";
  QTemporaryDir dir;
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(GetParam().width, kHeight));
  std::vector<std::uint8_t> header(dib.PointerToBitmapInfo(), dib.PointerToBitmapInfo() + 40);
  std::int32_t size = 40;
  if (GetParam().offset < 0)
    size = 39;
  else if (GetParam().offset == 14)
    std::memcpy(header.data() + 14, &GetParam().value, 2);  // biBitCount is 16-bit
  else
    std::memcpy(header.data() + GetParam().offset, &GetParam().value, 4);

  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr, compressed = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, dir.filePath("f.avi"), OF_WRITE | OF_CREATE), AVIERR_OK);
  ASSERT_EQ(AVIFileCreateStream(file, &raw, headerFor(GetParam().width, kHeight, kRate)), AVIERR_OK);
  ASSERT_EQ(AVIMakeCompressedStream(&compressed, raw, optionsFor(codec)), AVIERR_OK);
  EXPECT_NE(AVIStreamSetFormat(compressed, 0, header.data(), size), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(compressed, 0, 1, dib.PointerToBits(), static_cast<std::int32_t>(dib.SizeImage()),
                           AVIIF_KEYFRAME),
            AVIERR_OK);
  AVIStreamRelease(raw);
  AVIStreamRelease(compressed);
  AVIFileRelease(file);
}

INSTANTIATE_TEST_SUITE_P(AviFormats, AviBadFormat,
                         ::testing::Values(FormatCase{"bits32", 14, 32, kWidth},
                                           FormatCase{"compressed", 16, 1, kWidth},
                                           FormatCase{"topDown", 8, -kHeight, kWidth},
                                           FormatCase{"noWidth", 4, 0, kWidth}, FormatCase{"short", -1, 0, kWidth},
                                           FormatCase{"oddSizeForH264", 0, 40, kWidth + 1}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(AviErrors, SamplesOfTheWrongSizeOrOutOfOrderAreRefused) {
  QTemporaryDir dir;
  Writer w(dir.filePath("order.avi"), optionsFor("raw"));
  ASSERT_EQ(w.result, AVIERR_OK);
  const auto size = static_cast<std::int32_t>(w.dib.SizeImage());
  EXPECT_NE(AVIStreamWrite(w.compressed, 0, 1, w.dib.PointerToBits(), size - 1, AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(w.compressed, 0, 1, nullptr, size, AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(w.compressed, 0, 2, w.dib.PointerToBits(), size, AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(w.raw, 0, 1, w.dib.PointerToBits(), size, AVIIF_KEYFRAME), AVIERR_OK)
      << "only the stream whose format was set writes";
  ASSERT_EQ(w.write(0), AVIERR_OK);
  ASSERT_EQ(w.write(1), AVIERR_OK);
  EXPECT_NE(w.write(1), AVIERR_OK) << "a sample number already written";
  EXPECT_NE(AVIStreamSetFormat(w.compressed, 0, w.dib.PointerToBitmapInfo(), 40), AVIERR_OK) << "format set twice";
  w.release();
  EXPECT_EQ(ProbeStream(dir.filePath("order.avi"))["nb_read_frames"], "2");
}

// Nothing may wait in a buffer until the release, which cannot report a failure.
TEST(AviErrors, FullDiskFailsAtOnceAndEveryWriteAfter) {
  if (!QFileInfo(QStringLiteral("/dev/full")).isWritable()) GTEST_SKIP() << "no /dev/full here";
  for (const char* codec : {"raw", "mjpeg"}) {
    SCOPED_TRACE(codec);
    Writer w(QStringLiteral("/dev/full"), optionsFor(codec));
    if (w.result == AVIERR_OK) w.result = w.write(0);
    EXPECT_NE(w.result, AVIERR_OK);
    EXPECT_NE(w.write(1), AVIERR_OK);
    EXPECT_NE(w.write(2), AVIERR_OK);
  }
}

TEST(AviErrors, WriteBeforeTheFormatIsRefused) {
  QTemporaryDir dir;
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr, compressed = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, dir.filePath("early.avi"), OF_WRITE | OF_CREATE), AVIERR_OK);
  ASSERT_EQ(AVIFileCreateStream(file, &raw, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  ASSERT_EQ(AVIMakeCompressedStream(&compressed, raw, optionsFor("mjpeg")), AVIERR_OK);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(((kWidth * 3 + 3) & ~3) * kHeight));
  EXPECT_NE(AVIStreamWrite(compressed, 0, 1, bits.data(), static_cast<std::int32_t>(bits.size()), AVIIF_KEYFRAME),
            AVIERR_OK);
  AVIStreamRelease(raw);
  AVIStreamRelease(compressed);
  AVIFileRelease(file);
}

TEST(AviRelease, NullHandlesAreIgnoredAndCallsOnThemFail) {
  AVIStreamRelease(nullptr);
  AVIFileRelease(nullptr);
  PAVISTREAM s = nullptr;
  EXPECT_NE(AVIFileCreateStream(nullptr, &s, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  EXPECT_NE(AVIMakeCompressedStream(&s, nullptr, optionsFor("raw")), AVIERR_OK);
  std::uint8_t header[40] = {};
  EXPECT_NE(AVIStreamSetFormat(nullptr, 0, header, 40), AVIERR_OK);
  EXPECT_NE(AVIStreamWrite(nullptr, 0, 1, header, 40, AVIIF_KEYFRAME), AVIERR_OK);
}

// Without a compressor the stream of the file takes full frames itself.
TEST(AviRelease, RawStreamAloneWritesFullFrames) {
  QTemporaryDir dir;
  const QString out = dir.filePath("plain.avi");
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(kWidth, kHeight));
  PAVIFILE file = nullptr;
  PAVISTREAM raw = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, out, OF_WRITE | OF_CREATE), AVIERR_OK);
  ASSERT_EQ(AVIFileCreateStream(file, &raw, headerFor(kWidth, kHeight, kRate)), AVIERR_OK);
  const std::uint8_t* format = dib.PointerToBitmapInfo();
  ASSERT_EQ(AVIStreamSetFormat(raw, 0, format, dib.SizeBitmapInfo()), AVIERR_OK);
  for (int n = 0; n < 3; ++n) {
    paint(dib, n);
    EXPECT_EQ(AVIStreamWrite(raw, n, 1, dib.PointerToBits(), static_cast<std::int32_t>(dib.SizeImage()),
                             AVIIF_KEYFRAME),
              AVIERR_OK);
  }
  AVIStreamRelease(raw);
  AVIFileRelease(file);
  const auto s = ProbeStream(out);
  EXPECT_EQ(s.at("codec_name"), "rawvideo");
  EXPECT_EQ(s.at("nb_read_frames"), "3");
}

// A stream kept after its file was released answers errors instead of writing.
TEST(AviRelease, StreamOutlivingItsFileFailsCleanly) {
  QTemporaryDir dir;
  Writer w(dir.filePath("orphan.avi"), optionsFor("mjpeg"));
  ASSERT_EQ(w.write(0), AVIERR_OK);
  AVIFileRelease(std::exchange(w.file, nullptr));
  EXPECT_NE(w.write(1), AVIERR_OK);
  w.release();
  EXPECT_EQ(ProbeStream(dir.filePath("orphan.avi"))["nb_read_frames"], "1");
}

TEST(AviFourCC, PacksInFileOrderAndPadsShortNames) {
  EXPECT_EQ(mmioStringToFOURCCA("vids", 0), 0x73646976u);
  EXPECT_EQ(mmioStringToFOURCCA("ab", 0), 0x20206261u);
  EXPECT_EQ(mmioStringToFOURCCA("mjpg", 0x0010), mmioStringToFOURCCA("MJPG", 0));
}

}  // namespace
