#pragma once
// The overlay's caption drawn with Qt's painter: white bold text on a translucent dark
// band. Programs that burn the camera's data into pictures hand it to SetCaptionPainter.

#include <cstdint>
#include <vector>

#include <QString>

// The band as premultiplied 0xAARRGGBB pixels, rows top-down; the text is set smaller
// until it fits the band's width.
std::vector<std::uint32_t> PaintCaptionBand(int width, int height, const QString& caption);
