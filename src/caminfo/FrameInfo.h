#pragma once
// The decoded camera information block of one frame. A plain value.

#include <cstdint>
#include <QString>

enum class FrameKind { NoBlock, Measurement, TextTime, Unrecognised };

struct FrameInfo {
  FrameKind Kind = FrameKind::NoBlock;
  QString Ident;                         // 12 characters; Measurement and TextTime
  std::int16_t SpeedKmh = 0;             // km/h, 0..255; Measurement
  std::int16_t BatteryRaw = 0;           // 0..255; Measurement
  float BatteryVolts = 0.0f;             // BatteryRaw x 5.08 / 256, single precision; Measurement
  std::int32_t SecondsSincePowerOn = 0;  // 0..1,048,575; Measurement
  QString TimeText;                      // 16 characters as written; TextTime
};
