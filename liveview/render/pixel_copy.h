// Copying a decoded picture into a destination of another pixel depth (a locked DirectDraw
// surface, or the GDI path's scratch DIB), row by row at the destination's pitch. Plain
// memory only: the renderer locks and unlocks around it.
#pragma once

#include <cstdint>

namespace liveview {

// One 5-6-5 pixel from 8-bit channels.
inline uint16_t Pack565(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint16_t>((red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3);
}

struct PixelSource {
  const uint8_t* rows = nullptr;  // blue, green, red (, unused) per pixel
  int width = 0;
  int height = 0;
  int bitCount = 24;  // 24 or 32
  bool bottomUp = true;  // first stored row is the picture's bottom row
};

struct PixelDestination {
  uint8_t* rows = nullptr;  // top row first
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes from one row to the next
  int bitCount = 32;  // 32, 24 or 16 (5-6-5)
};

// Copies the overlapping min(width) x min(height) area, upright: destination row y takes
// picture row y. False, and nothing copied, for a depth it does not handle.
bool CopyPixels(const PixelSource& source, const PixelDestination& destination);

}  // namespace liveview
