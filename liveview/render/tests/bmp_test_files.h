// .bmp files made in memory for the background picture's tests: every header field can be
// set wrong on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace liveview {
namespace testing_support {

struct BmpShape {
  int width = 4;
  int height = 2;
  int bitCount = 24;
  uint32_t compression = 0;
  uint32_t imageSize = 0;   // header field; 0 as many writers leave it
  uint32_t colorsUsed = 0;  // header field
  uint32_t infoSize = 40;
  int paletteEntries = 0;  // written after the info header
  int gap = 0;             // junk bytes between the palette and the pixels
  char signature[3] = "BM";
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// Pixel bytes the header asks for; a header that asks for absurd sizes gets a few bytes.
inline size_t BmpBitsSize(const BmpShape& s) {
  if (s.width <= 0 || s.height <= 0 || s.width > 100000 || s.height > 100000) return 12;
  return (size_t(s.width) * s.bitCount + 31) / 32 * 4 * s.height;
}
inline size_t BmpPixelOffset(const BmpShape& s) { return 14 + s.infoSize + s.paletteEntries * 4 + s.gap; }

// Headers, palette entry i = (i, 2i, 3i), the gap filled with 0xEE, and pixel bytes that
// count up from 1 (every byte of the bits, padding included, differs from its neighbour).
inline std::vector<uint8_t> MakeBmp(const BmpShape& s) {
  const size_t bitsSize = BmpBitsSize(s);
  const size_t offset = BmpPixelOffset(s);
  std::vector<uint8_t> b(offset + bitsSize, 0);
  b[0] = s.signature[0];
  b[1] = s.signature[1];
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, s.infoSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<uint32_t>(s.bitCount));
  Put32(b, 30, s.compression);
  Put32(b, 34, s.imageSize);
  Put32(b, 46, s.colorsUsed);
  for (int i = 0; i < s.paletteEntries; ++i) {
    const size_t at = 14 + s.infoSize + i * 4;
    b[at] = static_cast<uint8_t>(i);
    b[at + 1] = static_cast<uint8_t>(2 * i);
    b[at + 2] = static_cast<uint8_t>(3 * i);
  }
  std::memset(b.data() + offset - s.gap, 0xEE, s.gap);
  for (size_t i = 0; i < bitsSize; ++i) b[offset + i] = static_cast<uint8_t>(1 + i % 251);
  return b;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testing_support
}  // namespace liveview

namespace liveview {
namespace testing_support {

// A 24-bit file whose picture row y (0 the top) column x is colour(x, y), stored bottom-up.
template <class ColourAt>
std::vector<uint8_t> MakeColourBmp(int width, int height, ColourAt colour) {
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  std::vector<uint8_t> file = MakeBmp(shape);
  const size_t rowBytes = (size_t(width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);  // COLORREF: 0x00BBGGRR
      uint8_t* p = &file[54 + (height - 1 - y) * rowBytes + x * 3];
      p[0] = (c >> 16) & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = c & 0xFF;
    }
  }
  return file;
}

}  // namespace testing_support
}  // namespace liveview
