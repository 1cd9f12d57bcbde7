#pragma once
// Shows a frame: decodes it in place from the window into FrameDib and paints it centred
// into the picture box. On failure the box keeps the previous frame. With decoding
// switched off it neither decodes nor paints: the walks of the command-line tool and a
// stream copy need no pictures.

#include <memory>

#include "dib/cDIBSection.h"
#include "recording/Scanner.h"
#include "viewer/FrameCanvas.h"
#include "viewer/Loupe.h"

inline constexpr int kPictureWidth = 640;  // picTV
inline constexpr int kPictureHeight = 480;

// Where a picture of w x h is painted in the box: centred, halves to the even side.
int CentreOffset(int box, int size);

class FrameDisplay {
 public:
  void SetCanvas(FrameCanvas* canvas) { canvas_ = canvas; }
  void SetDecoding(bool on) { decoding_ = on; }
  bool Decoding() const { return decoding_; }

  // Decodes the frame into FrameDib and paints it; false when it cannot be decoded.
  // With decoding off: true, and FrameDib stays as it was.
  bool Show(const FrameBytes& frame);
  // Decodes into FrameDib without painting; false when it cannot be decoded.
  bool Decode(const FrameBytes& frame);

  // Paints the surface with its top-left corner at (x, y), whatever the state.
  void PaintAt(int x, int y);
  // Paints the surface centred, as a shown frame is, or magnified through the loupe.
  void PaintFrame();
  const Loupe& loupe() const { return loupe_; }
  void SetLoupe(const Loupe& loupe) { loupe_ = loupe; }
  void ClearBox();

  // FrameDib, made on first use.
  cDIBSection& MakeDib();
  const cDIBSection* Dib() const { return FrameDib_.get(); }
  // Whether FrameDib holds the successful decode of the frame starting at file position
  // start, made by the latest Show or Decode.
  bool Holds(FilePos start) const { return decodedAt_ != -1 && decodedAt_ == start; }

 private:
  std::unique_ptr<cDIBSection> FrameDib_;  // the decoded frame
  FrameCanvas* canvas_ = nullptr;
  FilePos decodedAt_ = -1;  // file position of the frame FrameDib holds; -1 none
  bool decoding_ = true;
  Loupe loupe_;
};
