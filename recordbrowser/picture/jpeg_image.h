// TJpegImage: a .JPG file read whole, decoded by the thumbnail's own reader and handed to a
// bitmap as a 24-bit DIB section. Failures raise fw::Error naming the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "recordbrowser/picture/jpeg_file_decoder.h"

namespace vantrel {

class TJpegImage {
 public:
  void LoadFromFile(const std::string& path);
  // Decodes what was loaded into `bitmap`, which is left as it was when that fails.
  void DecodeTo(fw::Bitmap& bitmap);
  // The reductions allowed; the thumbnail's size by default.
  JpegDecodeLimits& Limits() { return limits_; }
  void Clear();

 private:
  std::string path_;
  std::vector<uint8_t> data_;
  JpegDecodeLimits limits_;
};

// `picture`'s rows into `bitmap` (24 bits, the picture's size).
void JpegPictureToBitmap(const JpegPicture& picture, fw::Bitmap& bitmap);

}  // namespace vantrel
