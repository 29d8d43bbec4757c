#include "bmp_image.h"

namespace bmp {
namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

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
  Put32(out + 2, fileSize);
  Put16(out + 6, 0);
  Put16(out + 8, 0);
  Put32(out + 10, kPixelOffset);
  // BITMAPINFOHEADER
  uint8_t* info = out + kFileHeaderSize;
  Put32(info + 0, kInfoHeaderSize);
  Put32(info + 4, static_cast<uint32_t>(header.width));
  Put32(info + 8, static_cast<uint32_t>(header.height));
  Put16(info + 12, 1);  // planes
  Put16(info + 14, kBitsPerPixel);
  Put32(info + 16, 0);  // BI_RGB
  Put32(info + 20, 0);  // image size: may be 0 for uncompressed rows
  Put32(info + 24, static_cast<uint32_t>(header.xPelsPerMeter));
  Put32(info + 28, static_cast<uint32_t>(header.yPelsPerMeter));
  Put32(info + 32, 0);  // colours used
  Put32(info + 36, 0);  // important colours
}

int32_t InfoWidth(const uint8_t* infoHeader) {
  return static_cast<int32_t>(Get32(infoHeader + 4));
}

int32_t InfoHeight(const uint8_t* infoHeader) {
  return static_cast<int32_t>(Get32(infoHeader + 8));
}

int InfoBitCount(const uint8_t* infoHeader) { return infoHeader[14] | (infoHeader[15] << 8); }

}  // namespace bmp
