// OLE sizes are in HIMETRIC (0.01 mm); windows are in pixels of the screen's logical
// resolution. 96 pixels per inch: 100 pixels are 2646 HIMETRIC.
#pragma once

#include <windows.h>

namespace fw {

constexpr long kHimetricPerInch = 2540;

constexpr long PixelsToHimetric(long pixels, long pixelsPerInch) {
  return (pixels * kHimetricPerInch + pixelsPerInch / 2) / pixelsPerInch;
}
constexpr long HimetricToPixels(long himetric, long pixelsPerInch) {
  return (himetric * pixelsPerInch + kHimetricPerInch / 2) / kHimetricPerInch;
}

// The screen's logical pixels per inch across (LOGPIXELSX) and down (LOGPIXELSY).
SIZE ScreenPixelsPerInch();

inline SIZEL SizePixelsToHimetric(SIZE pixels) {
  const SIZE ppi = ScreenPixelsPerInch();
  return SIZEL{PixelsToHimetric(pixels.cx, ppi.cx), PixelsToHimetric(pixels.cy, ppi.cy)};
}
inline SIZE SizeHimetricToPixels(SIZEL himetric) {
  const SIZE ppi = ScreenPixelsPerInch();
  return SIZE{HimetricToPixels(himetric.cx, ppi.cx), HimetricToPixels(himetric.cy, ppi.cy)};
}

}  // namespace fw
