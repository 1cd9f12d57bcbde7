#include "archive/IndexWalk.h"

#include <algorithm>

#include "caminfo/DecodeFrameInfo.h"
#include "viewer/FrameWalk.h"

namespace {
constexpr std::size_t kReadPiece = 1 << 20;
}  // namespace

IndexWalk::IndexWalk(const Viewer& v, QByteArray path, FileStamp stamp, bool decoding) : v_(v), decoding_(decoding) {
  r_.summary.path = std::move(path);
  r_.summary.stamp = stamp;
  if (decoding_) r_.summary.damaged = 0;
}

void IndexWalk::Visit(int n, bool decoded) {
  HashWindow();
  RecordingSummary& s = r_.summary;
  ++s.frames;
  const bool damaged = decoding_ && !decoded;
  if (damaged) ++*s.damaged;
  const FrameRecord record = RecordOfCurrentFrame(v_, n);
  if (record.kind != FrameKind::Measurement && record.kind != FrameKind::TextTime) return;
  // The panel shows a frame's identifier once the frame is shown; a damaged one's is
  // read from its block.
  QString ident = record.ident;
  if (const auto frame = v_.scanner().CurrentFrame(); damaged && frame) ident = DecodeFrameInfo(frame->block).Ident;
  // A NUL in a damaged block's identifier: a server's text cannot hold it, and both kinds of
  // index must answer alike.
  ident.replace(QChar(u'\0'), QChar(0xFFFD));
  if (!s.idents.contains(ident)) s.idents << ident;
  if (record.kind != FrameKind::Measurement) return;
  const auto seconds = static_cast<std::int32_t>(*record.seconds - std::int64_t{v_.module().PowerOnMinutes} * 60);
  r_.rows.push_back({n, record.start, seconds, *record.speedKmh, ident});
  ++s.measurements;
  if (!s.firstSeconds) s.firstSeconds = seconds;
  s.lastSeconds = seconds;
  s.topKmh = std::max(s.topKmh.value_or(0), *record.speedKmh);
}

// The window holds file bytes [WindowPos - 1, WindowPos - 1 + its size), cut at the length.
void IndexWalk::HashWindow() {
  const Scanner& scanner = v_.scanner();
  const std::int64_t from = scanner.WindowPos() - 1;
  const std::int64_t to = std::min<std::int64_t>(from + kWindowSize, v_.FileLength());
  if (hashed_ < from) HashFileUpTo(from);
  if (failedAt_ >= 0 || hashed_ < from || hashed_ >= to) return;
  hash_.Add(scanner.WindowBuffer() + (hashed_ - from), static_cast<std::size_t>(to - hashed_));
  hashed_ = to;
}

void IndexWalk::HashFileUpTo(std::int64_t end) {
  if (readBuffer_.empty()) readBuffer_.resize(kReadPiece);
  while (failedAt_ < 0 && hashed_ < end) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(end - hashed_, kReadPiece));
    const std::int64_t got = v_.recording().readAt(hashed_, readBuffer_.data(), want);
    if (got <= 0) {  // a read error, or the file ends before its length: it has shrunk
      failedAt_ = hashed_ + 1;
      return;
    }
    hash_.Add(readBuffer_.data(), static_cast<std::size_t>(got));
    hashed_ += got;
  }
}

std::optional<IndexedRecording> IndexWalk::Finish() {
  HashFileUpTo(v_.FileLength());
  if (failedAt_ >= 0) return std::nullopt;
  r_.summary.sha256 = hash_.HexDigest();
  return std::move(r_);
}
