// The AVI layer over FFmpeg: one AVI muxer per file and, per compressed stream, one way of
// turning the surface's memory into samples. Frames are read where the caller keeps them;
// the only copies are the ones an encoder's own pixel format forces.
#include "avi/AviFile.h"
#include "avi/AviFunctions.h"
#include "platform/NativeName.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include <turbojpeg.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// What this layer knows how to drive. `encoder` null: the muxer takes the surface's rows as
// they lie. `input` is the picture format the encoder gets (converted from bottom-up BGR).
struct Candidate {
  const char* name;
  const char* encoder;
  AVCodecID id;
  const char* description;  // UTF-8
  bool lossless;
  bool usesDataRate;
  AVPixelFormat input;
  bool evenSizes = false;  // refuses odd widths and heights
};

// Full frames first: the default. Lossy codecs fall back to a fixed quality when no data
// rate is given (FFmpeg's own 200 kbit/s default smears a 640x480 picture).
constexpr Candidate kCandidates[] = {
    {"raw", nullptr, AV_CODEC_ID_RAWVIDEO, "Pełne klatki (nieskompresowane)", true, false, AV_PIX_FMT_BGR24},
    {"mjpeg", "mjpeg", AV_CODEC_ID_MJPEG, "Motion JPEG", false, true, AV_PIX_FMT_YUVJ420P},
    {"ffv1", "ffv1", AV_CODEC_ID_FFV1, "FFV1 (bezstratny)", true, false, AV_PIX_FMT_BGR0},
    {"utvideo", "utvideo", AV_CODEC_ID_UTVIDEO, "Ut Video (bezstratny)", true, false, AV_PIX_FMT_GBRP},
    {"magicyuv", "magicyuv", AV_CODEC_ID_MAGICYUV, "MagicYUV (bezstratny)", true, false, AV_PIX_FMT_GBRP},
    {"huffyuv", "huffyuv", AV_CODEC_ID_HUFFYUV, "HuffYUV (bezstratny)", true, false, AV_PIX_FMT_RGB24},
    {"mpeg4", "mpeg4", AV_CODEC_ID_MPEG4, "MPEG-4 część 2", false, true, AV_PIX_FMT_YUV420P},
    {"h264", "libx264", AV_CODEC_ID_H264, "H.264 (x264)", false, true, AV_PIX_FMT_YUV420P, true},
};

// Stored as it comes: one JPEG image per sample, whatever its size and sampling.
constexpr Candidate kCopy{kCopyCompressor, nullptr,        AV_CODEC_ID_MJPEG, "Kopia klatek JPEG", true,
                          false,           AV_PIX_FMT_NONE};

constexpr int kDefaultQuantiser = 3;  // mpeg4 without a data rate: near-transparent at 640x480
constexpr const char* kDefaultCrf = "20";
constexpr int kJpegQuality = 90;  // Motion JPEG without a data rate: about 65 kB a 640x480 frame
constexpr std::uint32_t kVideoType = 's' << 24 | 'd' << 16 | 'i' << 8 | 'v';  // "vids"

void quietLibraries() {
  static std::once_flag once;
  // Failures reach the user as results; FFmpeg's own chatter would only clutter stderr.
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// The system's error number behind an FFmpeg error, EIO when there is none.
int systemError(int averror) { return averror < 0 && averror > -4096 ? AVUNERROR(averror) : EIO; }

// FFmpeg's sentence for an error code.
QString averrorText(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(averror, text, sizeof text);
  return QString::fromLocal8Bit(text);
}

const AVOutputFormat* aviFormat() { return av_guess_format("avi", nullptr, nullptr); }

// How samples are made: the memory rows as they lie, one JPEG per frame straight from the
// rows (TurboJPEG reads bottom-up BGR itself, several times faster than converting for
// FFmpeg's encoder, which is kept for the rate control a data rate needs), an FFmpeg encoder,
// or JPEG images handed over whole (the stream copy).
enum class Path { Rows, Jpeg, Encoder, Copy };

Path pathFor(const Candidate& c, const AVICOMPRESSOPTIONS& o) {
  if (&c == &kCopy) return Path::Copy;
  if (!c.encoder) return Path::Rows;
  if (c.id == AV_CODEC_ID_MJPEG && o.dwBytesPerSecond <= 0) return Path::Jpeg;
  return Path::Encoder;
}

bool offeredHere(const Candidate& c) {
  const AVOutputFormat* avi = aviFormat();
  if (!avi || avformat_query_codec(avi, c.id, FF_COMPLIANCE_NORMAL) != 1) return false;
  return !c.encoder || avcodec_find_encoder_by_name(c.encoder);
}

const Candidate* candidateNamed(const QString& name) {
  const QString wanted = name.isEmpty() ? QStringLiteral("raw") : name;
  if (wanted == QLatin1String(kCopy.name)) return offeredHere(kCopy) ? &kCopy : nullptr;
  for (const Candidate& c : kCandidates)
    if (wanted == QLatin1String(c.name)) return offeredHere(c) ? &c : nullptr;
  return nullptr;
}

// The 40-byte header as it lies in memory (little-endian, no padding).
struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

}  // namespace

class AviStreamHandle;

struct AviReader {
  AVFormatContext* demuxer = nullptr;
  AVPacket* packet = nullptr;
  int stream = -1;  // the video stream's index

  ~AviReader() {
    av_packet_free(&packet);
    avformat_close_input(&demuxer);
  }
};

class AviFileHandle {
 public:
  AVFormatContext* muxer = nullptr;
  AVStream* video = nullptr;   // made by AVIFileCreateStream; at most one
  AVRational frameRate{0, 1};  // frames per second, from dwRate / dwScale
  bool headerWritten = false;
  AviStreamHandle* raw = nullptr;  // live stream handles, detached when the file goes first
  AviStreamHandle* compressed = nullptr;
  AviStreamHandle* writer = nullptr;  // the stream whose format was set: the only one that writes
  int writeError = 0;                 // errno of the first failed write; 0 none

  ~AviFileHandle() {
    if (muxer) {
      avio_closep(&muxer->pb);
      avformat_free_context(muxer);
    }
  }
};

// A failed write of the file: its first cause is kept for callers that name it.
static AviResult writeFailed(AviFileHandle& f, int averror) {
  if (!f.writeError) f.writeError = systemError(averror);
  return AVIERR_FILEWRITE;
}

class AviStreamHandle {
 public:
  AviFileHandle* file = nullptr;  // null once the file was released
  const Candidate* codec = nullptr;
  AVICOMPRESSOPTIONS options;
  Path path = Path::Rows;
  bool isRaw = false;  // the stream of AVIFileCreateStream itself (full frames)

  int width = 0, height = 0;
  std::int64_t pitch = 0;      // bytes per memory row: (width × 3 + 3) & ~3
  std::int64_t imageSize = 0;  // pitch × height: what one sample must be
  std::int64_t nextPts = 0;    // lowest sample number still writable
  bool failed = false;         // a write failed: the stream takes nothing more

  AVCodecContext* encoder = nullptr;
  SwsContext* converter = nullptr;
  std::vector<AVFrame*> pictures;  // encoder input, converted into and reused; one more for
                                   // each the encoder still holds (threads, a kept last picture)
  AVPacket* packet = nullptr;      // reused for every packet handed to the muxer

  tjhandle jpeg = nullptr;
  unsigned char* jpegBuffer = nullptr;  // big enough for any frame of this size
  unsigned long jpegCapacity = 0;

  ~AviStreamHandle() {
    if (jpeg) tjDestroy(jpeg);
    tjFree(jpegBuffer);
    sws_freeContext(converter);
    for (AVFrame*& p : pictures) av_frame_free(&p);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
  }
};

namespace {

bool validStream(PAVISTREAM s) { return s && s->file && s->file->muxer; }

// Hands every packet the encoder has ready to the muxer.
AviResult drainEncoder(AviStreamHandle& s) {
  AviFileHandle& f = *s.file;
  for (;;) {
    const int got = avcodec_receive_packet(s.encoder, s.packet);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return AVIERR_OK;
    if (got < 0) return AVIERR_COMPRESSOR;
    s.packet->stream_index = f.video->index;
    av_packet_rescale_ts(s.packet, s.encoder->time_base, f.video->time_base);
    const int written = av_write_frame(f.muxer, s.packet);
    av_packet_unref(s.packet);
    if (written < 0) return writeFailed(f, written);
  }
}

// Lets a delaying encoder give up the frames it still holds; the stream writes nothing after.
void flushEncoder(AviStreamHandle& s) {
  if (!s.encoder || !s.file || s.file->writer != &s || s.failed) return;
  if (avcodec_send_frame(s.encoder, nullptr) >= 0) drainEncoder(s);
  s.failed = true;
}

void detach(AviStreamHandle* s) {
  if (!s || !s->file) return;
  AviFileHandle& f = *s->file;
  if (f.raw == s) f.raw = nullptr;
  if (f.compressed == s) f.compressed = nullptr;
  if (f.writer == s) f.writer = nullptr;
  s->file = nullptr;
}

void configureEncoder(AVCodecContext& enc, AVDictionary** priv, const Candidate& c, const AVICOMPRESSOPTIONS& o,
                      AVRational frameRate) {
  enc.time_base = av_inv_q(frameRate);
  enc.framerate = frameRate;
  enc.gop_size = o.dwKeyFrameEvery < 1 ? 1 : o.dwKeyFrameEvery;
  enc.max_b_frames = 0;  // AVI has no place for reordered frames
  enc.thread_count = 1;
  if (c.usesDataRate && o.dwBytesPerSecond > 0) {
    enc.bit_rate = static_cast<std::int64_t>(o.dwBytesPerSecond) * 8;
  } else if (c.id == AV_CODEC_ID_H264) {
    av_dict_set(priv, "crf", kDefaultCrf, 0);
  } else if (c.usesDataRate) {
    enc.flags |= AV_CODEC_FLAG_QSCALE;
    enc.global_quality = FF_QP2LAMBDA * kDefaultQuantiser;
  }
  switch (c.id) {
    case AV_CODEC_ID_FFV1:
      // Version 3 cuts the picture into slices that two threads encode side by side: about
      // 1.5 times the frames per second of one thread on two cores. Slice checksums cost 5 %.
      av_dict_set(priv, "level", "3", 0);
      av_dict_set(priv, "slices", "4", 0);
      av_dict_set(priv, "slicecrc", "0", 0);
      enc.thread_count = 2;
      enc.thread_type = FF_THREAD_SLICE;
      break;
    case AV_CODEC_ID_UTVIDEO:
      av_dict_set(priv, "pred", "median", 0);  // both faster and smaller than the default here
      break;
    case AV_CODEC_ID_H264:
      av_dict_set(priv, "preset", "veryfast", 0);  // twice "fast"'s speed for a few per cent more bytes
      break;
    default: break;
  }
  // Lossless intra coders in frame threads: a picture is encoded while the next is decoded,
  // about 1.5 times the frames per second of the whole conversion on two cores.
  if (c.lossless && (enc.codec->capabilities & AV_CODEC_CAP_FRAME_THREADS)) {
    enc.thread_count = 0;  // as many as there are cores
    enc.thread_type = FF_THREAD_FRAME;
  }
}

// Opens the encoder for the picture size and makes what feeds it; the stream's codecpar follows.
AviResult openEncoder(AviStreamHandle& s) {
  // Refused here rather than by x264, which leaks a little each time it refuses.
  if (s.codec->evenSizes && (s.width % 2 || s.height % 2)) return AVIERR_BADFORMAT;
  const AVCodec* codec = avcodec_find_encoder_by_name(s.codec->encoder);
  if (!codec) return AVIERR_NOCOMPRESSOR;
  s.encoder = avcodec_alloc_context3(codec);
  s.packet = av_packet_alloc();
  if (!s.encoder || !s.packet) return AVIERR_MEMORY;

  AVCodecContext& enc = *s.encoder;
  enc.width = s.width;
  enc.height = s.height;
  enc.pix_fmt = s.codec->input;
  enc.sample_aspect_ratio = {1, 1};
  AVDictionary* priv = nullptr;
  configureEncoder(enc, &priv, *s.codec, s.options, s.file->frameRate);
  const int opened = avcodec_open2(s.encoder, codec, &priv);
  av_dict_free(&priv);
  if (opened < 0) return AVIERR_BADFORMAT;

  s.converter = sws_getContext(s.width, s.height, AV_PIX_FMT_BGR24, s.width, s.height, enc.pix_fmt, SWS_BILINEAR,
                               nullptr, nullptr, nullptr);
  if (!s.converter) return AVIERR_BADFORMAT;

  AVCodecParameters& par = *s.file->video->codecpar;
  if (avcodec_parameters_from_context(&par, s.encoder) < 0) return AVIERR_MEMORY;
  // The FourCC that players without FFmpeg know best for MPEG-4 Part 2.
  if (s.codec->id == AV_CODEC_ID_MPEG4) par.codec_tag = MKTAG('X', 'V', 'I', 'D');
  return AVIERR_OK;
}

// Full frames: no encoder, the muxer writes the memory rows as they lie.
void describeRawFrames(AviStreamHandle& s) {
  AVCodecParameters& par = *s.file->video->codecpar;
  par.codec_type = AVMEDIA_TYPE_VIDEO;
  par.codec_id = AV_CODEC_ID_RAWVIDEO;
  par.codec_tag = 0;
  par.format = AV_PIX_FMT_BGR24;
  par.bits_per_coded_sample = 24;
  par.width = s.width;
  par.height = s.height;
}

// A Motion JPEG stream of the format's size; format is the pictures' sampling, if known.
void describeMotionJpeg(AviStreamHandle& s, AVPixelFormat format) {
  AVCodecParameters& par = *s.file->video->codecpar;
  par.codec_type = AVMEDIA_TYPE_VIDEO;
  par.codec_id = AV_CODEC_ID_MJPEG;
  par.codec_tag = 0;
  par.format = format;
  par.bits_per_coded_sample = 24;
  par.width = s.width;
  par.height = s.height;
}

AviResult openJpeg(AviStreamHandle& s) {
  s.jpeg = tjInitCompress();
  s.jpegCapacity = tjBufSize(s.width, s.height, TJSAMP_420);
  s.jpegBuffer = s.jpegCapacity == static_cast<unsigned long>(-1) ? nullptr : tjAlloc(static_cast<int>(s.jpegCapacity));
  if (!s.jpeg || !s.jpegBuffer) return AVIERR_MEMORY;
  describeMotionJpeg(s, AV_PIX_FMT_YUVJ420P);
  return AVIERR_OK;
}

AviResult writeHeader(AviFileHandle& f) {
  f.video->time_base = av_inv_q(f.frameRate);
  f.video->avg_frame_rate = f.frameRate;
  AVDictionary* muxerOptions = nullptr;
  // A positive-height (bottom-up) bitmap header for full frames, matching the rows as they lie.
  av_dict_set(&muxerOptions, "flipped_raw_rgb", "1", 0);
  const int written = avformat_write_header(f.muxer, &muxerOptions);
  av_dict_free(&muxerOptions);
  if (written >= 0) avio_flush(f.muxer->pb);
  if (written < 0 || f.muxer->pb->error < 0) return writeFailed(f, written < 0 ? written : f.muxer->pb->error);
  f.headerWritten = true;
  return AVIERR_OK;
}

// One whole sample handed to the muxer as it is. The packet is not reference-counted: the
// muxer writes it out before av_write_frame returns, so it may point into the caller's memory.
AviResult writeSample(AviStreamHandle& s, const void* data, std::int64_t size, std::int64_t pts) {
  AviFileHandle& f = *s.file;
  if (!s.packet && !(s.packet = av_packet_alloc())) return AVIERR_MEMORY;
  AVPacket& p = *s.packet;
  p.data = static_cast<std::uint8_t*>(const_cast<void*>(data));
  p.size = static_cast<int>(size);
  p.pts = p.dts = pts;
  p.duration = 1;
  p.flags = AV_PKT_FLAG_KEY;
  p.stream_index = f.video->index;
  av_packet_rescale_ts(&p, av_inv_q(f.frameRate), f.video->time_base);
  const int written = av_write_frame(f.muxer, &p);
  av_packet_unref(&p);
  return written < 0 ? writeFailed(f, written) : AVIERR_OK;
}

AviResult compressJpeg(AviStreamHandle& s, const void* bits, std::int64_t pts) {
  unsigned long size = s.jpegCapacity;
  const int rc =
      tjCompress2(s.jpeg, static_cast<const unsigned char*>(bits), s.width, static_cast<int>(s.pitch), s.height,
                  TJPF_BGR, &s.jpegBuffer, &size, TJSAMP_420, kJpegQuality, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC);
  if (rc != 0) return AVIERR_COMPRESSOR;
  return writeSample(s, s.jpegBuffer, static_cast<std::int64_t>(size), pts);
}

// A picture the encoder no longer holds. The set grows only while the encoder holds them all,
// so after the first frames no picture memory is allocated any more.
AVFrame* freePicture(AviStreamHandle& s) {
  for (AVFrame* p : s.pictures)
    if (av_frame_is_writable(p)) return p;
  AVFrame* p = av_frame_alloc();
  if (!p) return nullptr;
  s.pictures.push_back(p);
  p->format = s.encoder->pix_fmt;
  p->width = s.width;
  p->height = s.height;
  return av_frame_get_buffer(p, 0) < 0 ? nullptr : p;
}

AviResult encodeFrame(AviStreamHandle& s, const void* bits, std::int64_t pts) {
  AVFrame* picture = freePicture(s);
  if (!picture) return AVIERR_MEMORY;
  // The last memory row is the top of the picture: read upwards with a negative stride.
  const auto* top = static_cast<const std::uint8_t*>(bits) + (s.height - 1) * s.pitch;
  const std::uint8_t* const source[4] = {top, nullptr, nullptr, nullptr};
  const int stride[4] = {static_cast<int>(-s.pitch), 0, 0, 0};
  sws_scale(s.converter, source, stride, 0, s.height, picture->data, picture->linesize);
  picture->pts = pts;
  picture->quality = s.encoder->global_quality;  // a fixed quantiser is read per frame
  if (avcodec_send_frame(s.encoder, picture) < 0) return AVIERR_COMPRESSOR;
  return drainEncoder(s);
}

bool readFormat(const void* format, std::int32_t size, BitmapInfoHeader& h) {
  if (!format || size < static_cast<std::int32_t>(sizeof h)) return false;
  std::memcpy(&h, format, sizeof h);
  return h.biSize >= sizeof h;
}

}  // namespace

// The functions AviFile.h declares, as this module hands them to the loader.
namespace ffmpegavi {

std::vector<AviCompressor> AviCompressors() {
  quietLibraries();
  std::vector<AviCompressor> offered;
  for (const Candidate& c : kCandidates)
    if (offeredHere(c))
      offered.push_back({QString::fromLatin1(c.name), QString::fromUtf8(c.description), c.lossless, c.usesDataRate});
  return offered;
}

AviResult AVIFileOpen(PAVIFILE* file, const QString& path, std::uint32_t mode, int* osError) {
  if (osError) *osError = 0;
  if (!file) return AVIERR_BADPARAM;
  *file = nullptr;
  if ((mode & (OF_WRITE | OF_CREATE)) != (OF_WRITE | OF_CREATE) || path.isEmpty()) return AVIERR_UNSUPPORTED;
  quietLibraries();
  auto f = std::make_unique<AviFileHandle>();
  if (avformat_alloc_output_context2(&f->muxer, aviFormat(), nullptr, nullptr) < 0 || !f->muxer) return AVIERR_MEMORY;
  // "file:" keeps a name with a colon from being taken for another protocol.
  const QByteArray url = "file:" + NativeName(path);
  if (const int opened = avio_open(&f->muxer->pb, url.constData(), AVIO_FLAG_WRITE); opened < 0) {
    if (osError) *osError = systemError(opened);
    return AVIERR_FILEOPEN;
  }
  // Each sample goes to the disk before its write answers, so a full disk fails the write
  // of the frame it meets, not only the release at the end.
  f->muxer->flush_packets = 1;
  *file = f.release();
  return AVIERR_OK;
}

AviResult AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO& info) {
  if (!stream) return AVIERR_BADPARAM;
  *stream = nullptr;
  if (!file || !file->muxer || file->video) return AVIERR_BADPARAM;
  if (info.fccType != kVideoType) return AVIERR_UNSUPPORTED;
  const std::int64_t width = std::int64_t{info.rcFrame.right} - info.rcFrame.left;
  const std::int64_t height = std::int64_t{info.rcFrame.bottom} - info.rcFrame.top;
  if (info.dwRate == 0 || info.dwScale == 0 || width <= 0 || height <= 0) return AVIERR_BADPARAM;
  if (info.dwRate > std::numeric_limits<int>::max() || info.dwScale > std::numeric_limits<int>::max())
    return AVIERR_BADPARAM;

  auto s = std::make_unique<AviStreamHandle>();
  file->video = avformat_new_stream(file->muxer, nullptr);
  if (!file->video) return AVIERR_MEMORY;
  av_reduce(&file->frameRate.num, &file->frameRate.den, info.dwRate, info.dwScale, std::numeric_limits<int>::max());
  s->file = file;
  s->isRaw = true;
  s->codec = &kCandidates[0];
  file->raw = s.get();
  *stream = s.release();
  return AVIERR_OK;
}

AviResult AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM raw, const AVICOMPRESSOPTIONS& options) {
  if (!compressed) return AVIERR_BADPARAM;
  *compressed = nullptr;
  if (!validStream(raw) || !raw->isRaw || raw->file->compressed || raw->file->headerWritten) return AVIERR_BADPARAM;
  const Candidate* codec = candidateNamed(options.codec);
  if (!codec) return AVIERR_NOCOMPRESSOR;
  // The encoder opens in AVIStreamSetFormat, once the picture format is known.
  auto s = std::make_unique<AviStreamHandle>();
  s->file = raw->file;
  s->codec = codec;
  s->options = options;
  s->path = pathFor(*codec, options);
  raw->file->compressed = s.get();
  *compressed = s.release();
  return AVIERR_OK;
}

AviResult AVIStreamSetFormat(PAVISTREAM stream, std::int32_t position, const void* format, std::int32_t size) {
  if (!validStream(stream) || position != 0) return AVIERR_BADPARAM;
  AviFileHandle& f = *stream->file;
  if (f.headerWritten || f.writer) return AVIERR_UNSUPPORTED;  // one format per file, set once
  BitmapInfoHeader h;
  if (!readFormat(format, size, h)) return AVIERR_BADSIZE;
  // Only what the surface hands out: 24-bit, uncompressed, bottom-up rows.
  if (h.biWidth <= 0 || h.biHeight <= 0 || h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != 0)
    return AVIERR_BADFORMAT;
  AviStreamHandle& s = *stream;
  s.width = h.biWidth;
  s.height = h.biHeight;
  s.pitch = (std::int64_t{s.width} * 3 + 3) & ~std::int64_t{3};
  s.imageSize = s.pitch * s.height;
  if (s.imageSize > std::numeric_limits<int>::max() - AV_INPUT_BUFFER_PADDING_SIZE) return AVIERR_BADFORMAT;

  f.writer = &s;
  AviResult result = AVIERR_OK;
  switch (s.path) {
    case Path::Rows: describeRawFrames(s); break;
    case Path::Jpeg: result = openJpeg(s); break;
    case Path::Encoder: result = openEncoder(s); break;
    case Path::Copy: describeMotionJpeg(s, AV_PIX_FMT_NONE); break;
  }
  if (result == AVIERR_OK) result = writeHeader(f);
  if (result != AVIERR_OK) s.failed = true;
  return result;
}

AviResult AVIStreamWrite(PAVISTREAM stream, std::int32_t start, std::int32_t samples, const void* buffer,
                         std::int32_t bufferSize, std::uint32_t /*flags: every frame written is whole*/) {
  if (!validStream(stream) || stream->file->writer != stream || !stream->file->headerWritten) return AVIERR_BADPARAM;
  AviStreamHandle& s = *stream;
  if (s.failed) return AVIERR_FILEWRITE;
  if (samples != 1 || !buffer || start < s.nextPts) return AVIERR_BADPARAM;
  // A sample of another size would be read with the wrong rows (or past its end); a
  // copied JPEG image has the length it has.
  if (s.path == Path::Copy ? bufferSize <= 0 : bufferSize != s.imageSize) return AVIERR_BADSIZE;
  AviResult result = AVIERR_OK;
  switch (s.path) {
    case Path::Copy: result = writeSample(s, buffer, bufferSize, start); break;
    case Path::Rows: result = writeSample(s, buffer, s.imageSize, start); break;
    case Path::Jpeg: result = compressJpeg(s, buffer, start); break;
    case Path::Encoder: result = encodeFrame(s, buffer, start); break;
  }
  if (result != AVIERR_OK) {
    s.failed = true;
    return result;
  }
  s.nextPts = std::int64_t{start} + 1;
  return AVIERR_OK;
}

void AVIStreamRelease(PAVISTREAM stream) {
  if (!stream) return;
  flushEncoder(*stream);
  detach(stream);
  delete stream;
}

int AVIFileWriteError(PAVIFILE file) { return file ? file->writeError : 0; }

AviResult AVIFileRelease(PAVIFILE file, int* osError) {
  if (osError) *osError = 0;
  if (!file) return AVIERR_OK;
  if (file->writer) flushEncoder(*file->writer);
  detach(file->raw);
  detach(file->compressed);
  AviResult result = AVIERR_OK;
  if (file->headerWritten) {
    // The trailer is the last thing written: a full disk met here still spoils the file.
    int error = av_write_trailer(file->muxer);
    if (error >= 0) error = file->muxer->pb->error;
    if (const int closed = avio_closep(&file->muxer->pb); error >= 0) error = closed;
    if (error < 0) result = writeFailed(*file, error);
  }
  if (osError) *osError = file->writeError;
  delete file;
  return result;
}

// Reading back: the demuxer's packets of the first video stream, as stored.
AviReader* ReaderOpen(const QString& path, QString* error) {
  quietLibraries();
  auto r = std::make_unique<AviReader>();
  const QByteArray url = "file:" + NativeName(path);
  const int opened = avformat_open_input(&r->demuxer, url.constData(), av_find_input_format("avi"), nullptr);
  if (opened < 0) {
    if (error) *error = averrorText(opened);
    return nullptr;
  }
  r->stream = av_find_best_stream(r->demuxer, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  r->packet = av_packet_alloc();
  if (r->stream < 0 || !r->packet) {
    if (error) *error = r->packet ? QStringLiteral("no video stream") : averrorText(AVERROR(ENOMEM));
    return nullptr;
  }
  return r.release();
}

int ReaderNext(AviReader* r, const std::uint8_t** data, std::int64_t* size, QString* error) {
  for (;;) {
    av_packet_unref(r->packet);
    const int read = av_read_frame(r->demuxer, r->packet);
    if (read == AVERROR_EOF) return 0;
    if (read < 0) {
      if (error) *error = averrorText(read);
      return -1;
    }
    if (r->packet->stream_index != r->stream) continue;
    *data = r->packet->data;
    *size = r->packet->size;
    return 1;
  }
}

void ReaderClose(AviReader* r) { delete r; }

}  // namespace ffmpegavi

// The one symbol the module exports: the loader asks for it once.
extern "C" __attribute__((visibility("default"))) const AviFunctions* vistrel_avi_functions() {
  static const AviFunctions functions{ffmpegavi::AviCompressors,      ffmpegavi::AVIFileOpen,
                                      ffmpegavi::AVIFileCreateStream, ffmpegavi::AVIMakeCompressedStream,
                                      ffmpegavi::AVIStreamSetFormat,  ffmpegavi::AVIStreamWrite,
                                      ffmpegavi::AVIStreamRelease,    ffmpegavi::AVIFileWriteError,
                                      ffmpegavi::AVIFileRelease,      ffmpegavi::ReaderOpen,
                                      ffmpegavi::ReaderNext,          ffmpegavi::ReaderClose};
  return &functions;
}
