#pragma once
// How fuzz_scanner turns its input into a recording. The first two bytes choose a layout
// and its parameter; the rest is the body. A small input alone would always fit in one
// window, so three of the layouts spread it over a file of up to about 4 MB, where the
// window has to move forward and backward and carry frames across its edges.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class ScannerLayout {
 public:
  enum Kind : std::uint8_t {
    Plain = 0,   // the body is the file
    Repeat = 1,  // the body over and over, 100,000 + parameter x 16,000 bytes
    Spread = 2,  // 64-byte pieces of the body, 1,024 + parameter x 8,192 bytes apart, zeros between
    Edge = 3,    // the body just before a window edge: parameter / 3 x 16 bytes before 500,000 x (1 + parameter % 3)
  };
  static constexpr std::size_t kHeader = 2;
  static constexpr std::size_t kMaxFile = 4'200'000;  // bytes
  static constexpr std::size_t kPiece = 64;

  // The file for one fuzz input, into `file` (whose memory is reused).
  static void Image(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& file) {
    const Kind kind = size > 0 ? static_cast<Kind>(data[0] % 4) : Plain;
    const std::size_t parameter = size > 1 ? data[1] : 0;
    const std::uint8_t* body = data + std::min(size, kHeader);
    const std::size_t bodySize = size > kHeader ? size - kHeader : 0;
    file.clear();
    switch (kind) {
      case Plain: file.assign(body, body + bodySize); break;
      case Repeat: {
        file.assign(100'000 + parameter * 16'000, 0);
        if (bodySize == 0) break;
        // One copy of the body, then the filled part doubled until the file is full.
        std::size_t filled = std::min(bodySize, file.size());
        std::memcpy(file.data(), body, filled);
        while (filled < file.size()) {
          const std::size_t n = std::min(filled, file.size() - filled);
          std::memcpy(file.data() + filled, file.data(), n);
          filled += n;
        }
        break;
      }
      case Spread: {
        const std::size_t stride = 1'024 + parameter * 8'192;
        for (std::size_t k = 0; k * kPiece < bodySize; ++k) {
          const std::size_t at = k * stride;
          const std::size_t n = std::min(kPiece, bodySize - k * kPiece);
          if (at + n > kMaxFile) break;
          file.resize(at + n, 0);
          std::memcpy(file.data() + at, body + k * kPiece, n);
        }
        break;
      }
      case Edge: {
        const std::size_t before = 500'000 * (1 + parameter % 3) - parameter / 3 * 16;
        file.assign(before, 0);
        file.insert(file.end(), body, body + bodySize);
        break;
      }
    }
  }

  // The two header bytes that select a layout (for seeds).
  static std::vector<std::uint8_t> Header(Kind kind, std::uint8_t parameter) { return {kind, parameter}; }
};
