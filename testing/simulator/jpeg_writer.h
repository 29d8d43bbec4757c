// RGB picture to a baseline JFIF image with libjpeg, in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "simulator/rgb_image.h"

namespace camsim {

// Quality is clamped to 1..100. Empty when libjpeg refuses (it reports through its error
// manager, which here unwinds by longjmp instead of ending the process).
std::vector<uint8_t> EncodeJpeg(const RgbImage& image, int quality);

}  // namespace camsim
