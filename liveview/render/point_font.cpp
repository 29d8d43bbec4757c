#include "liveview/render/point_font.h"

#include <cstring>

#include "liveview/render/overlay_layout.h"

namespace liveview {

base::ScopedFont CreatePointFont(int tenths, const std::string& face, HDC dc) {
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dpi <= 0) {
    base::ScopedWindowDc screen(nullptr);
    dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  }
  LOGFONTA font{};
  font.lfHeight = PointFontHeight(tenths, dpi);
  font.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return base::ScopedFont(CreateFontIndirectA(&font));
}

}  // namespace liveview
