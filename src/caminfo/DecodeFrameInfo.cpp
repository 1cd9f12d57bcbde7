#include "caminfo/DecodeFrameInfo.h"

#include <QStringDecoder>

namespace {

constexpr std::size_t kBlockLength = 32;
// Offsets inside the block.
constexpr int kTagAt = 0, kTagLen = 4;
constexpr int kIdentAt = 4, kIdentLen = 12;
constexpr int kSpeedAt = 22, kBatteryAt = 24, kByteLen = 2;
constexpr int kSecondsAt = 27, kSecondsLen = 5;
constexpr int kTimeTextAt = 16, kTimeTextLen = 16;

// The camera writes its texts in the Central European code page.
QString text(const std::uint8_t* p, int length) {
  static QStringDecoder cp1250("windows-1250");
  const auto* bytes = reinterpret_cast<const char*>(p);
  if (!cp1250.isValid()) return QString::fromLatin1(bytes, length);
  QString s = cp1250.decode(QByteArrayView(bytes, length));
  cp1250.resetState();
  return s;
}

std::string_view field(const std::uint8_t* block, int at, int length) {
  return {reinterpret_cast<const char*>(block) + at, static_cast<std::size_t>(length)};
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::uint32_t HexFieldValue(std::string_view chars) {
  std::uint32_t value = 0;
  for (char c : chars) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    const int d = hexDigit(c);
    if (d < 0) break;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return value;  // fields are at most five digits: no overflow
}

FrameInfo DecodeFrameInfo(std::span<const std::uint8_t> bytes) {
  FrameInfo info;
  if (bytes.size() != kBlockLength) return info;
  const std::uint8_t* block = bytes.data();

  const std::string_view tag = field(block, kTagAt, kTagLen);
  if (tag == "0000") {
    info.Kind = FrameKind::Measurement;
  } else if (tag == "0001") {
    info.Kind = FrameKind::TextTime;
  } else {
    info.Kind = FrameKind::Unrecognised;
    return info;
  }
  info.Ident = text(block + kIdentAt, kIdentLen);

  if (info.Kind == FrameKind::Measurement) {
    info.SecondsSincePowerOn = static_cast<std::int32_t>(HexFieldValue(field(block, kSecondsAt, kSecondsLen)));
    info.BatteryRaw = static_cast<std::int16_t>(HexFieldValue(field(block, kBatteryAt, kByteLen)));
    info.BatteryVolts = static_cast<float>(info.BatteryRaw * 5.08 / 256.0);
    info.SpeedKmh = static_cast<std::int16_t>(HexFieldValue(field(block, kSpeedAt, kByteLen)));
  } else {
    info.TimeText = text(block + kTimeTextAt, kTimeTextLen);
  }
  return info;
}
