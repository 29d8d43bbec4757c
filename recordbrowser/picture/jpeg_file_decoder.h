// The thumbnail's JPEG reader: a whole .JPG file image decoded by libjpeg into a plain buffer
// of 24-bit rows (greyscale pictures too), bottom-up, blue-green-red, each padded to 4 bytes,
// as a DIB section holds them. Byte-level only: it calls nothing of the system, so it also
// builds natively for the fuzzer; the bitmap is made from the buffer elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

struct JpegPicture {
  int width = 0;   // of the decoded (possibly reduced) picture
  int height = 0;
  int sourceWidth = 0;  // as the file declares it
  int sourceHeight = 0;
  int stride = 0;  // bytes per row, a multiple of 4
  std::vector<uint8_t> rows;  // height x stride bytes, the bottom row first
};

struct JpegDecodeLimits {
  // Pictures declaring more pixels than this are refused before any is decoded: libjpeg
  // would hold a progressive picture's coefficients whole.
  uint64_t maxSourcePixels = 0x4000000;  // 64 megapixels
  // The smallest picture a reduction may give: the library's 1/2, 1/4 or 1/8 scaling is
  // taken only while the result keeps at least this size.
  int minWidth = 120;
  int minHeight = 90;
};

// Empty on success, `picture` filled; else why the file is no picture we can read (the
// library's message, or ours), `picture` left empty. A picture whose data is damaged or cut
// short is decoded whole, as far as it goes (the library greys the rest).
std::string DecodeJpegFile(const uint8_t* data, size_t size, const JpegDecodeLimits& limits,
                           JpegPicture* picture);

// The scale denominator (1, 2, 4 or 8) for a width x height picture under `limits`.
int JpegScaleDenominator(int width, int height, const JpegDecodeLimits& limits);

}  // namespace vantrel
