#include "framework/himetric.h"

namespace fw {

SIZE ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  SIZE ppi{96, 96};
  if (screen) {
    ppi.cx = GetDeviceCaps(screen, LOGPIXELSX);
    ppi.cy = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (ppi.cx <= 0) ppi.cx = 96;
  if (ppi.cy <= 0) ppi.cy = 96;
  return ppi;
}

}  // namespace fw
