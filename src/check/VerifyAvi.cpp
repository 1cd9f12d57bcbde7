// An AVI stream copy: its packets, read with FFmpeg's demuxer, are the recording's frames in
// order, each byte for byte. The first packet finds its frame; every next packet must be the
// next frame.

#include <memory>

#include "avi/AviFunctions.h"
#include "check/VerifySteps.h"

namespace {

struct CloseReader {
  void operator()(AviReader* r) const { AviCloseReader(r); }
};

class Packets {
 public:
  explicit Packets(AviReader* reader) : reader_(reader) {}
  // The next packet; false at the end or on a read error (Failed() then says why).
  bool Next() {
    if (ended_) return false;
    const int got = AviNextPacket(reader_.get(), &data_, &size_, &error_);
    ended_ = got != 1;
    if (got == 1) ++index_;
    return got == 1;
  }
  std::span<const std::uint8_t> Bytes() const { return {data_, static_cast<std::size_t>(size_)}; }
  int Index() const { return index_; }  // of the packet in hand, from 0
  const QString& Failed() const { return error_; }

 private:
  std::unique_ptr<AviReader, CloseReader> reader_;
  const std::uint8_t* data_ = nullptr;
  std::int64_t size_ = 0;
  int index_ = -1;
  bool ended_ = false;
  QString error_;
};

QString packetDiffers(int packet, const PassFrame& f, std::int64_t agrees, std::int64_t packetSize) {
  if (agrees < std::min(packetSize, f.size()))
    return QStringLiteral("packet %1 differs from %2 at byte %3 (position %4 of the recording)")
        .arg(packet)
        .arg(FrameAt(f.n, f.start, f.end))
        .arg(agrees + 1)
        .arg(f.start + agrees);
  return QStringLiteral("packet %1 is %2 bytes, %3 %4 bytes, equal as far as the shorter goes")
      .arg(packet)
      .arg(packetSize)
      .arg(FrameAt(f.n, f.start, f.end))
      .arg(f.size());
}

}  // namespace

std::optional<Verification> VerifyAvi(const QString& item, const QString& recording, VerifyFailure* failure) {
  QString error;
  AviReader* reader = AviOpenReader(item, &error);
  if (!reader) {
    if (failure) *failure = {item, 0, 0, QStringLiteral("cannot be read as an AVI file: %1").arg(error)};
    return std::nullopt;
  }
  Packets packets(reader);
  FramePass pass;
  if (!OpenPass(pass, recording, failure)) return std::nullopt;
  Verification v;
  v.kind = ItemKind::Avi;
  if (!packets.Next()) {
    if (!packets.Failed().isEmpty()) {
      if (failure) *failure = {item, 0, 0, QStringLiteral("cannot be read: %1").arg(packets.Failed())};
      return std::nullopt;
    }
    v.difference = QStringLiteral("the AVI holds no packet");
    return v;
  }
  // Until the first packet's frame is found, the frame agreeing with it longest tells where it differs.
  std::optional<PassFrame> nearest;
  std::int64_t nearestAgrees = -1;
  bool inStep = false;  // the packet in hand is compared with the next frame
  bool pending = true;  // a packet is in hand that no frame has equalled yet
  bool readFailed = false;
  std::vector<std::uint8_t> spare;
  const bool ran = pass.Run([&](const PassFrame& f) {
    if (!inStep && f.bytes.empty() && f.size() != static_cast<std::int64_t>(packets.Bytes().size())) return true;
    const std::span<const std::uint8_t> bytes = FrameBytesOf(pass, f, spare);
    if (bytes.empty()) return !(readFailed = true);
    const std::span<const std::uint8_t> packet = packets.Bytes();
    const std::int64_t agrees = CommonPrefix(packet, bytes);
    const bool equal = agrees == static_cast<std::int64_t>(packet.size()) && packet.size() == bytes.size();
    if (!inStep) {
      if (!equal) {
        if (agrees > nearestAgrees) {
          nearestAgrees = agrees;
          nearest = PassFrame{f.n, f.start, f.end, {}, {}};
        }
        return true;
      }
      inStep = true;
    } else if (!equal) {
      v.difference = packetDiffers(packets.Index(), f, agrees, static_cast<std::int64_t>(packet.size()));
      return false;
    }
    v.frames.push_back(VerifiedFrameOf(f));
    pending = packets.Next();
    return pending;
  });
  if (!PassRan(pass, recording, ran && !readFailed, failure)) return std::nullopt;
  if (!packets.Failed().isEmpty()) {
    if (failure) *failure = {item, 0, 0, QStringLiteral("cannot be read: %1").arg(packets.Failed())};
    return std::nullopt;
  }
  if (!v.difference.isEmpty()) return v;
  if (!inStep) {
    v.difference =
        nearest ? QStringLiteral("packet 0 equals no frame; ") +
                      packetDiffers(0, *nearest, nearestAgrees, static_cast<std::int64_t>(packets.Bytes().size()))
                : QStringLiteral("the recording holds no frame");
    return v;
  }
  if (pending) {
    v.difference = QStringLiteral("packet %1 has no frame: the recording ends after frame %2")
                       .arg(packets.Index())
                       .arg(v.frames.back().n);
    return v;
  }
  v.verified = true;
  return v;
}
