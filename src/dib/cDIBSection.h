#pragma once
// Promises: an owned 24-bit picture (bottom-up B,G,R rows padded to 4 bytes) with its header, painted upright one to one.
// Never: initialises new pixels, stretches, copies its memory to paint it, or may be used from two threads.
// The members that take or give Qt pictures (CopyToClipboard, CreateFromPicture, LoadPictureBlt,
// PaintPicture, hdc) live in cDIBSectionQt.cpp, library vistrel_dib_qt, the only part needing QtGui.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class QImage;
class QPainter;

class cDIBSection {
 public:
  // The header exactly as a bitmap file or an AVI stream format carries it.
  struct BITMAPINFOHEADER {
    uint32_t biSize;          // bytes in this header: 40
    int32_t biWidth;          // pixels
    int32_t biHeight;         // pixels; positive, so rows lie bottom-up
    uint16_t biPlanes;        // 1
    uint16_t biBitCount;      // 24
    uint32_t biCompression;   // 0 = uncompressed RGB
    uint32_t biSizeImage;     // bytes of pixel memory: biHeight × BytesPerScanLine
    int32_t biXPelsPerMeter;  // 0, never set
    int32_t biYPelsPerMeter;  // 0, never set
    uint32_t biClrUsed;       // 0, never set
    uint32_t biClrImportant;  // 0, never set
  };
  struct RGBQUAD {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
  };
  // A 24-bit picture has no colour table; the one entry stays 0.
  struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
  };
  static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header is handed out byte for byte");
  static_assert(sizeof(BITMAPINFO) == 44);
  static_assert(std::endian::native == std::endian::little,
                "header fields are stored as they lie in memory, which must be little-endian");

  // Raster operations understood by PaintPicture and LoadPictureBlt; any other is ignored.
  static constexpr uint32_t SRCCOPY = 0x00CC0020;      // dest = source
  static constexpr uint32_t SRCPAINT = 0x00EE0086;     // dest = source OR dest
  static constexpr uint32_t SRCAND = 0x008800C6;       // dest = source AND dest
  static constexpr uint32_t SRCINVERT = 0x00660046;    // dest = source XOR dest
  static constexpr uint32_t SRCERASE = 0x00440328;     // dest = source AND NOT dest
  static constexpr uint32_t NOTSRCCOPY = 0x00330008;   // dest = NOT source
  static constexpr uint32_t NOTSRCERASE = 0x001100A6;  // dest = NOT (source OR dest)
  static constexpr uint32_t MERGEPAINT = 0x00BB0226;   // dest = NOT source OR dest
  static constexpr uint32_t DSTINVERT = 0x00550009;    // dest = NOT dest
  static constexpr uint32_t BLACKNESS = 0x00000042;    // dest = 0
  static constexpr uint32_t WHITENESS = 0x00FF0062;    // dest = all ones

  cDIBSection() = default;
  ~cDIBSection();
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;

  // bAsDIB true: refuses with a message (false). Otherwise puts an upright copy on the
  // clipboard; false without a GUI application or without a picture.
  bool CopyToClipboard(bool bAsDIB = false);
  // Fills the header and allocates (uninitialised) pixel memory; hDib receives the handle.
  // Any previous surface is released first, since its image views the memory being replaced.
  // Throws std::overflow_error when width × 3 + 3 or height × BytesPerScanLine leaves 32 bits.
  bool CreateDIB(int32_t lWidth, int32_t lHeight, std::uintptr_t& hDib);
  // A surface of the picture's size holding the picture; stays empty when that fails.
  void CreateFromPicture(const QImage& picThis);
  // A new surface of that size, pixels uninitialised. False (and empty) for a size of 0 or
  // below, or when memory runs out; throws std::overflow_error as CreateDIB does.
  bool Create(int32_t lWidth, int32_t lHeight);

  int32_t BytesPerScanLine() const;  // throws std::overflow_error for an absurd width
  int32_t Width() const { return m_bmi.bmiHeader.biWidth; }
  int32_t Height() const { return m_bmi.bmiHeader.biHeight; }

  // Copies a top-down image's rectangle upright into this picture at (0, 0).
  // Sizes below 0 mean this surface's own.
  void LoadPictureBlt(const QImage& lhDC, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, int32_t lSrcWidth = -1,
                      int32_t lSrcHeight = -1, uint32_t eRop = SRCCOPY);
  // Paints this picture upright and one to one through an active painter. Source coordinates
  // are picture coordinates (top-down); sizes below 0 mean this surface's own.
  void PaintPicture(QPainter& lhDC, int32_t lDestLeft = 0, int32_t lDestTop = 0, int32_t lDestWidth = -1,
                    int32_t lDestHeight = -1, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, uint32_t eRop = SRCCOPY) const;

  // The pixel memory as an image, row 0 = first row in memory = BOTTOM row of the picture;
  // a null image while empty. A new view each time: painting into it paints the surface.
  QImage hdc() const;
  std::uintptr_t hDib() const { return m_hDib; }               // opaque, non-zero while created
  uint8_t* DIBSectionBitsPtr() const { return m_bits.get(); }  // nullptr while empty

  void RandomiseBits(bool bGray = false);
  void ClearUp();
  // Height first. A new surface (pixel copy at the same size, bilinear otherwise); nullptr
  // when it cannot be created or this one is empty. Throws std::out_of_range when resampling
  // would need a right or lower neighbour this picture lacks (narrower or lower than 2).
  std::unique_ptr<cDIBSection> Resample(int32_t lNewHeight, int32_t lNewWidth) const;

  int32_t BitCount() const { return m_bmi.bmiHeader.biBitCount; }
  uint32_t Compression() const { return m_bmi.bmiHeader.biCompression; }
  uint32_t SizeInfoHeader() const { return m_bmi.bmiHeader.biSize; }
  uint32_t SizeImage() const { return m_bmi.bmiHeader.biSizeImage; }
  int32_t Planes() const { return m_bmi.bmiHeader.biPlanes; }
  uint32_t ClrImportant() const { return m_bmi.bmiHeader.biClrImportant; }
  uint32_t ClrUsed() const { return m_bmi.bmiHeader.biClrUsed; }
  int32_t XPPM() const { return m_bmi.bmiHeader.biXPelsPerMeter; }
  int32_t YPPM() const { return m_bmi.bmiHeader.biYPelsPerMeter; }
  static constexpr int32_t FileType() { return 0x4D42; }  // "BM" as a little-endian word
  uint32_t SizeFileHeader() const { return SizeImage() + 55; }
  static constexpr int32_t BitOffset() { return 14 + 40; }  // file header + info header
  uint8_t* PointerToBits() const { return m_bits.get(); }
  // Snapshots the 40-byte header into a buffer owned here and answers its address; the
  // snapshot is not refreshed by a later Create.
  const uint8_t* PointerToBitmapInfo();
  // 40 once PointerToBitmapInfo was read; std::out_of_range before.
  int32_t SizeBitmapInfo() const;

 private:
  void ResampleBilinear(cDIBSection& target) const;

  std::uintptr_t m_hDib = 0;          // handle handed out by hDib; 0 = none
  std::unique_ptr<uint8_t[]> m_bits;  // the pixel memory, BytesPerScanLine × Height bytes
  BITMAPINFO m_bmi{};                 // describes the current (or last attempted) surface
  std::vector<uint8_t> m_headerCopy;  // filled by PointerToBitmapInfo
};
