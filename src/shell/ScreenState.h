#pragma once
// What the main window shows besides pictures: every text, lamp colour and
// visibility the core decides. The window renders it after each event; the
// command-line tool reads it. Colours are packed 0x00BBGGRR values.

#include <array>
#include <cstdint>
#include <QString>

namespace Colour {
inline constexpr std::uint32_t Grey = 0x808080;       // unavailable
inline constexpr std::uint32_t LightGrey = 0xA0A0A0;  // transport: unavailable / grey held down
inline constexpr std::uint32_t Blue = 0xCC9933;       // transport: ready
inline constexpr std::uint32_t LightCyan = 0xFFFF66;  // transport: blue held down
inline constexpr std::uint32_t Yellow = 0x00FFFF;     // transport: the running mode
inline constexpr std::uint32_t Orange = 0x0066FF;     // command available
inline constexpr std::uint32_t MarkGreen = 0x00FF00;  // mark: start set, end awaited
inline constexpr std::uint32_t Green = 0x00A000;      // battery
inline constexpr std::uint32_t Olive = 0x00C0C0;      // battery
inline constexpr std::uint32_t DarkRed = 0x0000C0;    // battery
inline constexpr std::uint32_t Red = 0x0000FF;        // speed text
inline constexpr std::uint32_t TitleGrey = 0x646464;  // title and maker's notice
}  // namespace Colour

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
  std::array<QString, 3> lblPicInfo{QStringLiteral("Quality: --"), QStringLiteral("Zoom: --"),
                                    QStringLiteral("--")};
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
