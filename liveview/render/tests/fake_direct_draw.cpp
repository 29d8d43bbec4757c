#include "liveview/render/tests/fake_direct_draw.h"

#include <cstdio>
#include <stdexcept>

namespace liveview {
namespace testing_support {

HRESULT Next(std::deque<HRESULT>& answers) {
  if (answers.empty()) return DD_OK;
  const HRESULT hr = answers.front();
  answers.pop_front();
  return hr;
}

namespace {

// Reference counting shared by the three fakes.
template <class Interface>
class FakeObject : public Interface {
 public:
  explicit FakeObject(DirectDrawScript* script) : script_(script) { ++script_->liveObjects; }
  virtual ~FakeObject() { --script_->liveObjects; }
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  DirectDrawScript* script_;

 private:
  ULONG references_ = 1;
};

#define FAKE_UNUSED(name, ...) \
  STDMETHODIMP name(__VA_ARGS__) override { return E_NOTIMPL; }

class FakeClipper : public FakeObject<IDirectDrawClipper> {
 public:
  using FakeObject::FakeObject;
  FAKE_UNUSED(GetClipList, LPRECT, LPRGNDATA, LPDWORD)
  FAKE_UNUSED(GetHWnd, HWND*)
  FAKE_UNUSED(Initialize, LPDIRECTDRAW, DWORD)
  FAKE_UNUSED(IsClipListChanged, WINBOOL*)
  FAKE_UNUSED(SetClipList, LPRGNDATA, DWORD)
  STDMETHODIMP SetHWnd(DWORD, HWND) override { return DD_OK; }
};

class FakeSurface : public FakeObject<IDirectDrawSurface> {
 public:
  FakeSurface(DirectDrawScript* script, bool primary, int width, int height)
      : FakeObject(script), primary_(primary), width_(width), height_(height) {
    if (!primary_) {
      script_->offscreenPitch = width * script_->surfaceBitCount / 8 + 16;  // padded pitch
      script_->offscreenPixels.assign(static_cast<size_t>(script_->offscreenPitch) * height,
                                      0xCD);
    }
  }

  FAKE_UNUSED(AddAttachedSurface, LPDIRECTDRAWSURFACE)
  FAKE_UNUSED(AddOverlayDirtyRect, LPRECT)
  FAKE_UNUSED(BltBatch, LPDDBLTBATCH, DWORD, DWORD)
  FAKE_UNUSED(BltFast, DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD)
  FAKE_UNUSED(DeleteAttachedSurface, DWORD, LPDIRECTDRAWSURFACE)
  FAKE_UNUSED(EnumAttachedSurfaces, LPVOID, LPDDENUMSURFACESCALLBACK)
  FAKE_UNUSED(EnumOverlayZOrders, DWORD, LPVOID, LPDDENUMSURFACESCALLBACK)
  FAKE_UNUSED(Flip, LPDIRECTDRAWSURFACE, DWORD)
  FAKE_UNUSED(GetAttachedSurface, LPDDSCAPS, LPDIRECTDRAWSURFACE*)
  FAKE_UNUSED(GetBltStatus, DWORD)
  FAKE_UNUSED(GetCaps, LPDDSCAPS)
  FAKE_UNUSED(GetClipper, LPDIRECTDRAWCLIPPER*)
  FAKE_UNUSED(GetColorKey, DWORD, LPDDCOLORKEY)
  FAKE_UNUSED(GetFlipStatus, DWORD)
  FAKE_UNUSED(GetOverlayPosition, LPLONG, LPLONG)
  FAKE_UNUSED(GetPalette, LPDIRECTDRAWPALETTE*)
  FAKE_UNUSED(GetPixelFormat, LPDDPIXELFORMAT)
  FAKE_UNUSED(Initialize, LPDIRECTDRAW, LPDDSURFACEDESC)
  FAKE_UNUSED(SetColorKey, DWORD, LPDDCOLORKEY)
  FAKE_UNUSED(SetOverlayPosition, LONG, LONG)
  FAKE_UNUSED(SetPalette, LPDIRECTDRAWPALETTE)
  FAKE_UNUSED(UpdateOverlay, LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX)
  FAKE_UNUSED(UpdateOverlayDisplay, DWORD)
  FAKE_UNUSED(UpdateOverlayZOrder, DWORD, LPDIRECTDRAWSURFACE)
  // No DC: the renderer then leaves the overlays out, which these tests do not look at.
  STDMETHODIMP GetDC(HDC*) override { return DDERR_CANTCREATEDC; }
  STDMETHODIMP ReleaseDC(HDC) override { return DD_OK; }

  STDMETHODIMP Blt(LPRECT destination, LPDIRECTDRAWSURFACE, LPRECT, DWORD flags,
                   LPDDBLTFX) override {
    Log("Blt");
    if (destination) script_->lastBltDestination = *destination;
    script_->lastBltFlags = flags;
    return Next(script_->blt);
  }
  STDMETHODIMP GetSurfaceDesc(LPDDSURFACEDESC desc) override {
    Describe(desc);
    return DD_OK;
  }
  STDMETHODIMP IsLost() override {
    Log("IsLost");
    return Next(primary_ ? script_->primaryIsLost : script_->offscreenIsLost);
  }
  STDMETHODIMP Restore() override {
    Log("Restore");
    return Next(primary_ ? script_->primaryRestore : script_->offscreenRestore);
  }
  STDMETHODIMP Lock(LPRECT, LPDDSURFACEDESC desc, DWORD, HANDLE) override {
    Log("Lock");
    if (script_->throwOnLock) throw std::runtime_error("driver fault");
    const HRESULT hr = Next(script_->lock);
    if (FAILED(hr)) return hr;
    Describe(desc);
    desc->lpSurface = script_->offscreenPixels.data();
    ++script_->locked;
    return DD_OK;
  }
  STDMETHODIMP Unlock(LPVOID) override {
    Log("Unlock");
    --script_->locked;
    return DD_OK;
  }
  STDMETHODIMP SetClipper(LPDIRECTDRAWCLIPPER) override { return DD_OK; }

 private:
  void Log(const char* what) {
    script_->calls.push_back(std::string(primary_ ? "primary." : "offscreen.") + what);
  }
  void Describe(LPDDSURFACEDESC desc) const {
    *desc = DDSURFACEDESC{};
    desc->dwSize = sizeof *desc;
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->lPitch = script_->offscreenPitch;
    desc->ddpfPixelFormat.dwSize = sizeof desc->ddpfPixelFormat;
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc->ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(script_->surfaceBitCount);
  }

  bool primary_;
  int width_, height_;
};

class FakeDirectDraw : public FakeObject<IDirectDraw2> {
 public:
  explicit FakeDirectDraw(DirectDrawScript* script) : FakeObject(script) {
    ++script_->directDrawsMade;
  }
  FAKE_UNUSED(Compact)
  FAKE_UNUSED(CreatePalette, DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*)
  FAKE_UNUSED(DuplicateSurface, LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*)
  FAKE_UNUSED(EnumDisplayModes, DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK)
  FAKE_UNUSED(EnumSurfaces, DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK)
  FAKE_UNUSED(FlipToGDISurface)
  FAKE_UNUSED(GetCaps, LPDDCAPS, LPDDCAPS)
  FAKE_UNUSED(GetDisplayMode, LPDDSURFACEDESC)
  FAKE_UNUSED(GetFourCCCodes, LPDWORD, LPDWORD)
  FAKE_UNUSED(GetGDISurface, LPDIRECTDRAWSURFACE*)
  FAKE_UNUSED(GetMonitorFrequency, LPDWORD)
  FAKE_UNUSED(GetScanLine, LPDWORD)
  FAKE_UNUSED(GetVerticalBlankStatus, WINBOOL*)
  FAKE_UNUSED(Initialize, GUID*)
  FAKE_UNUSED(RestoreDisplayMode)
  FAKE_UNUSED(SetDisplayMode, DWORD, DWORD, DWORD, DWORD, DWORD)
  FAKE_UNUSED(WaitForVerticalBlank, DWORD, HANDLE)
  FAKE_UNUSED(GetAvailableVidMem, LPDDSCAPS, LPDWORD, LPDWORD)

  STDMETHODIMP SetCooperativeLevel(HWND, DWORD) override {
    return Next(script_->cooperativeLevel);
  }
  STDMETHODIMP CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* out, IUnknown*) override {
    *out = nullptr;
    const HRESULT hr = Next(script_->createClipper);
    if (SUCCEEDED(hr)) *out = new FakeClipper(script_);
    return hr;
  }
  STDMETHODIMP CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* out,
                             IUnknown*) override {
    *out = nullptr;
    const bool primary = (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0;
    char line[48];
    std::snprintf(line, sizeof line, "CreateSurface 0x%04lx", desc->ddsCaps.dwCaps);
    script_->calls.push_back(line);
    const HRESULT hr = Next(primary ? script_->createPrimary : script_->createOffscreen);
    if (SUCCEEDED(hr)) {
      *out = new FakeSurface(script_, primary, primary ? 1280 : static_cast<int>(desc->dwWidth),
                             primary ? 1024 : static_cast<int>(desc->dwHeight));
    }
    return hr;
  }
};

#undef FAKE_UNUSED

}  // namespace

IDirectDraw2* MakeFakeDirectDraw(DirectDrawScript* script) { return new FakeDirectDraw(script); }

}  // namespace testing_support
}  // namespace liveview
