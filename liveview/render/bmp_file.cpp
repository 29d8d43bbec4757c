#include "liveview/render/bmp_file.h"

#include <cstring>

#include "base/byte_order.h"
#include "liveview/decode/bmp_image.h"

namespace liveview {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
static_assert(sizeof(BITMAPFILEHEADER) == kFileHeaderSize);
static_assert(sizeof(BITMAPINFOHEADER) == kInfoHeaderSize);

int32_t I32(const uint8_t* p) { return static_cast<int32_t>(base::ReadLe32(p)); }

}  // namespace

bool ParseBmpFile(const uint8_t* data, size_t size, BmpFileImage* image) {
  if (!data || size < kFileHeaderSize + kInfoHeaderSize) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelOffset = base::ReadLe32(data + 10);

  const uint8_t* info = data + kFileHeaderSize;
  const uint32_t infoSize = base::ReadLe32(info);
  const int32_t width = I32(info + 4);
  const int32_t height = I32(info + 8);
  const uint16_t bitCount = base::ReadLe16(info + 14);
  const uint32_t compression = base::ReadLe32(info + 16);
  const uint32_t imageSize = base::ReadLe32(info + 20);
  const uint32_t colorsUsed = base::ReadLe32(info + 32);

  // Larger (V4, V5) headers start with the same 40 bytes; the palette follows the whole header.
  if (infoSize < kInfoHeaderSize || infoSize > size - kFileHeaderSize) return false;
  if (width <= 0 || height <= 0 || compression != BI_RGB) return false;

  uint32_t paletteEntries = 0;
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
      paletteEntries = 1u << bitCount;
      if (colorsUsed > paletteEntries) return false;
      if (colorsUsed != 0) paletteEntries = colorsUsed;
      break;
    case 24:
    case 32:
      break;
    default:
      return false;
  }

  const uint64_t paletteStart = kFileHeaderSize + uint64_t{infoSize};
  const uint64_t paletteEnd = paletteStart + uint64_t{paletteEntries} * 4;
  const uint64_t rowBytes = uint64_t(bmp::PaddedRowBytes(width, bitCount));
  const uint64_t bitsSize = rowBytes * static_cast<uint32_t>(height);
  if (imageSize != 0 && imageSize < bitsSize) return false;
  if (pixelOffset < paletteEnd) return false;  // pixels may not overlap the headers
  if (uint64_t{pixelOffset} + bitsSize > size) return false;

  std::vector<uint8_t> bits(data + pixelOffset, data + pixelOffset + bitsSize);
  BmpInfo parsed;
  std::memcpy(&parsed.header, info, kInfoHeaderSize);
  parsed.header.biSize = kInfoHeaderSize;
  parsed.header.biSizeImage = static_cast<DWORD>(bitsSize);
  parsed.header.biClrUsed = paletteEntries;
  if (paletteEntries) std::memcpy(parsed.palette, data + paletteStart, paletteEntries * 4);
  std::memcpy(&image->fileHeader, data, kFileHeaderSize);
  image->info = parsed;
  image->bits.swap(bits);
  return true;
}

}  // namespace liveview
