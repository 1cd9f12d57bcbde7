#pragma once
// Where frames are painted: the window's picture box, or nothing (command line).

#include <QPoint>

class cDIBSection;

class FrameCanvas {
 public:
  virtual ~FrameCanvas() = default;
  // Paints the surface one to one with its top-left corner at (x, y) of the box.
  virtual void Paint(cDIBSection& dib, int x, int y) = 0;
  // Paints the surface magnified factor times (each pixel a factor x factor block, or
  // smoothly scaled), its top-left corner at `at` (left of or above the box when the
  // magnified picture is larger); what the picture leaves of the box is black.
  virtual void PaintMagnified(const cDIBSection& dib, QPoint at, int factor, bool smooth) = 0;
  // Clears the box (an export's own drawing starts from an empty box).
  virtual void Clear() = 0;
};
