#pragma once
// Shows the current frame: decodes it in place from WindowBuffer into FrameDib,
// paints it centred into the picture box, writes its size and asks for its
// information. On failure the box, the size and the panel keep the previous frame.
// With decoding switched off it paints nothing and only reports the frame and its
// information: the walks of the command-line tool and a stream copy need no pictures.

#include <functional>

#include "recording/FrameCanvas.h"
#include "shell/ScreenState.h"
#include "shell/ViewerState.h"

inline constexpr int kPictureWidth = 640;   // picTV
inline constexpr int kPictureHeight = 480;

// Where a picture of w x h is painted in the box: centred, halves to the even side.
int CentreOffset(int box, int size);

class FrameDisplay {
 public:
  FrameDisplay(ViewerState& state, ScreenState& screen, std::function<void()> showInfo);

  void SetCanvas(FrameCanvas* canvas) { canvas_ = canvas; }
  // On by default. Off: ShowJpeg neither decodes nor paints, leaves FrameDib and the
  // size text alone, and answers true for every frame inside the window.
  void SetDecoding(bool on) { decoding_ = on; }
  bool Decoding() const { return decoding_; }

  bool ShowJpeg();
  // The box's repaint: the surface again, except with no recording or during an export.
  void picTV_Paint();

  // Paints the surface with its top-left corner at (x, y), whatever the state.
  void PaintAt(int x, int y);
  // Paints the surface centred, as a shown frame is.
  void PaintFrame();
  void ClearBox();

  // Whether FrameDib holds the successful decode of the current frame, made by the
  // latest ShowJpeg: decoding the same bytes again would give the same picture.
  bool HoldsCurrentFrame() const;

 private:

  ViewerState& st_;
  ScreenState& screen_;
  std::function<void()> showInfo_;
  FrameCanvas* canvas_ = nullptr;
  FilePos decodedAt_ = -1;  // file position of the frame FrameDib holds; -1 none
  bool decoding_ = true;
};
