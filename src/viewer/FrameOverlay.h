#pragma once
// The camera's data burned into an exported picture: one line of text — the panel's
// identifier, time and speed through a format — in white on a translucent dark band
// along the picture's bottom or top edge, sized in proportion to the picture's height.
// Each caption is rendered once per text and picture size and then laid over every
// picture that carries it; what it covered can be put back afterwards. The rendering
// itself (text needs QtGui's fonts) is the caption painter's, which a program that draws
// sets once (SetCaptionPainter).

#include <cstdint>
#include <vector>

#include <QRect>
#include <QString>

#include "viewer/ScreenState.h"

class cDIBSection;

enum class OverlayPlace { Bottom, Top };

// The fields a format may name; any other text stands as it is.
inline constexpr const char* kDefaultOverlayFormat = "{ident}  {time}  {speed}";

struct OverlayRequest {
  QString format = QString::fromLatin1(kDefaultOverlayFormat);
  OverlayPlace place = OverlayPlace::Bottom;
};

// What the information panel shows for a frame, as a caption uses it.
struct PanelTexts {
  QString ident;  // lblIdent
  QString time;   // lblTime: the time display, time correction applied
  QString speed;  // lblInfo, empty while the panel hides the speed
};

PanelTexts PanelTextsOf(const ScreenState& screen);

// The format with {ident}, {time} and {speed} filled in, blanks at either end dropped.
QString OverlayCaption(const QString& format, const PanelTexts& panel);

// A caption rendered white on the translucent dark band of that size: premultiplied
// 0xAARRGGBB pixels, rows top-down, width × height of them.
using CaptionPainter = std::vector<std::uint32_t> (*)(int width, int height, const QString& caption);
// The painter every overlay uses from then on. Drawing an overlay without one throws
// std::logic_error: the program forgot to set it.
void SetCaptionPainter(CaptionPainter painter);

class FrameOverlay {
 public:
  // The band's place in a picture of that size (top-down picture coordinates).
  static QRect BandRect(int width, int height, OverlayPlace place);

  // Lays the caption over the surface's picture, keeping what the band covers.
  void Draw(cDIBSection& dib, const QString& caption, OverlayPlace place);
  // Puts back what the last Draw covered on that surface.
  void Restore(cDIBSection& dib) const;

 private:
  const std::vector<std::uint32_t>& Band(int width, int height, const QString& caption);

  QString caption_;  // the caption the band was rendered for
  int bandWidth_ = 0, bandHeight_ = 0;
  std::vector<std::uint32_t> band_;    // premultiplied ARGB, upright
  std::vector<std::uint8_t> covered_;  // the surface's memory rows under the band
  std::int64_t coveredAt_ = 0;         // their offset in the surface's memory
};
