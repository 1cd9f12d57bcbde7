#pragma once
// What the main window shows besides pictures: every text, lamp colour and
// visibility the core decides. The window renders it after each event; the
// command-line tool reads it. Colours are packed 0x00BBGGRR values.

#include <array>
#include <cstdint>
#include <QString>

#include "platform/Colour.h"

inline constexpr int kTransportButtons = 11;
inline constexpr int kPlayInterval = 100;    // ms per frame: play forward and backward
inline constexpr int kFastInterval = 20;     // ms per tick: the fast and fastest modes
inline constexpr int kPromptInterval = 150;  // ms per character of the open-a-file prompt
inline constexpr int kCommandRows = 4;

struct ScreenState {
  QString lblCompany;
  QString lblFile;
  QString lblIdent;
  QString lblInfo = QStringLiteral("000 km/h");
  bool lblInfoVisible = false;
  QString lblSave = QStringLiteral("0%");
  bool lblSaveVisible = false;
  std::array<QString, 3> lblPicInfo{QStringLiteral("Quality: --"), QStringLiteral("Zoom: --"), QStringLiteral("--")};
  QString lblBattInfo = QStringLiteral("---");
  QString lblTime = QStringLiteral("30.08.2007   14:51:23");

  std::uint32_t shCamera = Colour::Grey;
  std::uint32_t shBatt = Colour::Grey;
  std::array<std::uint32_t, kCommandRows> shIco{Colour::Grey, Colour::Grey, Colour::Grey, Colour::Grey};
  std::array<std::uint32_t, kTransportButtons> shCmd{};
  std::array<int, kTransportButtons> imgCmdPicture{};  // 1..22: picture of imglCmd on each face

  float imgSuwakLeft = 22.0f;  // the slider knob's left edge, window pixels

  bool timPlayEnabled = false;
  int timPlayInterval = 0;  // milliseconds

  ScreenState() {
    shCmd.fill(Colour::Grey);
    for (int k = 0; k < kTransportButtons; ++k) imgCmdPicture[k] = k + 1;
  }
};
