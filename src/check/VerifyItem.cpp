// What kind of item it is and the shared steps; the JPEG and the MJP cut, which are found by
// comparing the recording's frames with the item's bytes.

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "caminfo/DecodeFrameInfo.h"
#include "check/VerifySteps.h"

namespace {

constexpr std::int64_t kComparePiece = 1 << 20;

bool startsWith(const std::vector<std::uint8_t>& bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

std::string_view asText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

ItemKind ItemKindOf(const QString& item) {
  const QString suffix = item.section(QLatin1Char('.'), -1).toLower();
  if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return ItemKind::Jpeg;
  if (suffix == QLatin1String("mjp")) return ItemKind::MjpCut;
  if (suffix == QLatin1String("avi")) return ItemKind::Avi;
  if (suffix == QLatin1String("html") || suffix == QLatin1String("htm") || suffix == QLatin1String("pdf"))
    return ItemKind::Report;
  RecordingFile file;
  std::vector<std::uint8_t> head(16);
  if (!file.open(item)) return ItemKind::MjpCut;  // its verification says why it cannot be read
  head.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, file.readAt(0, head.data(), head.size()))));
  if (startsWith(head, "RIFF") && head.size() >= 12 && std::memcmp(head.data() + 8, "AVI ", 4) == 0)
    return ItemKind::Avi;
  if (startsWith(head, "%PDF-") || startsWith(head, "<!DOCTYPE html") || startsWith(head, "<html"))
    return ItemKind::Report;
  if (startsWith(head, "\xFF\xD8")) return ItemKind::Jpeg;
  return ItemKind::MjpCut;
}

std::optional<Verification> VerifyItem(const QString& item, const QString& recording, VerifyFailure* failure) {
  switch (ItemKindOf(item)) {
    case ItemKind::Jpeg: return VerifyJpeg(item, recording, failure);
    case ItemKind::MjpCut: return VerifyMjpCut(item, recording, failure);
    case ItemKind::Avi: return VerifyAvi(item, recording, failure);
    case ItemKind::Report: return VerifyReport(item, recording, failure);
  }
  return std::nullopt;
}

bool ReadWholeFile(const QString& path, std::vector<std::uint8_t>& into, VerifyFailure* failure) {
  RecordingFile file;
  if (!file.open(path)) {
    if (failure) *failure = {path, file.openError(), 0, {}};
    return false;
  }
  into.resize(static_cast<std::size_t>(file.length()));
  std::int64_t done = 0;
  while (done < file.length()) {
    const std::int64_t got = file.readAt(done, into.data() + done, into.size() - static_cast<std::size_t>(done));
    if (got <= 0) {
      if (failure) *failure = {path, 0, done + 1, {}};
      return false;
    }
    done += got;
  }
  return true;
}

bool OpenPass(FramePass& pass, const QString& path, VerifyFailure* failure) {
  if (pass.Open(path)) return true;
  if (failure) *failure = {path, pass.Failure().openError, 0, {}};
  return false;
}

bool PassRan(const FramePass& pass, const QString& path, bool ran, VerifyFailure* failure) {
  if (ran) return true;
  if (failure) *failure = {path, 0, pass.Failure().readAt, {}};
  return false;
}

std::int64_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t n = std::min(a.size(), b.size());
  return std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first - a.begin();
}

std::span<const std::uint8_t> FrameBytesOf(FramePass& pass, const PassFrame& f, std::vector<std::uint8_t>& spare) {
  if (!f.bytes.empty()) return f.bytes;
  if (!pass.ReadAt(f.start - 1, f.size(), spare)) return {};
  return spare;
}

VerifiedFrame VerifiedFrameOf(const PassFrame& f) { return {f.n, f.start, f.end, DecodeFrameInfo(f.block)}; }

QString FrameAt(int n, FilePos start, FilePos end) {
  return QStringLiteral("frame %1 (positions %2-%3)").arg(n).arg(start).arg(end);
}

// ---- a JPEG: the bytes of exactly one frame -----------------------------------------------------

std::optional<Verification> VerifyJpeg(const QString& item, const QString& recording, VerifyFailure* failure) {
  std::vector<std::uint8_t> jpeg;
  if (!ReadWholeFile(item, jpeg, failure)) return std::nullopt;
  FramePass pass;
  if (!OpenPass(pass, recording, failure)) return std::nullopt;
  Verification v;
  v.kind = ItemKind::Jpeg;
  // Without an equal frame, the one that agrees with the JPEG longest tells where it differs.
  std::optional<PassFrame> nearest;
  std::int64_t nearestAgrees = -1;
  bool readFailed = false;
  std::vector<std::uint8_t> spare;
  const bool ran = pass.Run([&](const PassFrame& f) {
    if (f.bytes.empty() && f.size() != static_cast<std::int64_t>(jpeg.size())) return true;
    const std::span<const std::uint8_t> bytes = FrameBytesOf(pass, f, spare);
    if (bytes.empty()) return !(readFailed = true);
    const std::int64_t agrees = CommonPrefix(jpeg, bytes);
    if (agrees == static_cast<std::int64_t>(jpeg.size()) && bytes.size() == jpeg.size()) {
      v.frames.push_back(VerifiedFrameOf(f));
    } else if (agrees > nearestAgrees) {
      nearestAgrees = agrees;
      nearest = PassFrame{f.n, f.start, f.end, {}, {}};
    }
    return true;
  });
  if (!PassRan(pass, recording, ran && !readFailed, failure)) return std::nullopt;
  v.verified = !v.frames.empty();
  if (v.verified) return v;
  if (!nearest) {
    v.difference = QStringLiteral("the recording holds no frame");
  } else if (nearestAgrees < std::min<std::int64_t>(nearest->size(), static_cast<std::int64_t>(jpeg.size()))) {
    v.difference = QStringLiteral(
                       "no frame equals it; the nearest, %1, differs first at byte %2 of the JPEG "
                       "(position %3 of the recording)")
                       .arg(FrameAt(nearest->n, nearest->start, nearest->end))
                       .arg(nearestAgrees + 1)
                       .arg(nearest->start + nearestAgrees);
  } else {
    v.difference = QStringLiteral(
                       "no frame equals it; the nearest, %1, is %2 bytes and the JPEG %3, equal as far "
                       "as the shorter goes")
                       .arg(FrameAt(nearest->n, nearest->start, nearest->end))
                       .arg(nearest->size())
                       .arg(jpeg.size());
  }
  return v;
}

// ---- an MJP cut: a stretch of the recording's bytes ---------------------------------------------

std::optional<Verification> VerifyMjpCut(const QString& item, const QString& recording, VerifyFailure* failure) {
  // The cut's frames, found as in any recording, anchor it: the first of them that is also a
  // frame of the recording says where in the recording the cut would lie.
  struct CutFrame {
    FilePos start;
    std::int64_t size;
  };
  std::vector<CutFrame> cutFrames;
  std::unordered_multimap<std::size_t, std::size_t> byHash;  // hash of a cut frame's bytes -> its index
  FramePass cut;
  if (!OpenPass(cut, item, failure)) return std::nullopt;
  std::vector<std::uint8_t> spare;
  bool readFailed = false;
  bool ran = cut.Run([&](const PassFrame& f) {
    const std::span<const std::uint8_t> bytes = FrameBytesOf(cut, f, spare);
    if (bytes.empty()) return !(readFailed = true);
    byHash.emplace(std::hash<std::string_view>{}(asText(bytes)), cutFrames.size());
    cutFrames.push_back({f.start, f.size()});
    return true;
  });
  if (!PassRan(cut, item, ran && !readFailed, failure)) return std::nullopt;

  FramePass pass;
  if (!OpenPass(pass, recording, failure)) return std::nullopt;
  struct Anchor {
    std::size_t cutFrame;
    FilePos start;  // of the recording's frame equal to it
  };
  std::optional<Anchor> anchor;
  std::vector<VerifiedFrame> frames;  // every frame of the recording, to name those inside the stretch
  std::vector<std::uint8_t> cutBytes;
  bool cutFailed = false;
  ran = pass.Run([&](const PassFrame& f) {
    frames.push_back(VerifiedFrameOf(f));
    if (anchor && anchor->cutFrame == 0) return true;
    const std::span<const std::uint8_t> bytes = FrameBytesOf(pass, f, spare);
    if (bytes.empty()) return !(readFailed = true);
    const auto [from, to] = byHash.equal_range(std::hash<std::string_view>{}(asText(bytes)));
    for (auto it = from; it != to; ++it) {
      const CutFrame& c = cutFrames[it->second];
      if (c.size != f.size() || (anchor && anchor->cutFrame <= it->second)) continue;
      if (!cut.ReadAt(c.start - 1, c.size, cutBytes)) return !(cutFailed = true);
      if (std::equal(cutBytes.begin(), cutBytes.end(), bytes.begin())) anchor = Anchor{it->second, f.start};
    }
    return true;
  });
  if (!PassRan(cut, item, !cutFailed, failure) || !PassRan(pass, recording, ran && !readFailed, failure))
    return std::nullopt;

  Verification v;
  v.kind = ItemKind::MjpCut;
  if (!anchor) {
    v.difference = cutFrames.empty() ? QStringLiteral("the cut holds no frame")
                                     : QStringLiteral("no frame of the cut is a frame of the recording");
    return v;
  }
  // The cut's byte k (from 1) would be the recording's position k + shift.
  const std::int64_t shift = anchor->start - cutFrames[anchor->cutFrame].start;
  const std::int64_t cutLength = cut.length();
  v.from = 1 + shift;
  v.to = cutLength + shift;
  if (v.from < 1) {
    v.difference = QStringLiteral("its bytes 1-%1 would lie before the recording's first byte").arg(-shift);
    return v;
  }
  std::vector<std::uint8_t> a, b;
  for (std::int64_t at = 0; at < cutLength; at += kComparePiece) {
    const std::int64_t size = std::min(kComparePiece, cutLength - at);
    const std::int64_t inRecording = std::max<std::int64_t>(0, std::min(size, pass.length() - (at + shift)));
    if (!PassRan(cut, item, cut.ReadAt(at, size, a), failure) ||
        !PassRan(pass, recording, pass.ReadAt(at + shift, inRecording, b), failure))
      return std::nullopt;
    const std::int64_t agrees = CommonPrefix(a, b);
    if (agrees < inRecording) {
      v.difference = QStringLiteral("byte %1 of the cut differs from position %2 of the recording")
                         .arg(at + agrees + 1)
                         .arg(at + agrees + 1 + shift);
      return v;
    }
    if (inRecording < size) {
      v.difference = QStringLiteral("byte %1 of the cut lies past the recording's end (position %2)")
                         .arg(at + inRecording + 1)
                         .arg(pass.length());
      return v;
    }
  }
  v.verified = true;
  for (const VerifiedFrame& f : frames)
    if (f.start >= v.from && f.end <= v.to) v.frames.push_back(f);
  return v;
}
