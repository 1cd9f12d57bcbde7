#pragma once
// The main window's artwork, painted in code at 1:1 so nothing is loaded from disk.
// Every picture has exactly the size of the control that shows it. Faces and icons
// that sit over a lamp are opaque except for their symbol, which is fully transparent:
// the lamp behind shows through the symbol and nowhere else.

#include <QColor>
#include <QPixmap>
#include <array>

class Skin {
 public:
  // What the window shows where no picture lies (the bottom row, y 630).
  static QColor WindowColour();

  // Backgrounds, each at its window position.
  static QPixmap TopStrip();   // 755 x 50 at (0, 0): title strip with the file and ident boxes
  static QPixmap Image3();     // 24 x 480 at (0, 50): left of the picture
  static QPixmap Image1();     // 92 x 480 at (664, 50): right-hand panel
  static QPixmap imgBottom();  // 755 x 100 at (0, 530): slider track, time box, transport bed

  static QPixmap imgSuwak();     // 26 x 16 slider knob (transparent round its edge)
  static QPixmap imgMinimize();  // 21 x 21
  static QPixmap imgExit();      // 21 x 21

  // The transport faces, 29 high, as wide as their buttons (50; 70 for 3 and 7; 100 for 5).
  // Index i < 11 is the released face of button i, index i + 11 its pressed face.
  static std::array<QPixmap, 22> imglCmd();

  static QPixmap imgCamera();    // 19 x 11, over shCamera
  static QPixmap imgBatt();      // 19 x 12, over shBatt
  static QPixmap imgIco(int k);  // k 0..3: folder 16x14, clock 15x15, disk 16x16, scissors 16x16
  static QPixmap imgRightCmd();  // 43 x 25 blank raised command button
};
