#include "caminfo/InfoPanel.h"

#include "caminfo/PanelTexts.h"

void WriteInfoPanel(const FrameInfo& info, std::int16_t PowerOnMinutes, ScreenState& screen) {
  switch (info.Kind) {
    case FrameKind::NoBlock:
      screen.lblTime.clear();
      break;
    case FrameKind::Measurement: {
      screen.lblTime = MeasurementTimeText(info.SecondsSincePowerOn, PowerOnMinutes);
      const BatteryLevel battery = BatteryScale(info.BatteryVolts);
      screen.lblBattInfo = battery.text;
      screen.shBatt = battery.colour;
      if (info.SpeedKmh > 0) {
        screen.lblInfo = QStringLiteral("%1 km/h").arg(info.SpeedKmh);
        screen.lblInfoVisible = true;
      } else {
        screen.lblInfoVisible = false;  // the text stays as it was
      }
      screen.lblIdent = info.Ident;
      break;
    }
    case FrameKind::TextTime:
      screen.lblIdent = info.Ident;
      screen.lblTime = WidenedTimeText(info.TimeText);
      screen.shBatt = Colour::Green;
      screen.lblBattInfo = QStringLiteral("OK");
      // A camera that writes its own time needs no correction: the command is off.
      screen.shIco[1] = Colour::Grey;
      break;
    case FrameKind::Unrecognised:
      break;
  }
  screen.lblPicInfo[0] = QStringLiteral("Qality: Hi");
  screen.lblPicInfo[1] = QStringLiteral("Zoom: 1x");
}
