#pragma once
// What the information panel shows after a frame, as a value: the fields the frame's
// kind writes. A field left empty keeps what the panel showed before (from earlier
// frames, and from the previous recording); the caller applies the update.

#include <cstdint>
#include <optional>

#include <QString>

#include "caminfo/FrameInfo.h"

struct PanelUpdate {
  std::optional<QString> lblTime;
  std::optional<QString> lblBattInfo;
  std::optional<std::uint32_t> shBatt;  // packed 0x00BBGGRR
  std::optional<QString> lblInfo;       // the speed text
  std::optional<bool> lblInfoVisible;
  std::optional<QString> lblIdent;
  bool timeCorrectionOff = false;  // the camera writes its own time: nothing to correct
  // lblPicInfo(0) and (1), written after every frame.
  QString quality = QStringLiteral("Qality: Hi");
  QString zoom = QStringLiteral("Zoom: 1x");
};

PanelUpdate InfoPanelFor(const FrameInfo& info, std::int16_t PowerOnMinutes);
