// CVideoRenderer: puts a camera window's decoded picture on screen, through DirectDraw with
// the camera title and "REC" drawn onto the off-screen surface, or stretched by GDI when
// DirectDraw is not there. Used only under its camera window's lock.
#pragma once

#include <windows.h>

#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/com_ptr.h"

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
  // 24-bit rows as the decoder leaves them; 1 when drawn (or nothing to draw on), 0 when
  // this picture could not be shown.
  int DrawFrame(const uint8_t* rows, int width, int height, int bottomUp);
  HRESULT Present();
  void UpdateScreenRect();
  virtual void ReleaseSurfaces();

  void SetRecording(int recording);
  void SetBitCount(int bitCount);
  void SetShowTitle(int showTitle);
  void SetTitle(const std::string& title);
  // Draws into `window` through GDI alone from now on, as after a failed DirectDraw set-up.
  void UseGdiOnly(HWND window);

  // What the renderer ended up with, for the window's diagnostics and for tests.
  bool HasDirectDraw() const { return static_cast<bool>(directDraw_); }
  int SurfaceBitCount() const;
  RECT ScreenRect() const { return screenRect_; }

 private:
  int CopyToOffscreen(const uint8_t* rows, int width, int height, int bottomUp);
  int DrawThroughGdi(const uint8_t* rows, int width, int height, int bottomUp);
  void DrawTitle(IDirectDrawSurface* surface);

  fw::ComPtr<IDirectDraw2> directDraw_;
  fw::ComPtr<IDirectDrawSurface> primary_;
  fw::ComPtr<IDirectDrawSurface> offscreen_;
  HWND window_ = nullptr;
  RECT screenRect_{};
  int windowed_ = 0;
  int sourceBitCount_ = 32;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  int recording_ = 0;
  std::vector<uint8_t> scratch_;  // the GDI path's top-down copy, grown for larger pictures
  int showTitle_ = 0;
  std::string title_;
  std::string titleFace_;  // loaded on first use
};

}  // namespace liveview
