#include "caminfo/InfoPanel.h"

#include "caminfo/PanelTexts.h"
#include "platform/Colour.h"

PanelUpdate InfoPanelFor(const FrameInfo& info, std::int16_t PowerOnMinutes) {
  PanelUpdate u;
  switch (info.Kind) {
    case FrameKind::NoBlock: u.lblTime = QString(); break;
    case FrameKind::Measurement: {
      u.lblTime = MeasurementTimeText(info.SecondsSincePowerOn, PowerOnMinutes);
      const BatteryLevel battery = BatteryScale(info.BatteryVolts);
      u.lblBattInfo = battery.text;
      u.shBatt = battery.colour;
      if (info.SpeedKmh > 0) u.lblInfo = QStringLiteral("%1 km/h").arg(info.SpeedKmh);
      u.lblInfoVisible = info.SpeedKmh > 0;  // hidden, the text stays as it was
      u.lblIdent = info.Ident;
      break;
    }
    case FrameKind::TextTime:
      u.lblIdent = info.Ident;
      u.lblTime = WidenedTimeText(info.TimeText);
      u.shBatt = Colour::Green;
      u.lblBattInfo = QStringLiteral("OK");
      u.timeCorrectionOff = true;
      break;
    case FrameKind::Unrecognised: break;
  }
  return u;
}
