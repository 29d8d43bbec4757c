// COleControl: drawing for the host (IViewObject2) and persistence.
#include "framework/exception_guard.h"
#include "framework/ole_control.h"

namespace fw {

void COleControl::OnDraw(HDC, const RECT&, const RECT&) {}

// --- IViewObject2 ---

HRESULT COleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc,
                          LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                          ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!drawDc || !bounds) return E_INVALIDARG;
  return GuardHResult("IViewObject::Draw", [&]() -> HRESULT {
    const RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
    const int saved = SaveDC(drawDc);
    OnDraw(drawDc, r, r);
    RestoreDC(drawDc, saved);
    return S_OK;
  });
}

HRESULT COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

HRESULT COleControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT COleControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT COleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = base::ComPtr<IAdviseSink>(sink);
  return S_OK;
}

HRESULT COleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) *sink = viewSink_.CopyOut();
  return S_OK;
}

HRESULT COleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- Persistence ---

void COleControl::DoPropExchange(PropExchange& px) {
  ExchangeVersion(px, class_.persistVersion);
  ExchangeExtent(px);
  ExchangeStockProps(px);
}

void COleControl::ExchangeVersion(PropExchange& px, ULONG version) {
  ULONG value = version;
  px.ULong("_Version", value, version);
  if (px.IsLoading()) loadedVersion_ = value;
}

void COleControl::ExchangeExtent(PropExchange& px) {
  long cx = extent_.cx;
  long cy = extent_.cy;
  px.Long("_ExtentX", cx, extent_.cx);
  px.Long("_ExtentY", cy, extent_.cy);
  if (px.IsLoading() && cx > 0 && cy > 0) extent_ = SIZEL{cx, cy};
}

void COleControl::ExchangeStockProps(PropExchange& px) {
  // The framework keeps no stock properties; the mask says so to whoever reads the data.
  ULONG mask = 0;
  px.ULong("_StockProps", mask, 0);
}

HRESULT COleControl::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = *class_.clsid;
  return S_OK;
}

HRESULT COleControl::IsDirty() { return modified_ ? S_OK : S_FALSE; }

HRESULT COleControl::InitNew() {
  return GuardHResult("IPersist*::InitNew", [&]() -> HRESULT {
    loadedVersion_ = class_.persistVersion;
    OnResetState();
    modified_ = false;
    return S_OK;
  });
}

HRESULT COleControl::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  return GuardHResult("IPersistStreamInit::Load", [&]() -> HRESULT {
    OnResetState();
    StreamPropExchange px(stream, true);
    DoPropExchange(px);
    modified_ = false;
    return px.Result();
  });
}

HRESULT COleControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  return GuardHResult("IPersistStreamInit::Save", [&]() -> HRESULT {
    StreamPropExchange px(stream, false);
    DoPropExchange(px);
    if (SUCCEEDED(px.Result()) && clearDirty) modified_ = false;
    return px.Result();
  });
}

HRESULT COleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  return GuardHResult("IPersistStreamInit::GetSizeMax", [&]() -> HRESULT {
    SizePropExchange px;
    DoPropExchange(px);
    size->QuadPart = px.Size();
    return S_OK;
  });
}

HRESULT COleControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  return GuardHResult("IPersistPropertyBag::Load", [&]() -> HRESULT {
    OnResetState();
    BagPropExchange px(bag, log, true);
    DoPropExchange(px);
    modified_ = false;
    return px.Result();
  });
}

HRESULT COleControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  return GuardHResult("IPersistPropertyBag::Save", [&]() -> HRESULT {
    BagPropExchange px(bag, nullptr, false);
    DoPropExchange(px);
    if (SUCCEEDED(px.Result()) && clearDirty) modified_ = false;
    return px.Result();
  });
}

}  // namespace fw
