#pragma once
// Where frames are painted: the window's picture box, or nothing (command line).

class cDIBSection;

class FrameCanvas {
 public:
  virtual ~FrameCanvas() = default;
  // Paints the surface one to one with its top-left corner at (x, y) of the box.
  virtual void Paint(cDIBSection& dib, int x, int y) = 0;
  // Clears the box (an export's own drawing starts from an empty box).
  virtual void Clear() = 0;
};
