// Reading a .bmp file's bytes into what DrawDib draws: the info header with its palette
// right behind it, and the pixel rows. Byte-level only, checked against the file's length
// so that no header, however wrong, makes it read past the bytes it was given.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace liveview {

// The info header and up to 256 palette entries, contiguous as a BITMAPINFO.
struct BmpInfo {
  BITMAPINFOHEADER header{};
  RGBQUAD palette[256]{};
};

struct BmpFileImage {
  BITMAPFILEHEADER fileHeader{};
  BmpInfo info;  // header.biSize is 40 and biClrUsed the entries read, whatever the file said
  std::vector<uint8_t> bits;
};

// Uncompressed 1, 4 and 8 bits (with their palette) and 24 and 32 bits, bottom-up. False for
// anything else, and for sizes that do not fit the file; `image` is then untouched.
bool ParseBmpFile(const uint8_t* data, size_t size, BmpFileImage* image);

}  // namespace liveview
