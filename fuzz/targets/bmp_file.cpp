// The background picture's .bmp reader over a whole file image.
#include <cstddef>
#include <cstdint>

#include "liveview/decode/bmp_image.h"
#include "liveview/render/bmp_file.h"
#include "support/fuzz_check.h"

using namespace liveview;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BmpFileImage image;
  if (!ParseBmpFile(data, size, &image)) {
    FUZZ_CHECK(image.bits.empty());
    return 0;
  }
  const BITMAPINFOHEADER& header = image.info.header;
  FUZZ_CHECK(header.biSize == 40 && header.biWidth > 0 && header.biHeight > 0);
  FUZZ_CHECK(header.biClrUsed <= 256);
  const int64_t row = bmp::PaddedRowBytes(header.biWidth, header.biBitCount);
  // What DrawDib reads: every row of the bits, and the palette entries the header names.
  FUZZ_CHECK(uint64_t(row) * uint64_t(header.biHeight) == image.bits.size());
  FUZZ_CHECK(header.biSizeImage == image.bits.size() && image.bits.size() <= size);
  
  for (size_t i = 0; i < image.bits.size(); i += 512) g_fuzzSink += image.bits[i];
  if (!image.bits.empty()) g_fuzzSink += image.bits.back();
  for (DWORD i = 0; i < header.biClrUsed; ++i) g_fuzzSink += image.info.palette[i].rgbRed;
  return 0;
}
