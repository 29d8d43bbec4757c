// COleControl: identity, automation, events, property pages and error information.
#include "framework/ole_control.h"

#include "framework/ansi_text.h"
#include "framework/com_enum.h"
#include "framework/exception_guard.h"
#include "framework/himetric.h"
#include "framework/modal_loop.h"
#include "framework/module.h"
#include "framework/resources.h"

namespace fw {

namespace {

struct ConnectionPointTraits {
  static void Copy(IConnectionPoint* const& from, IConnectionPoint** to) {
    *to = from;
    if (from) from->AddRef();
  }
  static void Release(IConnectionPoint*& item) {
    if (item) item->Release();
  }
};

}  // namespace

std::string ControlTypeName(const ControlClass& cls) {
  std::string name = LoadResString(cls.typeNameId);
  return name.empty() && cls.progId ? std::string(cls.progId) : name;
}

COleControl::COleControl(const ControlClass& cls)
    : class_(cls), loadedVersion_(cls.persistVersion) {
  if (cls.eventIid) {
    events_ = std::make_unique<ConnectionPoint>(static_cast<IConnectionPointContainer*>(this),
                                                *cls.eventIid, [this] { OnEventSinksChanged(); },
                                                cls.sinkPolicy);
  }
  SetInitialSize(100, 50);
}

COleControl::~COleControl() = default;

HRESULT COleControl::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (SUCCEEDED(QueryExtraInterface(iid, out)) && *out) return S_OK;
  IUnknown* p = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      (class_.dispatchIid && IsEqualIID(iid, *class_.dispatchIid))) {
    p = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    p = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    p = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(iid, IID_IOleObject)) {
    p = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject)) {
    p = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
    p = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleControl)) {
    p = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) {
    p = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit)) {
    p = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(iid, IID_IPersistPropertyBag)) {
    p = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
    p = static_cast<ISpecifyPropertyPages*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    p = static_cast<ISupportErrorInfo*>(this);
  }
  if (!p) return E_NOINTERFACE;
  p->AddRef();
  *out = p;
  return S_OK;
}

HRESULT COleControl::QueryExtraInterface(REFIID, void** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COleControl::AddRef() { return InterlockedIncrement(&refs_); }

ULONG COleControl::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n != 0) return n;
  // Kept at one while it tears down, so references taken and dropped on the way (sites
  // calling back) do not start a second teardown.
  refs_ = 1;
  GuardVoid("COleControl final release", [&] { ReleaseAll(); });
  DeleteWhenIdle();
  return 0;
}

void COleControl::ReleaseAll() {
  OnFinalRelease();
  if (inPlaceActive_) InPlaceDeactivate();
  DestroyWindow();
  if (events_) events_->DisconnectAll();
  viewSink_.Reset();
  adviseHolder_.Reset();
  clientSite_.Reset();
}

LRESULT COleControl::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  RunningScope running(this);
  return CWnd::WindowProc(msg, w, l);
}

// --- IDispatch ---

ControlDispatchTable COleControl::GetDispatchTable() { return {}; }

HRESULT COleControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT COleControl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (!class_.dispatchIid) return E_NOTIMPL;
  return GuardHResult("IDispatch::GetTypeInfo", [&] {
    return Module::Get().GetTypeInfoOfGuid(*class_.dispatchIid, lcid, out);
  });
}

HRESULT COleControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                   DISPID* ids) {
  if (!names || !ids || count == 0) return E_POINTER;
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return GuardHResult("IDispatch::GetIDsOfNames", [&]() -> HRESULT {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const ControlDispatchTable table = GetDispatchTable();
    const ControlDispatchEntry* e = table.FindByName(WideToAnsi(names[0]).c_str());
    if (!e) return DISP_E_UNKNOWNNAME;
    ids[0] = e->id;
    if (count == 1) return S_OK;
    // Parameter names, for named arguments, come from the type information.
    base::ComPtr<ITypeInfo> info;
    if (FAILED(GetTypeInfo(0, lcid, info.Receive()))) return DISP_E_UNKNOWNNAME;
    const HRESULT hr = info->GetIDsOfNames(names, count, ids);
    ids[0] = e->id;
    return hr;
  });
}

HRESULT COleControl::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* error, UINT* argError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  RunningScope running(this);
  try {
    return GetDispatchTable().Invoke(*this, id, flags, params, result, argError);
  } catch (...) {
    const std::string text = CurrentExceptionText();
    LogFailure("IDispatch::Invoke", text.c_str());
    if (!error) return E_UNEXPECTED;
    *error = EXCEPINFO{};
    error->scode = E_UNEXPECTED;
    error->bstrSource = AnsiToBstr(class_.progId ? class_.progId : "");
    error->bstrDescription = AnsiToBstr(text);
    return DISP_E_EXCEPTION;
  }
}

// --- IProvideClassInfo2 ---

HRESULT COleControl::GetClassInfo(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("IProvideClassInfo::GetClassInfo", [&] {
    return Module::Get().GetTypeInfoOfGuid(*class_.clsid, LOCALE_USER_DEFAULT, out);
  });
}

HRESULT COleControl::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  if (!class_.eventIid) {
    *out = GUID_NULL;
    return E_UNEXPECTED;
  }
  *out = *class_.eventIid;
  return S_OK;
}

// --- IConnectionPointContainer ---

HRESULT COleControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("EnumConnectionPoints", [&]() -> HRESULT {
    std::vector<IConnectionPoint*> points;
    if (events_) {
      events_->AddRef();
      points.push_back(events_.get());
    }
    return ComEnumerator<IEnumConnectionPoints, IConnectionPoint*, ConnectionPointTraits>::Create(
        std::move(points), out);
  });
}

HRESULT COleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!events_ || !IsEqualIID(iid, events_->EventIid())) return CONNECT_E_NOCONNECTION;
  events_->AddRef();
  *out = events_.get();
  return S_OK;
}

// --- ISpecifyPropertyPages, ISupportErrorInfo ---

HRESULT COleControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  if (class_.propertyPageCount == 0) return S_OK;
  auto* ids = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * class_.propertyPageCount));
  if (!ids) return E_OUTOFMEMORY;
  for (size_t i = 0; i < class_.propertyPageCount; ++i) ids[i] = *class_.propertyPages[i];
  pages->cElems = static_cast<ULONG>(class_.propertyPageCount);
  pages->pElems = ids;
  return S_OK;
}

HRESULT COleControl::InterfaceSupportsErrorInfo(REFIID iid) {
  return class_.dispatchIid && IsEqualIID(iid, *class_.dispatchIid) ? S_OK : S_FALSE;
}

// --- Ambient properties ---

bool COleControl::GetAmbientProperty(DISPID id, VARTYPE type, VARIANT* out) const {
  VariantInit(out);
  if (!clientSite_) return false;
  base::ComPtr<IDispatch> ambient = clientSite_.As<IDispatch>();
  if (!ambient) return false;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT raw;
  VariantInit(&raw);
  if (FAILED(ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &raw,
                             nullptr, nullptr))) {
    return false;
  }
  const HRESULT hr = VariantChangeType(out, &raw, 0, type);
  VariantClear(&raw);
  return SUCCEEDED(hr);
}

bool COleControl::AmbientUserMode() const {
  VARIANT v;
  return GetAmbientProperty(DISPID_AMBIENT_USERMODE, VT_BOOL, &v) ? v.boolVal != VARIANT_FALSE
                                                                  : true;
}

bool COleControl::AmbientUIDead() const {
  VARIANT v;
  return GetAmbientProperty(DISPID_AMBIENT_UIDEAD, VT_BOOL, &v) && v.boolVal != VARIANT_FALSE;
}

namespace {
COLORREF Translate(const VARIANT& v, int fallbackIndex) {
  COLORREF color = GetSysColor(fallbackIndex);
  OleTranslateColor(static_cast<OLE_COLOR>(v.lVal), nullptr, &color);
  return color;
}
}  // namespace

COLORREF COleControl::AmbientBackColor() const {
  VARIANT v;
  return GetAmbientProperty(DISPID_AMBIENT_BACKCOLOR, VT_I4, &v) ? Translate(v, COLOR_WINDOW)
                                                                 : GetSysColor(COLOR_WINDOW);
}

COLORREF COleControl::AmbientForeColor() const {
  VARIANT v;
  return GetAmbientProperty(DISPID_AMBIENT_FORECOLOR, VT_I4, &v) ? Translate(v, COLOR_WINDOWTEXT)
                                                                 : GetSysColor(COLOR_WINDOWTEXT);
}

std::string COleControl::AmbientDisplayName() const {
  VARIANT v;
  if (!GetAmbientProperty(DISPID_AMBIENT_DISPLAYNAME, VT_BSTR, &v)) return {};
  std::string name = BstrToAnsi(v.bstrVal);
  VariantClear(&v);
  return name;
}

LCID COleControl::AmbientLocaleID() const {
  VARIANT v;
  return GetAmbientProperty(DISPID_AMBIENT_LOCALEID, VT_I4, &v) ? static_cast<LCID>(v.lVal)
                                                                : GetUserDefaultLCID();
}

HRESULT COleControl::OnAmbientPropertyChange(DISPID id) {
  return GuardHResult("IOleControl::OnAmbientPropertyChange", [&] {
    OnAmbientPropertyChanged(id);
    return S_OK;
  });
}

// --- Property pages ---

HRESULT COleControl::ShowPropertyFrame(HWND parent) {
  ModalScope scope(this);
  if (base::ComPtr<IOleControlSite> site = clientSite_.As<IOleControlSite>()) {
    if (SUCCEEDED(site->ShowPropertyFrame())) return S_OK;
  }
  if (class_.propertyPageCount == 0) return S_FALSE;
  std::vector<CLSID> pages;
  for (size_t i = 0; i < class_.propertyPageCount; ++i) pages.push_back(*class_.propertyPages[i]);
  const std::wstring caption = AnsiToWide(ControlTypeName(class_));
  IUnknown* self = static_cast<IDispatch*>(this);
  if (!parent) parent = ContainerWindow();
  return OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), 1, &self,
                                static_cast<ULONG>(pages.size()), pages.data(), AmbientLocaleID(),
                                0, nullptr);
}

bool COleControl::OnProperties(HWND parent) { return ShowPropertyFrame(parent) == S_OK; }

}  // namespace fw
