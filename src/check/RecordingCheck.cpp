#include "check/RecordingCheck.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "caminfo/DecodeFrameInfo.h"
#include "check/DecodeFrames.h"
#include "recording/MarkerSearch.h"

namespace {

constexpr std::int64_t kTailPiece = 1 << 20;  // bytes after the last frame are read in pieces of this size

// Offsets of a measurement block's numbers, and their names as a finding says them.
struct NumberField {
  int at, length;
  const char* name;
};
constexpr NumberField kNumberFields[] = {{22, 2, "speed"}, {24, 2, "battery"}, {27, 5, "time"}};

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

QString quoted(std::span<const std::uint8_t> bytes) {
  QString s;
  for (std::uint8_t b : bytes)
    s += b >= 0x20 && b < 0x7F ? QChar(b) : QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
  return QLatin1Char('"') + s + QLatin1Char('"');
}

// What is wrong with a block the camera would not write; empty when nothing is. The decoder
// reads every block somehow: here a number must be hexadecimal digits only (blanks aside), as
// the camera writes it, not whatever the decoder's lenient rule makes of it.
QString blockFault(std::span<const std::uint8_t> block, const FrameInfo& info) {
  if (info.Kind == FrameKind::Unrecognised)
    return QStringLiteral("type tag %1 is none the camera writes").arg(quoted(block.first(4)));
  if (info.Kind != FrameKind::Measurement) return {};
  for (const NumberField& f : kNumberFields) {
    const auto field = block.subspan(static_cast<std::size_t>(f.at), static_cast<std::size_t>(f.length));
    int digits = 0;
    bool clean = true;
    for (std::uint8_t b : field) {
      const char c = static_cast<char>(b);
      if (c == ' ' || c == '\t' || c == '\n') continue;
      clean = clean && isHexDigit(c);
      ++digits;
    }
    if (!clean || digits == 0)
      return QStringLiteral("%1 field %2 is not a hexadecimal number").arg(f.name, quoted(field));
  }
  return {};
}

Finding At(FindingKind kind, int frame, FilePos start, FilePos end, QString words = {}) {
  Finding f;
  f.kind = kind;
  f.frame = frame;
  f.start = start;
  f.end = end;
  f.words = std::move(words);
  return f;
}

class Checker {
 public:
  explicit Checker(const CheckOptions& options) : options_(options) {}

  void Frame(const PassFrame& f) {
    const FilePos owned = f.block.empty() ? f.start : f.start - kBlockSize;  // the frame's first byte, block included
    if (owned > nextOwned_) Stray(f.n, nextOwned_, owned - 1);
    nextOwned_ = f.end + 1;
    Block(f);
    if (f.bytes.empty()) {
      Add(At(FindingKind::Undecodable, f.n, f.start, f.end,
             QStringLiteral("%1 bytes: more than the viewer's window holds").arg(f.size())));
    } else {
      extents_.push_back({f.start - 1, f.size()});
      extentFrames_.push_back({f.n, f.start, f.end});
    }
    frames_ = f.n + 1;
  }

  // After the walk: the bytes after the last frame.
  bool Tail(FramePass& pass) {
    const FilePos length = pass.length();
    if (nextOwned_ > length) return true;
    // A start marker there is a frame the file cut short; the bytes before its block stray.
    std::optional<FilePos> marker;
    std::vector<std::uint8_t> piece;
    for (std::int64_t from = nextOwned_ - 1; from < length && !marker; from += kTailPiece - 1) {
      const std::int64_t size = std::min(kTailPiece, length - from);
      if (!pass.ReadAt(from, size, piece)) return false;
      if (tailStart_.empty()) tailStart_.assign(piece.begin(), piece.begin() + std::min<std::int64_t>(size, 4));
      const std::int64_t j = NextMarkerPair(piece.data(), 0, size - 1);
      for (std::int64_t k = j; k < size - 1; k = NextMarkerPair(piece.data(), k + 1, size - 1)) {
        if (piece[static_cast<std::size_t>(k) + 1] == 0xD8) {
          marker = from + k + 1;
          break;
        }
      }
      if (size < kTailPiece) break;
    }
    if (marker) {
      const FilePos blockAt = std::max(nextOwned_, *marker - kBlockSize);
      if (blockAt > nextOwned_) Stray(frames_, nextOwned_, blockAt - 1);
      Add(At(FindingKind::CutShort, frames_, blockAt, length,
             QStringLiteral("the frame starting at position %1 has no end marker").arg(*marker)));
    } else if (length - nextOwned_ + 1 <= kBlockSize && beginsLikeABlock()) {
      Add(At(FindingKind::CutShort, frames_, nextOwned_, length, QStringLiteral("the file ends inside a block")));
    } else {
      Stray(frames_, nextOwned_, length);
    }
    return true;
  }

  RecordingCheck Finish(FramePass& pass) {
    const std::vector<JpegDecoding> decoded = DecodeFrames(pass.recording(), extents_, options_.jobs);
    for (std::size_t k = 0; k < decoded.size(); ++k) {
      const JpegDecoding& d = decoded[k];
      const auto& [n, start, end] = extentFrames_[k];
      if (!d.decoded) Add(At(FindingKind::Undecodable, n, start, end, d.words));
      if (d.decoded && d.damaged) Add(At(FindingKind::DecodedWarning, n, start, end, d.words));
    }
    std::stable_sort(r_.findings.begin(), r_.findings.end(), [](const Finding& a, const Finding& b) {
      return std::tie(a.frame, a.kind) < std::tie(b.frame, b.kind);
    });
    r_.frames = frames_;
    return std::move(r_);
  }

 private:
  void Add(Finding f) { r_.findings.push_back(std::move(f)); }

  void Stray(int frame, FilePos from, FilePos to) {
    r_.strayBytes += to - from + 1;
    Add(At(FindingKind::StrayBytes, frame, from, to, QStringLiteral("%1 bytes").arg(to - from + 1)));
  }

  bool beginsLikeABlock() const {
    static constexpr char kTag[] = "000";  // both of the camera's type tags begin so
    const std::size_t n = std::min<std::size_t>(tailStart_.size(), 3);
    return n > 0 && std::memcmp(tailStart_.data(), kTag, n) == 0;
  }

  void Block(const PassFrame& f) {
    const FrameInfo info = DecodeFrameInfo(f.block);
    if (const QString fault = blockFault(f.block, info); !fault.isEmpty()) {
      Add(At(FindingKind::BadBlock, f.n, f.start - kBlockSize, f.start - 1, fault));
      return;  // what a broken block says about the camera is not to be compared
    }
    if (info.Kind != FrameKind::Measurement && info.Kind != FrameKind::TextTime) return;
    if (ident_ && *ident_ != info.Ident) {
      Finding c = At(FindingKind::IdentChange, f.n, f.start - kBlockSize, f.start - 1);
      c.identBefore = *ident_;
      c.identAfter = info.Ident;
      Add(std::move(c));
    }
    ident_ = info.Ident;
    if (info.Kind != FrameKind::Measurement) return;
    const std::int64_t seconds = info.SecondsSincePowerOn;
    if (seconds_ && (seconds < *seconds_ || seconds - *seconds_ > options_.gapSeconds)) {
      Finding t = At(seconds < *seconds_ ? FindingKind::TimeBackward : FindingKind::TimeJump, f.n, f.start - kBlockSize,
                     f.start - 1);
      t.secondsBefore = *seconds_;
      t.secondsAfter = seconds;
      Add(std::move(t));
    }
    seconds_ = seconds;
  }

  struct ExtentFrame {
    int n;
    FilePos start, end;
  };

  const CheckOptions& options_;
  RecordingCheck r_;
  int frames_ = 0;
  FilePos nextOwned_ = 1;  // the first file position after the last frame found
  std::optional<QString> ident_;
  std::optional<std::int64_t> seconds_;
  std::vector<FrameExtent> extents_;
  std::vector<ExtentFrame> extentFrames_;
  std::vector<std::uint8_t> tailStart_;  // the first bytes after the last frame
};

}  // namespace

std::array<int, kFindingKinds> RecordingCheck::Counts() const {
  std::array<int, kFindingKinds> counts{};
  for (const Finding& f : findings) ++counts[static_cast<std::size_t>(f.kind)];
  return counts;
}

std::optional<RecordingCheck> CheckRecording(const QString& path, const CheckOptions& options, PassFailure* failure) {
  FramePass pass;
  Checker checker(options);
  const bool walked = pass.Open(path) && pass.Run([&](const PassFrame& f) {
    checker.Frame(f);
    return true;
  }) && checker.Tail(pass);
  if (!walked) {
    if (failure) *failure = pass.Failure();
    return std::nullopt;
  }
  return checker.Finish(pass);
}
