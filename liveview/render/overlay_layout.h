// Where the camera title and the "REC" mark go on the off-screen surface, which the blit
// then stretches to the window: kept about 20 and 10 screen pixels from the window's left
// and top edges whatever the stretch. Pure arithmetic, so it is checked without a display.
#pragma once

#include <windows.h>

namespace liveview {

struct OverlayLayout {
  int fontTenths = 0;  // point size in tenths, for a point font
  RECT title{};
  RECT rec{};
};

// False for a window of zero width or height (windows have an empty rectangle until the
// control first lays them out), when there is no sensible place.
bool ComputeOverlayLayout(int surfaceWidth, int surfaceHeight, int windowWidth,
                          int windowHeight, OverlayLayout* layout);

// The layout of a full picture of `pictureWidth` x `pictureHeight` carried over to a surface
// that holds it reduced to `surfaceWidth` x `surfaceHeight`: places and font shrink with the
// picture, so the overlays look on screen as they do over the full picture.
OverlayLayout ScaleOverlayLayout(const OverlayLayout& layout, int pictureWidth,
                                 int pictureHeight, int surfaceWidth, int surfaceHeight);

// The LOGFONT height of a `tenths`-of-a-point font on a device of `dpi` pixels per inch
// (negative: a character height, as point fonts are made).
int PointFontHeight(int tenths, int dpi);

}  // namespace liveview
