// CVideoRenderer: puts a camera window's decoded picture on screen, through DirectDraw with
// the camera title and "REC" drawn onto the off-screen surface, or stretched by GDI when
// DirectDraw is not there. Used only under its camera window's lock.
#pragma once

#include <windows.h>

#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_gdi.h"

namespace liveview {

class CVideoRenderer {
 public:
  CVideoRenderer();
  CVideoRenderer(const CVideoRenderer&) = delete;
  CVideoRenderer& operator=(const CVideoRenderer&) = delete;
  virtual ~CVideoRenderer();

  // E_FAIL: no DirectDraw, no cooperative level, or no primary surface; the window is kept
  // whatever the outcome, so DrawFrame can still draw through GDI.
  HRESULT CreateSurfaces(HWND window, int width, int height);
  // Rows as the decoder leaves them (24 bits, or the bit count set, each row padded to 4
  // bytes); 1 when drawn (or nothing to draw on), 0 when this picture could not be shown.
  int DrawFrame(const uint8_t* rows, int width, int height, int bottomUp);
  // Overlays, then the blit to the window's screen rectangle; E_POINTER without surfaces,
  // S_FALSE while the window has no area (before the control first lays it out).
  HRESULT Present();
  // The window's client area in screen coordinates, the blit's destination.
  void UpdateScreenRect();
  virtual void ReleaseSurfaces();

  void SetRecording(int recording);
  void SetBitCount(int bitCount);
  void SetShowTitle(int showTitle);
  void SetTitle(const std::string& title);
  // The size of the picture the surface holds a reduced copy of (the surface's own size
  // when never set): the overlays keep their size and place relative to that picture.
  void SetPictureSize(int width, int height);
  // Draws into `window` through GDI alone from now on, as after a failed DirectDraw set-up.
  void UseGdiOnly(HWND window);

  // What the renderer ended up with, for the window's diagnostics and for tests.
  bool HasDirectDraw() const { return static_cast<bool>(directDraw_); }
  int SurfaceBitCount() const;
  RECT ScreenRect() const { return screenRect_; }

 protected:
  // The DirectDraw object the surfaces are made by: the default display's. Tests put a
  // double here to play lost surfaces and busy blitters, which a display rarely shows.
  virtual HRESULT CreateDirectDraw(IDirectDraw2** directDraw);

 private:
  int DrawThroughDirectDraw(const uint8_t* rows, int width, int height, int bottomUp);
  int DrawThroughGdi(const uint8_t* rows, int width, int height, int bottomUp);
  void DrawTitle(IDirectDrawSurface* surface);

  base::ComPtr<IDirectDraw2> directDraw_;
  base::ComPtr<IDirectDrawSurface> primary_;
  base::ComPtr<IDirectDrawSurface> offscreen_;
  HWND window_ = nullptr;
  RECT screenRect_{};
  int windowed_ = 0;
  int sourceBitCount_ = 32;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int recording_ = 0;
  std::vector<uint8_t> scratch_;  // the GDI path's top-down copy, grown for larger pictures
  int showTitle_ = 0;
  std::string title_;
  std::string titleFace_;  // loaded on first use
  // Made for the first title drawn and again only when its size changes: a font made for
  // every frame costs more than the text.
  base::ScopedFont titleFont_;
  int titleFontTenths_ = 0;
};

}  // namespace liveview
