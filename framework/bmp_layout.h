// The byte-level reading of a .bmp file image for fw::Bitmap: whether the bitmap can take
// it, and where its pixels lie. Nothing here calls the system, so it runs over any bytes
// natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct BmpColor {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
};

struct BmpLayout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  bool is565 = false;
  // A 32-bit file whose masks are not blue-green-red-unused.
  bool convert32 = false;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  uint64_t pixelOffset = 0;
  uint64_t stride = 0;
  std::vector<BmpColor> colors;  // depths of 8 bits or less
};

// Empty when fw::Bitmap takes the file image, else why not ("is not a BMP file", ...), to
// follow the file's name. Every row the layout names then lies inside the image.
std::string ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout* layout);

// Row `y` counted from the top, `layout.stride` bytes as the bitmap holds them: 32-bit pixels
// of other masks become blue-green-red-unused.
void CopyBmpRow(const uint8_t* data, const BmpLayout& layout, int y, uint8_t* to);

// One channel of a 32-bit pixel under `mask`, scaled to 8 bits.
uint8_t BmpChannel(uint32_t pixel, uint32_t mask);

}  // namespace fw
