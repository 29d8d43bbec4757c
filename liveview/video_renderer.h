// CVideoRenderer: puts a camera window's decoded picture on screen, through DirectDraw with
// the camera title and "REC" drawn onto the off-screen surface, or stretched by GDI when
// DirectDraw is not there. Used only under its camera window's lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

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
};

}  // namespace liveview
