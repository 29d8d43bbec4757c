// The in-memory BMP image every decoded camera frame becomes: a BITMAPFILEHEADER, a
// BITMAPINFOHEADER and 24-bit bottom-up blue-green-red rows padded to 4 bytes, laid out
// exactly as a .bmp file so the renderer, the picture copy and the host all read one form.
// Byte-level only: no Win32 calls, and no aligned struct access (the info header starts at
// byte 14, which is not 4-byte aligned).
#pragma once

#include <cstdint>

namespace bmp {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPixelOffset = kFileHeaderSize + kInfoHeaderSize;  // no palette in 24-bit form
constexpr int kBitsPerPixel = 24;
// The decoder's fixed output buffer; a 640 x 480 picture takes 921,654 bytes of it.
constexpr int kMaxImageSize = 0x200000;

// JFIF density unit for dots per centimetre; only then does the BMP carry a resolution.
constexpr int kDensityDotsPerCm = 2;

// Bytes of one stored row of `width` pixels of `bitCount` bits, padded to 4 bytes, as the
// decoder's rows and .bmp files store them; 64-bit so hostile dimensions cannot wrap.
constexpr int64_t PaddedRowBytes(int64_t width, int bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

// Bytes of one of the decoder's 24-bit rows.
constexpr int64_t RowWidth(int64_t width) { return PaddedRowBytes(width, kBitsPerPixel); }

// Headers and rows together; 64-bit so that hostile dimensions cannot wrap.
constexpr int64_t ImageSize(int64_t width, int64_t height) {
  return kPixelOffset + RowWidth(width) * height;
}

// True when a width x height picture fits an image buffer of `capacity` bytes.
bool Fits(int64_t width, int64_t height, int64_t capacity);

// Pixels per metre for the BMP header: JFIF dots per centimetre x 100. Any other unit
// (aspect ratio only, dots per inch) gives 0; inches are deliberately left unconverted.
int32_t ResolutionFromDensity(int densityUnit, int density);

struct ImageHeader {
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
};

// Writes the 14-byte file header and the 40-byte info header into out[0..54).
void WriteHeaders(const ImageHeader& header, uint8_t* out);

// Field readers over the 40-byte info header (the image's byte 14 onwards).
int32_t InfoWidth(const uint8_t* infoHeader);
int32_t InfoHeight(const uint8_t* infoHeader);
int InfoBitCount(const uint8_t* infoHeader);

}  // namespace bmp
