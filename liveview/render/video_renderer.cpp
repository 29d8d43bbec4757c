#include "liveview/render/video_renderer.h"
#include "liveview/decode/bmp_image.h"

#include <new>

#include "base/scoped_gdi.h"
#include "base/system_library.h"
#include "framework/resources.h"
#include "liveview/render/overlay_layout.h"
#include "liveview/render/overlay_text.h"
#include "liveview/render/pixel_copy.h"
#include "liveview/render/point_font.h"
#include "liveview/resources/tessaly_resource.h"

namespace liveview {

namespace {

constexpr DWORD kVideoMemoryCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
constexpr DWORD kSystemMemoryCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
// Another program may hold the primary surface for a moment (a mode switch, say).
constexpr DWORD kRetryDelayMs = 500;
// DDBLT_WAIT should never leave the blitter busy; this only bounds a driver that does.
constexpr int kMaxBusyRetries = 1000;

int WidthOf(const RECT& r) { return r.right - r.left; }
int HeightOf(const RECT& r) { return r.bottom - r.top; }

// Unlocks the off-screen surface on every way out of the copy.
class SurfaceLock {
 public:
  SurfaceLock(IDirectDrawSurface* surface, void* bits) : surface_(surface), bits_(bits) {}
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;
  ~SurfaceLock() { surface_->Unlock(bits_); }

 private:
  IDirectDrawSurface* surface_;
  void* bits_;
};

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

// ddraw.dll is loaded on the first renderer that asks for it, and kept: loading it brings in
// the whole 3D stack (and, under Wine, OpenGL with its threads), which a control that never
// draws a picture, or a machine without DirectDraw, should not pay for or fail on.
DirectDrawCreateFn LoadDirectDrawCreate() {
  static const DirectDrawCreateFn create = base::SystemExport<DirectDrawCreateFn>(
      base::LoadSystemLibrary("ddraw.dll"), "DirectDrawCreate");
  return create;
}

}  // namespace

CVideoRenderer::CVideoRenderer() = default;

CVideoRenderer::~CVideoRenderer() { CVideoRenderer::ReleaseSurfaces(); }

HRESULT CVideoRenderer::CreateSurfaces(HWND window, int width, int height) {
  ReleaseSurfaces();
  window_ = window;  // kept whatever follows: the GDI path draws into it

  // Every failure releases what was made, so DrawFrame sees no half-built DirectDraw and
  // goes straight to GDI.
  if (FAILED(CreateDirectDraw(directDraw_.Receive())) || !directDraw_) {
    ReleaseSurfaces();
    return E_FAIL;
  }
  if (FAILED(directDraw_->SetCooperativeLevel(window, DDSCL_NORMAL))) {
    ReleaseSurfaces();
    return E_FAIL;
  }

  DDSURFACEDESC primary{};
  primary.dwSize = sizeof primary;
  primary.dwFlags = DDSD_CAPS;
  primary.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  HRESULT hr = directDraw_->CreateSurface(&primary, primary_.Receive(), nullptr);
  if (hr == DDERR_PRIMARYSURFACEALREADYEXISTS) {
    Sleep(kRetryDelayMs);
    hr = directDraw_->CreateSurface(&primary, primary_.Receive(), nullptr);
  }
  if (FAILED(hr)) {
    ReleaseSurfaces();
    return E_FAIL;
  }

  DDSURFACEDESC offscreen{};
  offscreen.dwSize = sizeof offscreen;
  offscreen.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  offscreen.dwWidth = static_cast<DWORD>(width);
  offscreen.dwHeight = static_cast<DWORD>(height);
  offscreen.ddsCaps.dwCaps = kVideoMemoryCaps;
  hr = directDraw_->CreateSurface(&offscreen, offscreen_.Receive(), nullptr);
  if (FAILED(hr)) {
    offscreen.ddsCaps.dwCaps = kSystemMemoryCaps;
    hr = directDraw_->CreateSurface(&offscreen, offscreen_.Receive(), nullptr);
  }
  if (FAILED(hr)) {
    ReleaseSurfaces();
    return hr;
  }
  surfaceWidth_ = width;
  surfaceHeight_ = height;

  base::ComPtr<IDirectDrawClipper> clipper;
  hr = directDraw_->CreateClipper(0, clipper.Receive(), nullptr);
  if (SUCCEEDED(hr)) hr = clipper->SetHWnd(0, window);
  if (SUCCEEDED(hr)) hr = primary_->SetClipper(clipper.Get());
  if (FAILED(hr)) {
    ReleaseSurfaces();
    return hr;
  }

  windowed_ = 1;
  UpdateScreenRect();
  return S_OK;
}

HRESULT CVideoRenderer::CreateDirectDraw(IDirectDraw2** directDraw) {
  *directDraw = nullptr;
  const DirectDrawCreateFn create = LoadDirectDrawCreate();
  if (!create) return E_FAIL;
  base::ComPtr<IDirectDraw> first;
  const HRESULT hr = create(nullptr, first.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  // The first interface goes when `first` does.
  return first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(directDraw));
}

int CVideoRenderer::DrawFrame(const uint8_t* rows, int width, int height, int bottomUp) {
  if (!rows || width <= 0 || height <= 0) return 0;
  try {
    if (directDraw_ && offscreen_) {
      try {
        return DrawThroughDirectDraw(rows, width, height, bottomUp);
      } catch (...) {
        ReleaseSurfaces();  // GDI from now on, until the window makes a new renderer
      }
    }
    return DrawThroughGdi(rows, width, height, bottomUp);
  } catch (...) {
    return 0;
  }
}

int CVideoRenderer::DrawThroughDirectDraw(const uint8_t* rows, int width, int height, int bottomUp) {
  if (offscreen_->IsLost() == DDERR_SURFACELOST &&
      offscreen_->Restore() == DDERR_WRONGMODE) {
    // The display mode changed under us: the surfaces must be made again.
    const int surfaceWidth = surfaceWidth_, surfaceHeight = surfaceHeight_;
    if (FAILED(CreateSurfaces(window_, surfaceWidth, surfaceHeight))) Sleep(kRetryDelayMs);
    return 0;
  }

  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  if (FAILED(offscreen_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return 0;
  bool copied = false;
  {
    SurfaceLock locked(offscreen_.Get(), desc.lpSurface);
    const PixelSource source{rows, width, height, sourceBitCount_, bottomUp != 0};
    const PixelDestination destination{static_cast<uint8_t*>(desc.lpSurface),
                                       static_cast<int>(desc.dwWidth),
                                       static_cast<int>(desc.dwHeight), desc.lPitch,
                                       static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount)};
    copied = CopyPixels(source, destination);
  }
  // A display of another depth (256 colours, say) gets the picture through GDI, which
  // maps colours itself; the overlays need the surface and are left out there.
  if (!copied) return DrawThroughGdi(rows, width, height, bottomUp);
  UpdateScreenRect();
  Present();
  return 1;
}

int CVideoRenderer::DrawThroughGdi(const uint8_t* rows, int width, int height, int bottomUp) {
  if (!window_) return 1;
  base::ScopedWindowDc dc(window_);
  if (!dc) return 1;
  RECT client{};
  GetClientRect(window_, &client);

  const int rowBytes = static_cast<int>(bmp::PaddedRowBytes(width, 24));
  const size_t needed = static_cast<size_t>(rowBytes) * static_cast<size_t>(height);
  if (scratch_.size() < needed) scratch_.resize(needed);
  const PixelSource source{rows, width, height, sourceBitCount_, bottomUp != 0};
  const PixelDestination destination{scratch_.data(), width, height, rowBytes, 24};
  if (!CopyPixels(source, destination)) return 0;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: the scratch copy is upright
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(needed);
  SetStretchBltMode(dc.Get(), COLORONCOLOR);
  StretchDIBits(dc.Get(), 0, 0, WidthOf(client), HeightOf(client), 0, 0, width, height,
                scratch_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  return 1;
}

HRESULT CVideoRenderer::Present() {
  if (!primary_ || !offscreen_) return E_POINTER;
  // A window not yet laid out has nowhere to show the picture.
  if (WidthOf(screenRect_) <= 0 || HeightOf(screenRect_) <= 0) return S_FALSE;
  DrawTitle(offscreen_.Get());
  for (int attempt = 0;; ++attempt) {
    if (primary_->IsLost() == DDERR_SURFACELOST) primary_->Restore();
    const HRESULT hr = primary_->Blt(&screenRect_, offscreen_.Get(), nullptr, DDBLT_WAIT, nullptr);
    if (hr == DDERR_SURFACELOST) {
      // Shown again with the next frame.
      offscreen_->Restore();
      const HRESULT restored = primary_->Restore();
      return FAILED(restored) ? E_FAIL : restored;
    }
    if (hr != DDERR_WASSTILLDRAWING || attempt >= kMaxBusyRetries) return hr;
  }
}

void CVideoRenderer::DrawTitle(IDirectDrawSurface* surface) {
  if (showTitle_ != 1) return;
  const bool reduced = pictureWidth_ > 0 && pictureHeight_ > 0 &&
                       (pictureWidth_ != surfaceWidth_ || pictureHeight_ != surfaceHeight_);
  OverlayLayout layout;
  if (!ComputeOverlayLayout(reduced ? pictureWidth_ : surfaceWidth_,
                            reduced ? pictureHeight_ : surfaceHeight_, WidthOf(screenRect_),
                            HeightOf(screenRect_), &layout))
    return;
  if (reduced) {
    layout = ScaleOverlayLayout(layout, pictureWidth_, pictureHeight_, surfaceWidth_,
                                surfaceHeight_);
  }
  if (titleFace_.empty()) titleFace_ = fw::LoadResString(IDS_TITLE_FONT);
  HDC dc = nullptr;
  if (FAILED(surface->GetDC(&dc))) return;
  if (!titleFont_ || titleFontTenths_ != layout.fontTenths) {
    titleFont_ = CreatePointFont(layout.fontTenths, titleFace_, dc);
    titleFontTenths_ = layout.fontTenths;
  }
  DrawOverlayText(dc, layout, titleFont_.Get(), title_, recording_ != 0);
  surface->ReleaseDC(dc);
}

void CVideoRenderer::UpdateScreenRect() {
  RECT client{};
  if (!window_ || !GetClientRect(window_, &client)) {
    screenRect_ = RECT{};
    return;
  }
  POINT topLeft{client.left, client.top};
  POINT bottomRight{client.right, client.bottom};
  ClientToScreen(window_, &topLeft);
  ClientToScreen(window_, &bottomRight);
  screenRect_ = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void CVideoRenderer::ReleaseSurfaces() {
  offscreen_.Reset();
  primary_.Reset();
  directDraw_.Reset();
  windowed_ = 0;
}

int CVideoRenderer::SurfaceBitCount() const {
  if (!offscreen_) return 0;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  if (FAILED(offscreen_->GetSurfaceDesc(&desc))) return 0;
  return static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
}

void CVideoRenderer::UseGdiOnly(HWND window) {
  ReleaseSurfaces();
  window_ = window;
  UpdateScreenRect();
}

void CVideoRenderer::SetRecording(int recording) { recording_ = recording; }
void CVideoRenderer::SetBitCount(int bitCount) { sourceBitCount_ = bitCount; }
void CVideoRenderer::SetShowTitle(int showTitle) { showTitle_ = showTitle; }
void CVideoRenderer::SetTitle(const std::string& title) { title_ = title; }
void CVideoRenderer::SetPictureSize(int width, int height) {
  pictureWidth_ = width;
  pictureHeight_ = height;
}

}  // namespace liveview
