#include "testing/container/control_host.h"

#include <olectl.h>

#include "framework/ansi_text.h"
#include "framework/himetric.h"

namespace test_container {

// The site object: one per host, reference counted, outliving the host if the control
// keeps a reference after Close (a faulty control must not crash the test).
class HostSite final : public IOleClientSite,
                       public IOleInPlaceSite,
                       public IOleControlSite,
                       public IOleInPlaceFrame,
                       public IDispatch {
 public:
  explicit HostSite(ControlHost* host) : host_(host) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    ambient_[DISPID_AMBIENT_USERMODE].CopyFrom(v);
    v.boolVal = VARIANT_FALSE;
    ambient_[DISPID_AMBIENT_UIDEAD].CopyFrom(v);
    ambient_[DISPID_AMBIENT_DISPLAYNAME].SetText(L"TestSite");
    ambient_[DISPID_AMBIENT_LOCALEID].SetLong(static_cast<long>(GetUserDefaultLCID()));
    ambient_[DISPID_AMBIENT_BACKCOLOR].SetLong(static_cast<long>(GetSysColor(COLOR_WINDOW)));
    ambient_[DISPID_AMBIENT_FORECOLOR].SetLong(static_cast<long>(GetSysColor(COLOR_WINDOWTEXT)));
  }

  void Orphan() { host_ = nullptr; }
  void ForgetActiveObject() { activeObject_.Reset(); }
  SiteLog log;
  std::map<DISPID, base::ScopedVariant> ambient_;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    IUnknown* p = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      p = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      p = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleControlSite)) {
      p = static_cast<IOleControlSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow)) {
      p = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch)) {
      p = static_cast<IDispatch*>(this);
    }
    *out = p;
    if (!p) return E_NOINTERFACE;
    p->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (site and frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = host_ ? host_->window_ : nullptr;
    return *out ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
    ++log.inPlaceActivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override {
    ++log.uiActivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT pos, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !doc || !pos || !clip || !info || !host_) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    *pos = host_->rect_;
    GetClientRect(host_->window_, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = host_->window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
    ++log.uiDeactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    ++log.inPlaceDeactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
    ++log.posRectChanges;
    if (!rect || !host_) return E_POINTER;
    host_->rect_ = *rect;
    if (base::ComPtr<IOleInPlaceObject> o = host_->control_.As<IOleInPlaceObject>()) {
      o->SetObjectRects(rect, rect);
    }
    return S_OK;
  }

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override {
    ++log.focusChanges;
    return S_OK;
  }
  // The control opens its own property frame.
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override {
    ++log.propertyFrameRequests;
    return E_NOTIMPL;
  }

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override {
    if (!border || !host_) return E_POINTER;
    GetClientRect(host_->window_, border);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object,
                                            LPCOLESTR name) override {
    log.activeObjectName = name ? name : L"";
    activeObject_ = base::ComPtr<IOleInPlaceActiveObject>(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  // As a form host does: the active object hears it too, also when it asked itself.
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override {
    ++(enable ? log.modelessEnables : log.modelessDisables);
    if (base::ComPtr<IOleInPlaceActiveObject> active = activeObject_)
      active->EnableModeless(enable);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the ambient properties.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    auto it = ambient_.find(id);
    if (it == ambient_.end()) return DISP_E_MEMBERNOTFOUND;
    if (!result) return S_OK;
    VariantInit(result);
    return VariantCopy(result, const_cast<VARIANT*>(&it->second.Ref()));
  }

 private:
  ~HostSite() = default;
  ControlHost* host_;
  base::ComPtr<IOleInPlaceActiveObject> activeObject_;
  LONG refs_ = 1;
};

namespace {

const char kHostClass[] = "FwTestContainer";

bool EnsureHostClass() {
  static const bool registered = [] {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // A colour no test control paints, so a capture shows where the control is not.
    wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    wc.lpszClassName = kHostClass;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

ControlHost::ControlHost() {
  site_ = new HostSite(this);
  if (EnsureHostClass()) {
    window_ = CreateWindowExA(0, kHostClass, "Test container",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20, 20, 640, 480,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
}

ControlHost::~ControlHost() {
  Close();
  site_->Orphan();
  site_->Release();
  if (window_) DestroyWindow(window_);
}

HRESULT ControlHost::Create(const std::string& progId, int width, int height, bool activate) {
  CLSID clsid;
  const std::wstring wide = fw::AnsiToWide(progId);
  const HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return Create(clsid, width, height, activate);
}

HRESULT ControlHost::Create(REFCLSID clsid, int width, int height, bool activate) {
  if (control_) return E_UNEXPECTED;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  return Attach(width, height, nullptr, activate);
}

HRESULT ControlHost::CreateFromStream(REFCLSID clsid, IStream* stream, int width, int height) {
  if (control_) return E_UNEXPECTED;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  return Attach(width, height, stream, true);
}

HRESULT ControlHost::Attach(int width, int height, IStream* stream, bool activate) {
  if (!window_) return E_FAIL;
  rect_ = RECT{0, 0, width, height};
  object_ = control_.As<IOleObject>();
  if (!object_) return E_NOINTERFACE;
  DWORD misc = 0;
  object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  IOleClientSite* site = static_cast<IOleClientSite*>(site_);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) object_->SetClientSite(site);

  HRESULT hr = S_OK;
  if (base::ComPtr<IPersistStreamInit> persist = control_.As<IPersistStreamInit>()) {
    hr = stream ? persist->Load(stream) : persist->InitNew();
  }
  if (FAILED(hr)) return hr;
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) object_->SetClientSite(site);
  object_->SetHostNames(L"Test container", nullptr);
  SIZEL extent = fw::SizePixelsToHimetric(SIZE{width, height});
  object_->SetExtent(DVASPECT_CONTENT, &extent);
  return activate ? Activate() : S_OK;
}

HRESULT ControlHost::Activate(LONG verb) {
  if (!object_) return E_UNEXPECTED;
  return object_->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(site_), 0, window_, &rect_);
}

HRESULT ControlHost::Resize(int width, int height) {
  if (!object_) return E_UNEXPECTED;
  rect_ = RECT{0, 0, width, height};
  SIZEL extent = fw::SizePixelsToHimetric(SIZE{width, height});
  object_->SetExtent(DVASPECT_CONTENT, &extent);
  base::ComPtr<IOleInPlaceObject> inPlace = control_.As<IOleInPlaceObject>();
  if (!inPlace) return E_NOINTERFACE;
  return inPlace->SetObjectRects(&rect_, &rect_);
}

void ControlHost::Close() {
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  site_->ForgetActiveObject();
  object_.Reset();
  control_.Reset();
}

base::ComPtr<IDispatch> ControlHost::Dispatch() const { return control_.As<IDispatch>(); }

HWND ControlHost::ControlWindow() const {
  HWND window = nullptr;
  if (base::ComPtr<IOleInPlaceObject> o = control_.As<IOleInPlaceObject>()) o->GetWindow(&window);
  return window;
}

const SiteLog& ControlHost::Log() const { return site_->log; }

void ControlHost::SetAmbient(DISPID id, const VARIANT& value) {
  site_->ambient_[id].CopyFrom(value);
}

}  // namespace test_container
