#include "liveview/decode/bmp_image.h"

#include "base/byte_order.h"

namespace bmp {
bool Fits(int64_t width, int64_t height, int64_t capacity) {
  return width > 0 && height > 0 && ImageSize(width, height) <= capacity;
}

int32_t ResolutionFromDensity(int densityUnit, int density) {
  return densityUnit == kDensityDotsPerCm ? density * 100 : 0;
}

void WriteHeaders(const ImageHeader& header, uint8_t* out) {
  const auto fileSize = static_cast<uint32_t>(ImageSize(header.width, header.height));
  // BITMAPFILEHEADER
  out[0] = 'B';
  out[1] = 'M';
  base::WriteLe32(out + 2, fileSize);
  base::WriteLe16(out + 6, 0);
  base::WriteLe16(out + 8, 0);
  base::WriteLe32(out + 10, kPixelOffset);
  // BITMAPINFOHEADER
  uint8_t* info = out + kFileHeaderSize;
  base::WriteLe32(info + 0, kInfoHeaderSize);
  base::WriteLe32(info + 4, static_cast<uint32_t>(header.width));
  base::WriteLe32(info + 8, static_cast<uint32_t>(header.height));
  base::WriteLe16(info + 12, 1);  // planes
  base::WriteLe16(info + 14, kBitsPerPixel);
  base::WriteLe32(info + 16, 0);  // BI_RGB
  base::WriteLe32(info + 20, 0);  // image size: may be 0 for uncompressed rows
  base::WriteLe32(info + 24, static_cast<uint32_t>(header.xPelsPerMeter));
  base::WriteLe32(info + 28, static_cast<uint32_t>(header.yPelsPerMeter));
  base::WriteLe32(info + 32, 0);  // colours used
  base::WriteLe32(info + 36, 0);  // important colours
}

int32_t InfoWidth(const uint8_t* infoHeader) {
  return static_cast<int32_t>(base::ReadLe32(infoHeader + 4));
}

int32_t InfoHeight(const uint8_t* infoHeader) {
  return static_cast<int32_t>(base::ReadLe32(infoHeader + 8));
}

int InfoBitCount(const uint8_t* infoHeader) { return infoHeader[14] | (infoHeader[15] << 8); }

}  // namespace bmp
