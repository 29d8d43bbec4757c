#include "liveview/render/overlay_layout.h"

#include <cstdint>

namespace liveview {

namespace {

constexpr int kTextBandHeight = 40;

int FontTenthsFor(int surfaceWidth) {
  if (surfaceWidth < 320) return 100;
  if (surfaceWidth < 640) return 140;
  return 200;
}

}  // namespace

bool ComputeOverlayLayout(int surfaceWidth, int surfaceHeight, int windowWidth,
                          int windowHeight, OverlayLayout* layout) {
  if (windowWidth <= 0 || windowHeight <= 0 || surfaceWidth <= 0 || surfaceHeight <= 0)
    return false;
  const int x = static_cast<int>(static_cast<double>(surfaceWidth) / windowWidth * 20.0);
  const int y = static_cast<int>(static_cast<double>(surfaceHeight) / windowHeight * 10.0);
  layout->fontTenths = FontTenthsFor(surfaceWidth);
  layout->title = RECT{x, y, surfaceWidth, y + kTextBandHeight};
  const int recWidth = surfaceWidth >= 640 ? 60 : 40;
  layout->rec = RECT{surfaceWidth - recWidth, y, surfaceWidth, y + kTextBandHeight};
  return true;
}

OverlayLayout ScaleOverlayLayout(const OverlayLayout& layout, int pictureWidth,
                                 int pictureHeight, int surfaceWidth, int surfaceHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return layout;
  const auto x = [&](LONG v) {
    return static_cast<LONG>(static_cast<int64_t>(v) * surfaceWidth / pictureWidth);
  };
  const auto y = [&](LONG v) {
    return static_cast<LONG>(static_cast<int64_t>(v) * surfaceHeight / pictureHeight);
  };
  OverlayLayout scaled;
  scaled.fontTenths = static_cast<int>(
      (static_cast<int64_t>(layout.fontTenths) * surfaceWidth + pictureWidth / 2) / pictureWidth);
  scaled.title = RECT{x(layout.title.left), y(layout.title.top), x(layout.title.right),
                      y(layout.title.bottom)};
  scaled.rec = RECT{x(layout.rec.left), y(layout.rec.top), x(layout.rec.right), y(layout.rec.bottom)};
  return scaled;
}

int PointFontHeight(int tenths, int dpi) {
  // 720 tenths of a point to the inch, rounded to the nearest pixel.
  return -((tenths * dpi + 360) / 720);
}

}  // namespace liveview
