// The record browser's reader of .JPG pictures for thumbnails over libjpeg-turbo: every input
// is one file image. Pictures are bounded at 4 megapixels here (the product takes 64) so
// that an input declaring a huge picture costs milliseconds, not seconds; the reductions
// (1/2 to 1/8) are the product's.
#include <cstddef>
#include <cstdint>

#include "recordbrowser/picture/jpeg_file_decoder.h"
#include "support/fuzz_check.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JpegDecodeLimits limits;
  limits.maxSourcePixels = 4u << 20;
  JpegPicture picture;
  const std::string refusal = DecodeJpegFile(size ? data : nullptr, size, limits, &picture);
  if (!refusal.empty()) {
    FUZZ_CHECK(picture.rows.empty() && picture.width == 0 && picture.height == 0);
    return 0;
  }
  FUZZ_CHECK(picture.width > 0 && picture.height > 0);
  FUZZ_CHECK(uint64_t(picture.sourceWidth) * uint64_t(picture.sourceHeight) <=
             limits.maxSourcePixels);
  // A reduction never goes below the thumbnail's size, and is one the library offers.
  const int d = JpegScaleDenominator(picture.sourceWidth, picture.sourceHeight, limits);
  FUZZ_CHECK(picture.width == (picture.sourceWidth + d - 1) / d);
  FUZZ_CHECK(picture.height == (picture.sourceHeight + d - 1) / d);
  FUZZ_CHECK(d == 1 || (picture.width >= limits.minWidth && picture.height >= limits.minHeight));
  FUZZ_CHECK(picture.stride == (picture.width * 3 + 3) / 4 * 4);
  FUZZ_CHECK(picture.rows.size() == size_t(picture.stride) * size_t(picture.height));
  // What the DIB section takes: every row, pad bytes zero.
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.rows.data() + size_t(y) * size_t(picture.stride);
    g_fuzzSink += row[0];
    for (int i = picture.width * 3; i < picture.stride; ++i) FUZZ_CHECK(row[i] == 0);
  }
  return 0;
}
