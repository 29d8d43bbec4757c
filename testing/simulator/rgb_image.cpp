#include "simulator/rgb_image.h"

#include <algorithm>

namespace camsim {

void RgbImage::FillRect(int x, int y, int w, int h, Rgb colour) {
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min(x + w, width);
  const int bottom = std::min(y + h, height);
  for (int row = top; row < bottom; ++row) {
    for (int col = left; col < right; ++col) SetPixel(col, row, colour);
  }
}

}  // namespace camsim
