// Decodes a JPEG with libjpeg to see what a client would get from it.
#pragma once

#include <string>

namespace camsim_test {

struct JpegProbe {
  bool decoded = false;  // libjpeg read it to the end without an error
  int width = 0;
  int height = 0;
  long warnings = 0;     // libjpeg warns, for one, about data that ends too early
};

JpegProbe ProbeJpeg(const std::string& bytes);

// The image's 2-byte end marker is its last bytes.
bool EndsWithEoi(const std::string& bytes);

}  // namespace camsim_test
