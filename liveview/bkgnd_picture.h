// CBkgndPicture: the .bmp file every camera window draws, stretched, while it has no fresh
// picture. One per control, drawn on the user-interface thread only.
#pragma once

#include <windows.h>

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
};

}  // namespace liveview
