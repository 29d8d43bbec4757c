// A plain picture in memory: rows top first, three bytes per pixel in red-green-blue order,
// no row padding. It is the form libjpeg's compressor takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camsim {

struct Rgb {
  uint8_t r, g, b;
};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  RgbImage() = default;
  RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}

  // Clipped: parts outside the picture are ignored.
  void FillRect(int x, int y, int w, int h, Rgb colour);
  void SetPixel(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
  }
};

}  // namespace camsim
