// COleControl: the container protocol (IOleObject, in-place activation, IOleControl) and
// the control's window.
#include "base/scoped_gdi.h"
#include "framework/ansi_text.h"
#include "framework/com_enum.h"
#include "framework/exception_guard.h"
#include "framework/himetric.h"
#include "framework/module.h"
#include "framework/ole_control.h"

namespace fw {

const char kControlWindowClass[] = "FwOleControl";

namespace {

bool EnsureControlWindowClass() {
  static const bool registered = RegisterSelfPaintingClass(kControlWindowClass);
  return registered;
}

struct VerbTraits {
  static void Copy(const OLEVERB& from, OLEVERB* to) {
    *to = from;
    // Each caller frees the names it receives (CoTaskMemFree).
    if (from.lpszVerbName) {
      const size_t n = wcslen(from.lpszVerbName) + 1;
      to->lpszVerbName = static_cast<LPOLESTR>(CoTaskMemAlloc(n * sizeof(OLECHAR)));
      if (to->lpszVerbName) memcpy(to->lpszVerbName, from.lpszVerbName, n * sizeof(OLECHAR));
    }
  }
  static void Release(OLEVERB& item) { CoTaskMemFree(item.lpszVerbName); }
};

}  // namespace

void COleControl::SetInitialSize(int cx, int cy) { extent_ = SizePixelsToHimetric(SIZE{cx, cy}); }

SIZE COleControl::ControlSizePixels() const {
  if (GetSafeHwnd()) {
    const RECT r = ClientRect();
    return SIZE{r.right - r.left, r.bottom - r.top};
  }
  return SizeHimetricToPixels(extent_);
}

HWND COleControl::ContainerWindow() const {
  HWND window = nullptr;
  if (inPlaceSite_) {
    inPlaceSite_->GetWindow(&window);
  } else if (base::ComPtr<IOleWindow> site = clientSite_.As<IOleWindow>()) {
    site->GetWindow(&window);
  }
  return window;
}

void COleControl::InvalidateControl(bool erase) {
  if (GetSafeHwnd()) {
    Invalidate(erase);
  } else if (viewSink_) {
    viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
  }
}

void COleControl::PreCreateWindow(DWORD&, DWORD&) {}

bool COleControl::CreateControlWindow(HWND parent, const RECT& pos) {
  if (GetSafeHwnd()) {
    if (GetParent(GetSafeHwnd()) != parent) SetParent(GetSafeHwnd(), parent);
    Move(pos);
    Show(SW_SHOWNA);
    return true;
  }
  if (!EnsureControlWindowClass()) return false;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  PreCreateWindow(style, exStyle);
  return CreateEx(exStyle, kControlWindowClass, "", style | WS_CHILD, pos, parent, 0);
}

HRESULT COleControl::ActivateInPlace(bool uiActivate) {
  if (!clientSite_) return E_UNEXPECTED;
  if (!inPlaceActive_) {
    base::ComPtr<IOleInPlaceSite> site = clientSite_.As<IOleInPlaceSite>();
    if (!site) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    site->OnInPlaceActivate();
    inPlaceSite_ = site;
    inPlaceActive_ = true;

    HWND parent = nullptr;
    site->GetWindow(&parent);
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    base::ComPtr<IOleInPlaceFrame> frame;
    base::ComPtr<IOleInPlaceUIWindow> document;
    if (FAILED(
            site->GetWindowContext(frame.Receive(), document.Receive(), &pos, &clip, &frameInfo))) {
      const SIZE size = SizeHimetricToPixels(extent_);
      pos = RECT{0, 0, size.cx, size.cy};
    }
    frame_ = frame;
    uiWindow_ = document;
    posRect_ = pos;
    if (!parent || !CreateControlWindow(parent, pos)) {
      inPlaceActive_ = false;
      site->OnInPlaceDeactivate();
      inPlaceSite_.Reset();
      frame_.Reset();
      uiWindow_.Reset();
      return E_FAIL;
    }
    extent_ = SizePixelsToHimetric(SIZE{pos.right - pos.left, pos.bottom - pos.top});
  }
  // A control hidden by OLEIVERB_HIDE stays in place; UI activation shows it again, before
  // it takes the focus (a hidden window cannot).
  if (uiActivate && GetSafeHwnd() && !IsWindowVisible(GetSafeHwnd())) Show(SW_SHOWNA);
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    const std::wstring name = AnsiToWide(ControlTypeName(class_));
    if (frame_) {
      frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), name.c_str());
      frame_->SetBorderSpace(nullptr);
    }
    if (uiWindow_) {
      uiWindow_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), name.c_str());
      uiWindow_->SetBorderSpace(nullptr);
    }
    HWND focus = GetFocus();
    if (GetSafeHwnd() && focus != GetSafeHwnd() && !IsChild(GetSafeHwnd(), focus)) {
      SetFocus(GetSafeHwnd());
    }
  }
  return S_OK;
}

// --- IOleObject ---

HRESULT COleControl::SetClientSite(IOleClientSite* site) {
  return GuardHResult("IOleObject::SetClientSite", [&]() -> HRESULT {
    if (site == clientSite_.Get()) return S_OK;
    if (inPlaceActive_) InPlaceDeactivate();
    clientSite_ = base::ComPtr<IOleClientSite>(site);
    OnSetClientSite();
    return S_OK;
  });
}

HRESULT COleControl::GetClientSite(IOleClientSite** out) {
  if (!out) return E_POINTER;
  *out = clientSite_.CopyOut();
  return S_OK;
}

HRESULT COleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT COleControl::Close(DWORD) {
  return GuardHResult("IOleObject::Close", [&]() -> HRESULT {
    if (inPlaceActive_) InPlaceDeactivate();
    DestroyWindow();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
  });
}

HRESULT COleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT COleControl::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT COleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT COleControl::GetClipboardData(DWORD, IDataObject** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT COleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) {
  return GuardHResult("IOleObject::DoVerb", [&]() -> HRESULT {
    if (site && !clientSite_) clientSite_ = base::ComPtr<IOleClientSite>(site);
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(true);
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE: {
        const HRESULT hr = ActivateInPlace(false);
        if (SUCCEEDED(hr) && GetSafeHwnd()) Show(SW_SHOWNA);
        return hr;
      }
      case OLEIVERB_HIDE:
        UIDeactivate();
        if (GetSafeHwnd()) Show(SW_HIDE);
        return S_OK;
      case OLEIVERB_PROPERTIES:
        return OnProperties(parent) ? S_OK : S_FALSE;
      default:
        if (verb > 0) {
          // Unknown positive verbs act as the primary one, as OLE asks.
          const HRESULT hr = ActivateInPlace(true);
          return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
  });
}

HRESULT COleControl::EnumVerbs(IEnumOLEVERB** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("IOleObject::EnumVerbs", [&]() -> HRESULT {
    static const OLEVERB kVerbs[] = {
        {OLEIVERB_PRIMARY, const_cast<LPOLESTR>(L"&Edit"), 0, OLEVERBATTRIB_ONCONTAINERMENU},
        {OLEIVERB_PROPERTIES, const_cast<LPOLESTR>(L"&Properties..."), 0,
         OLEVERBATTRIB_ONCONTAINERMENU},
    };
    std::vector<OLEVERB> verbs;
    for (const OLEVERB& v : kVerbs) {
      OLEVERB copy;
      VerbTraits::Copy(v, &copy);
      verbs.push_back(copy);
    }
    return ComEnumerator<IEnumOLEVERB, OLEVERB, VerbTraits>::Create(std::move(verbs), out);
  });
}

HRESULT COleControl::Update() { return S_OK; }
HRESULT COleControl::IsUpToDate() { return S_OK; }

HRESULT COleControl::GetUserClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = *class_.clsid;
  return S_OK;
}

HRESULT COleControl::GetUserType(DWORD form, LPOLESTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (SUCCEEDED(OleRegGetUserType(*class_.clsid, form, out))) return S_OK;
  return GuardHResult("IOleObject::GetUserType", [&]() -> HRESULT {
    const std::wstring name = AnsiToWide(ControlTypeName(class_));
    *out = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
    if (!*out) return E_OUTOFMEMORY;
    memcpy(*out, name.c_str(), (name.size() + 1) * sizeof(OLECHAR));
    return S_OK;
  });
}

HRESULT COleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  // Only recorded: containers follow with SetObjectRects, which moves the window (and some
  // do not pass HIMETRIC here).
  extent_ = *size;
  return S_OK;
}

HRESULT COleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT COleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!adviseHolder_ && FAILED(CreateOleAdviseHolder(adviseHolder_.Receive()))) {
    return E_OUTOFMEMORY;
  }
  return adviseHolder_->Advise(sink, cookie);
}

HRESULT COleControl::Unadvise(DWORD cookie) {
  return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT COleControl::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : E_FAIL;
}

HRESULT COleControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = class_.miscStatus;
  return S_OK;
}

HRESULT COleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ---

HRESULT COleControl::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = GetSafeHwnd();
  return *out ? S_OK : E_FAIL;
}

HRESULT COleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT COleControl::InPlaceDeactivate() {
  return GuardHResult("IOleInPlaceObject::InPlaceDeactivate", [&]() -> HRESULT {
    if (!inPlaceActive_) return S_OK;
    UIDeactivate();
    inPlaceActive_ = false;
    DestroyWindow();
    base::ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    frame_.Reset();
    uiWindow_.Reset();
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
  });
}

HRESULT COleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT COleControl::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  return GuardHResult("IOleInPlaceObject::SetObjectRects", [&]() -> HRESULT {
    posRect_ = *pos;
    extent_ = SizePixelsToHimetric(SIZE{pos->right - pos->left, pos->bottom - pos->top});
    if (GetSafeHwnd()) Move(*pos);
    return S_OK;
  });
}

HRESULT COleControl::ReactivateAndUndo() { return E_NOTIMPL; }

// Nothing to translate: keys reach the control's windows through the host's loop.
HRESULT COleControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT COleControl::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT COleControl::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT COleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

// --- IOleControl ---

HRESULT COleControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT COleControl::OnMnemonic(MSG*) { return S_OK; }

HRESULT COleControl::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++freezeCount_;
  } else if (freezeCount_ > 0) {
    --freezeCount_;
  }
  return S_OK;
}

// --- The control's window ---

void COleControl::OnPaint() {
  base::ScopedPaint paint(GetSafeHwnd());
  if (paint) OnDraw(paint.Get(), ClientRect(), paint.Invalid());
}

bool COleControl::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      if (inPlaceActive_ && !uiActive_) ActivateInPlace(true);
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (base::ComPtr<IOleControlSite> site = clientSite_.As<IOleControlSite>()) {
        site->OnFocus(msg == WM_SETFOCUS);
      }
      return false;
    default:
      return CWnd::OnWndMsg(msg, w, l, result);
  }
}

}  // namespace fw
