#pragma once
// The picture box's magnifier: a factor (1, 2, 4 or 8) and the frame point shown at the
// box's centre. A frame magnified beyond the box covers it, never showing past its
// edges; one that stays smaller is centred. At 1x nothing of this applies: the frame is
// painted one to one, centred, as always.

#include <QPoint>
#include <QPointF>
#include <QSize>

inline constexpr int kMaxZoom = 8;

struct Loupe {
  int factor = 1;       // 1, 2, 4 or 8
  QPointF centre;       // frame pixels (top-down) shown at the box's centre
  bool smooth = false;  // smooth scaling instead of each frame pixel as a square block
};

// Where the frame's top-left corner lies in the box (box pixels) for a frame of that size.
QPoint LoupeOffset(const Loupe& loupe, QSize frame, QSize box);

// The loupe at another factor (held to 1-8, powers of two) with the frame point under
// boxPoint kept under it as far as the frame's edges allow.
Loupe ZoomedAt(const Loupe& loupe, int factor, QSize frame, QSize box, QPointF boxPoint);

// The loupe moved with the pointer by boxDelta box pixels, held inside the frame.
Loupe PannedBy(const Loupe& loupe, QSize frame, QSize box, QPointF boxDelta);
