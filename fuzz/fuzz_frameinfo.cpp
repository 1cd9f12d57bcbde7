// DecodeFrameInfo on the part of a 32-byte block that lies inside a window of 1,000,000
// bytes before a FrameStart anywhere (negative, at the block size, past the window's
// end, any 64-bit value): the whole block, a piece of it at either edge, or nothing. The
// span is copied into a buffer of exactly its length, so that AddressSanitizer sees any
// read outside it. Then the panel update is made from the result (InfoPanelFor) and the
// panel texts, also from clock readings and voltages no block can hold. Checks: one of
// the four kinds; no block unless the span is 32 bytes; every field inside its range;
// the update writes what the kind writes and nothing else, the texts in their shapes.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include <QString>

#include "FrameInfoInput.h"
#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "caminfo/PanelTexts.h"
#include "platform/Colour.h"

namespace {

[[noreturn]] void fail(const char* why, const FrameInfoInput& in) {
  std::fprintf(stderr, "fuzz_frameinfo: %s (FrameStart %lld, PowerOnMinutes %d)\n", why,
               static_cast<long long>(in.FrameStart), in.PowerOnMinutes);
  std::abort();
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// "hhh:mm:ss" (time since power-on) or "hh:mm:ss" (time of day), minutes and seconds below 60.
bool timeShaped(const QString& t, bool sincePowerOn) {
  const int h = sincePowerOn ? 3 : 2;
  if (t.size() != h + 6 || t[h] != QLatin1Char(':') || t[h + 3] != QLatin1Char(':')) return false;
  for (int k : {0, 1, h - 1, h + 1, h + 2, h + 4, h + 5})
    if (!isDigit(t[k])) return false;
  if (!sincePowerOn && t.left(2).toInt() >= 24) return false;
  return t.mid(h + 1, 2).toInt() < 60 && t.mid(h + 4, 2).toInt() < 60;
}

bool batteryShaped(const BatteryLevel& b) {
  return b.text.endsWith(QLatin1Char('%')) && b.text.size() <= 3 &&
         (b.colour == Colour::Green || b.colour == Colour::Olive || b.colour == Colour::DarkRed);
}

void checkTexts(const FrameInfoInput& in, std::int32_t seconds, float volts) {
  if (!timeShaped(MeasurementTimeText(seconds, in.PowerOnMinutes), in.PowerOnMinutes == 0))
    fail("measurement time text out of shape", in);
  if (!batteryShaped(BatteryScale(volts))) fail("battery level out of shape", in);
}

// The block's bytes that lie inside the window, in a buffer of exactly their length.
std::vector<std::uint8_t> BlockInWindow(const FrameInfoInput& in) {
  // A start below 0 or past the window has none of its block inside (checked first: the
  // raw start may be any 64-bit value, whose block position would overflow).
  if (in.FrameStart < 0 || in.FrameStart - kBlockSize >= kWindowSize) return {};
  const WindowIndex blockAt = in.FrameStart - kBlockSize;  // may be negative
  const WindowIndex from = std::max<WindowIndex>(blockAt, 0);
  const WindowIndex to = std::min<WindowIndex>(in.FrameStart, kWindowSize);
  if (from >= to) return {};
  return {in.Block.begin() + (from - blockAt), in.Block.begin() + (to - blockAt)};
}

void checkPanel(const FrameInfoInput& in, const FrameInfo& info, const PanelUpdate& u) {
  const bool others = u.lblBattInfo || u.shBatt || u.lblInfo || u.lblInfoVisible || u.lblIdent;
  switch (info.Kind) {
    case FrameKind::NoBlock:
      if (!u.lblTime || !u.lblTime->isEmpty() || others)
        fail("no block, yet the panel shows more than an empty time", in);
      break;
    case FrameKind::Measurement:
      if (!u.lblTime || !timeShaped(*u.lblTime, in.PowerOnMinutes == 0)) fail("panel time out of shape", in);
      if (!u.lblBattInfo || !u.shBatt || !batteryShaped({*u.lblBattInfo, *u.shBatt}))
        fail("panel battery out of shape", in);
      if (u.lblIdent != info.Ident) fail("panel identifier not the block's", in);
      if (u.lblInfoVisible != (info.SpeedKmh > 0) || u.lblInfo.has_value() != (info.SpeedKmh > 0))
        fail("speed shown for no speed, or not shown for one", in);
      if (u.timeCorrectionOff) fail("a measurement turned the time correction off", in);
      break;
    case FrameKind::TextTime:
      if (!u.lblTime || *u.lblTime != WidenedTimeText(info.TimeText)) fail("panel time not the block's text", in);
      if (u.lblIdent != info.Ident || !u.timeCorrectionOff) fail("text-time panel incomplete", in);
      break;
    case FrameKind::Unrecognised:
      if (u.lblTime || others || u.timeCorrectionOff) fail("an unrecognised block wrote the panel", in);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FrameInfoInput in = FrameInfoInput::From(data, size);
  const std::vector<std::uint8_t> block = BlockInWindow(in);

  const FrameInfo info = DecodeFrameInfo(std::span<const std::uint8_t>(block));
  switch (info.Kind) {
    case FrameKind::NoBlock: break;
    case FrameKind::Measurement:
      if (info.Ident.size() != 12) fail("identifier not 12 characters", in);
      if (info.SpeedKmh < 0 || info.SpeedKmh > 255) fail("speed out of range", in);
      if (info.BatteryRaw < 0 || info.BatteryRaw > 255) fail("battery reading out of range", in);
      if (info.SecondsSincePowerOn < 0 || info.SecondsSincePowerOn > 0xFFFFF) fail("clock reading out of range", in);
      if (!(info.BatteryVolts >= 0.0f && info.BatteryVolts < 5.08f)) fail("battery voltage out of range", in);
      break;
    case FrameKind::TextTime:
      if (info.Ident.size() != 12) fail("identifier not 12 characters", in);
      if (info.TimeText.size() != 16) fail("time text not 16 characters", in);
      if (WidenedTimeText(info.TimeText).size() != 16 + 2 * info.TimeText.count(QLatin1Char(' ')))
        fail("widened time text of the wrong length", in);
      break;
    case FrameKind::Unrecognised: break;
    default: fail("a kind that is none of the four", in);
  }
  if (block.size() != static_cast<std::size_t>(kBlockSize) && info.Kind != FrameKind::NoBlock)
    fail("a block decoded from fewer than 32 bytes", in);

  checkPanel(in, info, InfoPanelFor(info, in.PowerOnMinutes));
  if (info.Kind == FrameKind::Measurement) checkTexts(in, info.SecondsSincePowerOn, info.BatteryVolts);
  checkTexts(in, in.RawSeconds, in.RawVolts);
  return 0;
}
