// A 32-bit memory DIB to draw on, read back as pixels: drawing checks without a window.
#pragma once

#include <windows.h>

#include "base/scoped_gdi.h"
#include "testing/container/window_capture.h"

namespace liveview {
namespace testing_support {

class DibCanvas {
 public:
  DibCanvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
      : width_(width), height_(height), screen_(nullptr), memory_(screen_.Get()) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_.Reset(CreateDIBSection(screen_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    old_ = SelectObject(memory_.Get(), bitmap_.Get());
    base::ScopedBrush brush(CreateSolidBrush(fill));
    const RECT all{0, 0, width, height};
    FillRect(memory_.Get(), &all, brush.Get());
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  ~DibCanvas() { SelectObject(memory_.Get(), old_); }

  HDC dc() const { return memory_.Get(); }
  RECT Bounds() const { return RECT{0, 0, width_, height_}; }
  test_container::Image Read() const {
    GdiFlush();
    test_container::Image image;
    image.width = width_;
    image.height = height_;
    const auto* p = static_cast<const uint32_t*>(bits_);
    image.pixels.assign(p, p + static_cast<size_t>(width_) * height_);
    for (uint32_t& px : image.pixels) px &= 0x00FFFFFF;
    return image;
  }

 private:
  int width_, height_;
  base::ScopedWindowDc screen_;
  base::ScopedMemoryDc memory_;
  base::ScopedBitmap bitmap_;
  void* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace testing_support
}  // namespace liveview
