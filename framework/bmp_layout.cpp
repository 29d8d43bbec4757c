#include "framework/bmp_layout.h"

#include <cstring>

namespace fw {

namespace {

// The values <wingdi.h> gives them.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

constexpr uint32_t kMask555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};
constexpr uint32_t kMask888[3] = {0xFF0000, 0x00FF00, 0x0000FF};

bool ValidDepth(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool Contiguous(uint32_t mask) {
  if (!mask) return true;
  while (!(mask & 1)) mask >>= 1;
  return (mask & (mask + 1)) == 0;
}

}  // namespace

uint8_t BmpChannel(uint32_t pixel, uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const uint32_t max = mask >> shift;
  const uint32_t value = (pixel & mask) >> shift;
  // In 64 bits: a mask may be up to 32 bits wide.
  return static_cast<uint8_t>(max == 0xFF ? value : (uint64_t{value} * 255 + max / 2) / max);
}

std::string ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout* layout) {
  const uint64_t fileSize = size;
  if (fileSize < 14 + 40 || data[0] != 'B' || data[1] != 'M') return "is not a BMP file";
  const uint64_t pixelOffset = U32(&data[10]);
  const uint32_t infoSize = U32(&data[14]);
  if (infoSize != 40 && infoSize != 108 && infoSize != 124) {
    return "has an info header of " + std::to_string(infoSize) + " bytes";
  }
  if (14 + uint64_t{infoSize} > fileSize) return "ends inside its header";
  const uint8_t* h = &data[14];
  const int64_t width = static_cast<int32_t>(U32(h + 4));
  const int64_t rawHeight = static_cast<int32_t>(U32(h + 8));
  const int planes = U16(h + 12);
  const int bpp = U16(h + 14);
  const uint32_t compression = U32(h + 16);
  const uint64_t colorsUsed = U32(h + 32);
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) {
    return "has a size of " + std::to_string(width) + " x " + std::to_string(rawHeight);
  }
  if (planes != 1 || !ValidDepth(bpp)) {
    return "has " + std::to_string(bpp) + " bits per pixel in " + std::to_string(planes) +
           " planes";
  }
  const bool bitfields = compression == kBiBitfields;
  if (compression != kBiRgb && !(bitfields && (bpp == 16 || bpp == 32))) {
    return "is compressed (" + std::to_string(compression) + ")";
  }
  uint64_t tablesAt = 14 + uint64_t{infoSize};
  uint32_t masks[3] = {0, 0, 0};
  if (bitfields) {
    if (infoSize == 40) tablesAt += 12;
    if (tablesAt > fileSize) return "ends inside its colour masks";
    for (int i = 0; i < 3; ++i) masks[i] = U32(&data[54 + 4 * i]);
  } else if (bpp == 16) {
    std::memcpy(masks, kMask555, sizeof masks);
  } else if (bpp == 32) {
    std::memcpy(masks, kMask888, sizeof masks);
  }
  const uint64_t maxColors = bpp <= 8 ? (uint64_t{1} << bpp) : 0;
  const uint64_t colorCount = bpp <= 8 ? (colorsUsed ? colorsUsed : maxColors) : colorsUsed;
  if (bpp <= 8 && colorCount > maxColors) {
    return "has " + std::to_string(colorCount) + " colours for " + std::to_string(bpp) +
           " bits per pixel";
  }
  const uint64_t tablesEnd = tablesAt + colorCount * 4;
  if (tablesEnd > fileSize || tablesEnd > pixelOffset) {
    return "has a colour table past its pixels or its end";
  }
  const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
  if (pixelOffset + stride * static_cast<uint64_t>(height) > fileSize) {
    return "ends before its pixels do";
  }

  bool is565 = false;
  bool convert32 = false;
  if (bpp == 16) {
    is565 = std::memcmp(masks, kMask565, sizeof masks) == 0;
    if (!is565 && std::memcmp(masks, kMask555, sizeof masks) != 0) {
      return "has 16-bit colour masks other than 5-5-5 and 5-6-5";
    }
  } else if (bpp == 32) {
    for (uint32_t m : masks) {
      if (!Contiguous(m)) return "has colour masks with gaps";
    }
    convert32 = std::memcmp(masks, kMask888, sizeof masks) != 0;
  }

  BmpLayout out;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.topDown = topDown;
  out.bitsPerPixel = bpp;
  out.is565 = is565;
  out.convert32 = convert32;
  std::memcpy(out.masks, masks, sizeof masks);
  out.pixelOffset = pixelOffset;
  out.stride = stride;
  for (uint64_t i = 0; i < colorCount && bpp <= 8; ++i) {
    const uint8_t* q = &data[static_cast<size_t>(tablesAt + 4 * i)];
    out.colors.push_back(BmpColor{q[0], q[1], q[2]});
  }
  *layout = std::move(out);
  return {};
}

void CopyBmpRow(const uint8_t* data, const BmpLayout& layout, int y, uint8_t* to) {
  const int64_t fileRow = layout.topDown ? y : layout.height - 1 - int64_t{y};
  const uint8_t* from =
      &data[static_cast<size_t>(layout.pixelOffset + static_cast<uint64_t>(fileRow) * layout.stride)];
  if (!layout.convert32) {
    std::memcpy(to, from, static_cast<size_t>(layout.stride));
    return;
  }
  for (int64_t x = 0; x < layout.width; ++x) {
    const uint32_t pixel = U32(from + 4 * x);
    to[4 * x] = BmpChannel(pixel, layout.masks[2]);
    to[4 * x + 1] = BmpChannel(pixel, layout.masks[1]);
    to[4 * x + 2] = BmpChannel(pixel, layout.masks[0]);
    to[4 * x + 3] = 0;
  }
}

}  // namespace fw
