// CBkgndPicture: the .bmp file every camera window draws, stretched, while it has no fresh
// picture. One per control, drawn on the user-interface thread only.
#pragma once

#include <windows.h>

#include <vfw.h>

#include "liveview/render/bmp_file.h"

namespace liveview {

class CBkgndPicture {
 public:
  CBkgndPicture();
  CBkgndPicture(const CBkgndPicture&) = delete;
  CBkgndPicture& operator=(const CBkgndPicture&) = delete;
  virtual ~CBkgndPicture();

  // 1 when loaded; otherwise the previous picture stays.
  int LoadBmpFile(const char* path);
  // 1 when the picture was drawn, 0 when `rect` was filled with `fill` instead.
  int DrawStretched(HDC dc, const RECT& rect, COLORREF fill);

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  BmpFileImage image_;  // file header, info header and palette, bits (empty until loaded)
  int width_ = 0;
  int height_ = 0;
  HDRAWDIB drawDib_ = nullptr;
};

}  // namespace liveview
