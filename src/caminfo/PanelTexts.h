#pragma once
// The information panel's texts and colours as pure functions of the decoded block.

#include <cstdint>
#include <QString>

// Time since power-on (PowerOnMinutes 0): hhh:mm:ss, hours modulo 100. Time of day
// (PowerOnMinutes not 0): hh:mm:ss of power-on time plus seconds, hours modulo 24.
QString MeasurementTimeText(std::int32_t SecondsSincePowerOn, std::int16_t PowerOnMinutes);

// The camera's own time text with every blank widened to three.
QString WidenedTimeText(const QString& TimeText);

struct BatteryLevel {
  QString text;          // "95%" … "0%"
  std::uint32_t colour;  // lamp, packed 0x00BBGGRR
};

// The first row whose threshold the voltage reaches, compared in single precision.
BatteryLevel BatteryScale(float BatteryVolts);
