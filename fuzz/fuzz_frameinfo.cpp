// DecodeFrameInfo on a 32-byte block lying before a FrameStart anywhere (negative, at
// the block size, past the window's end, any 64-bit value) inside a real window of
// exactly 1,000,000 bytes, so that AddressSanitizer sees any read outside it; then the
// panel is written from the result and the panel texts are made, also from clock
// readings and voltages no block can hold. Checks: one of the four kinds; no block
// unless the block lies wholly inside the window; every field inside its range and the
// texts in their shapes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QString>

#include "FrameInfoInput.h"
#include "caminfo/DecodeFrameInfo.h"
#include "caminfo/InfoPanel.h"
#include "caminfo/PanelTexts.h"
#include "shell/ScreenState.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly a window: one byte more would hide a read past its end.
  static const std::unique_ptr<std::uint8_t[]> window = std::make_unique<std::uint8_t[]>(kWindowSize);
  const FrameInfoInput in = FrameInfoInput::From(data, size);

  // The block goes where it would lie; what falls outside the window is not there.
  const bool inside = in.FrameStart >= kBlockSize && in.FrameStart <= kWindowSize;
  const WindowIndex blockAt = inside ? in.FrameStart - kBlockSize : 0;
  if (inside)
    for (int k = 0; k < kBlockSize; ++k) window[blockAt + k] = in.Block[k];

  const FrameInfo info = DecodeFrameInfo(window.get(), in.FrameStart);
  switch (info.Kind) {
    case FrameKind::NoBlock:
      break;
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
    case FrameKind::Unrecognised:
      break;
    default:
      fail("a kind that is none of the four", in);
  }
  if (!inside && info.Kind != FrameKind::NoBlock) fail("a block decoded from outside the window", in);

  ScreenState screen;
  WriteInfoPanel(info, in.PowerOnMinutes, screen);
  if (info.Kind == FrameKind::Measurement) {
    if (!timeShaped(screen.lblTime, in.PowerOnMinutes == 0)) fail("panel time out of shape", in);
    checkTexts(in, info.SecondsSincePowerOn, info.BatteryVolts);
  }
  checkTexts(in, in.RawSeconds, in.RawVolts);

  if (inside)
    for (int k = 0; k < kBlockSize; ++k) window[blockAt + k] = 0;
  return 0;
}
