#include "recordbrowser/control/vantrel_control.h"

#include <olectl.h>

#include <cstdlib>

#include "base/scoped_gdi.h"
#include "framework/ansi_text.h"
#include "framework/class_registration.h"
#include "framework/event_args.h"
#include "framework/exception_guard.h"
#include "recordbrowser/control/vantrel_module_resource.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

const fw::ControlClass kVantrelClass = {
    &CLSID_Vantrel,
    "VantrelProj.Vantrel",
    IDS_VANTREL_TYPE,
    IDB_VANTREL_TOOLBOX,
    fw::kRegApartmentThreading,
    OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL,
    &IID_IVantrel,
    &DIID_IVantrelEvents,
    nullptr,
    0,
    0x00010000,
    fw::SinkPolicy::kEventInterfaceOnly,
};

namespace {

constexpr DISPID kAddSurveillanceRecord = 217;

enum EventId : DISPID {
  kOnActivate = 201,
  kOnClick = 202,
  kOnDblClick = 204,
  kOnDestroy = 205,
  kOnDeactivate = 206,
  kOnKeyPress = 207,
  kOnPaint = 208,
};

VARIANT_BOOL Bool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// A property get: the value into the caller's place, which may be null.
template <class T, class V>
HRESULT Answer(const V& value, T* out) {
  if (!out) return E_POINTER;
  *out = static_cast<T>(value);
  return S_OK;
}

int ScreenPixelsPerInch() {
  base::ScopedWindowDc screen(nullptr);
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

// A text argument of AddSurveillanceRecord as hosts pass it: a BSTR, by value or by
// reference, or a variant by reference holding one (a VBScript variable).
bool TextArgument(const VARIANT& arg, std::wstring& out) {
  const VARIANT* v = &arg;
  if (v->vt == (VT_BYREF | VT_VARIANT)) {
    if (!v->pvarVal) return false;
    v = v->pvarVal;
  }
  BSTR text = nullptr;
  if (v->vt == VT_BSTR) {
    text = v->bstrVal;
  } else if (v->vt == (VT_BYREF | VT_BSTR)) {
    text = v->pbstrVal ? *v->pbstrVal : nullptr;
  } else {
    return false;
  }
  out.assign(text ? text : L"", text ? SysStringLen(text) : 0);
  // The member reads up to the first NUL, as a caller's LPWSTR would end there.
  out.resize(wcslen(out.c_str()));
  return true;
}

// A date or time argument: a date, a double or an integer, by value or by reference.
bool DateArgument(const VARIANT& arg, double& out) {
  VARIANT value;
  VariantInit(&value);
  if (FAILED(VariantCopyInd(&value, const_cast<VARIANT*>(&arg)))) return false;
  if (value.vt == (VT_BYREF | VT_VARIANT) || value.vt == VT_VARIANT) {
    VariantClear(&value);
    return false;
  }
  bool ok = false;
  switch (value.vt) {
    case VT_DATE:
    case VT_R8:
    case VT_R4:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
      ok = SUCCEEDED(VariantChangeType(&value, &value, 0, VT_R8));
      if (ok) out = value.dblVal;
      break;
    default:
      break;
  }
  VariantClear(&value);
  return ok;
}

// What typelib-driven Invoke makes of a failing member: DISP_E_EXCEPTION with the error
// information in EXCEPINFO.
HRESULT ExceptionFromErrorInfo(HRESULT hr, EXCEPINFO* error) {
  if (!error) return hr;
  *error = EXCEPINFO{};
  error->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    info->GetSource(&error->bstrSource);
    info->GetDescription(&error->bstrDescription);
    info->GetHelpFile(&error->bstrHelpFile);
    info->GetHelpContext(&error->dwHelpContext);
    info->Release();
  }
  return DISP_E_EXCEPTION;
}

}  // namespace

TVantrelControl::TVantrelControl()
    : COleControl(kVantrelClass),
      DualInterface(static_cast<IDispatch*>(static_cast<fw::COleControl*>(this)),
                    kVantrelClass.progId),
      slot_(std::make_unique<FormSlot>()),
      link_(std::make_shared<Link>(Link{this})) {
  BindFormEvents();
  SetInitialSize(TVantrel::kDesignWidth, TVantrel::kDesignHeight);
}

TVantrelControl::~TVantrelControl() {
  link_->control = nullptr;
  FormSlot::DeleteWhenIdle(std::move(slot_));
}

void TVantrelControl::BindFormEvents() {
  TVantrel& form = Form();
  const std::shared_ptr<Link> link = link_;
  form.OnKeyPress = [link](wchar_t& key) {
    if (link->control) link->control->ForwardKeyPress(key);
  };
  form.OnFormPaint = [link] {
    if (link->control) link->control->Forward(kOnPaint);
  };
  form.OnFormClick = [link] {
    if (link->control) link->control->Forward(kOnClick);
  };
  form.OnFormDblClick = [link] {
    if (link->control) link->control->Forward(kOnDblClick);
  };
  // A click or the focus inside the form UI-activates the control.
  form.OnFocusEnter = [link] {
    TVantrelControl* control = link->control;
    if (!control || !control->IsInPlaceActive() || control->IsUIActive()) return;
    control->DoVerb(OLEIVERB_UIACTIVATE, nullptr, control->ClientSite(), 0, nullptr, nullptr);
  };
  if (!enabled_) EnableWindow(form.GetSafeHwnd(), FALSE);
}

void TVantrelControl::EnsureForm() {
  if (!slot_ || Form().GetSafeHwnd()) return;
  base::ComPtr<IDispatch> sink = Form().EventSink;
  FormSlot::DeleteWhenIdle(std::move(slot_));
  slot_ = std::make_unique<FormSlot>();
  Form().EventSink = sink;
  BindFormEvents();
}

void TVantrelControl::PlaceForm() {
  if (slot_ && GetSafeHwnd()) slot_->Place(GetSafeHwnd());
}

void TVantrelControl::ParkForm() {
  if (slot_) slot_->Park();
}

template <class... A>
void TVantrelControl::Forward(DISPID id, const A&... args) {
  if (!slot_ || AreEventsFrozen()) return;
  base::ComPtr<IDispatch> sink = Form().EventSink;
  if (!sink) return;
  // The host may let the control go in its handler; it goes when this call is done.
  const auto keepAlive = KeepAlive();
  fw::GuardVoid("IVantrelEvents", [&] {
    fw::EventArgs event(args...);
    DISPPARAMS params = event.Params();
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
  });
}

void TVantrelControl::ForwardKeyPress(wchar_t& key) {
  const auto keepAlive = KeepAlive();
  short value = static_cast<short>(key);
  Forward(kOnKeyPress, &value);
  // A key the host left alone stays whole (a character past 0xFF included).
  if (value != static_cast<short>(key)) key = static_cast<wchar_t>(value & 0xFF);
}

void TVantrelControl::ReportActivation(bool wasActive) {
  const bool active = IsUIActive();
  if (active && !wasActive) Forward(kOnActivate);
  if (!active && wasActive) Forward(kOnDeactivate);
}

void TVantrelControl::OnEventSinksChanged() {
  if (!slot_) return;
  // The newest connection is the sink the form keeps.
  base::ComPtr<IDispatch> newest;
  base::ComPtr<IConnectionPoint> point;
  base::ComPtr<IEnumConnections> connections;
  if (SUCCEEDED(FindConnectionPoint(DIID_IVantrelEvents, point.Receive())) &&
      SUCCEEDED(point->EnumConnections(connections.Receive()))) {
    CONNECTDATA data{};
    while (connections->Next(1, &data, nullptr) == S_OK) {
      if (data.pUnk) {
        base::ComPtr<IDispatch> sink;
        if (SUCCEEDED(data.pUnk->QueryInterface(DIID_IVantrelEvents, sink.ReceiveVoid())) && sink) {
          newest = sink;
        }
        data.pUnk->Release();
      }
    }
  }
  Form().EventSink = newest;
}

void TVantrelControl::OnFinalRelease() {
  if (!destroyFired_) {
    destroyFired_ = true;
    Forward(kOnDestroy);
  }
  link_->control = nullptr;
  if (!slot_) return;
  Form().EventSink.Reset();
  ParkForm();
  FormSlot::DeleteWhenIdle(std::move(slot_));
}

// --- IDispatch ---

HRESULT TVantrelControl::GetTypeInfoCount(UINT* count) {
  return DualInterface::GetTypeInfoCount(count);
}

HRESULT TVantrelControl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) {
  return DualInterface::GetTypeInfo(index, lcid, out);
}

HRESULT TVantrelControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                       DISPID* ids) {
  return DualInterface::GetIDsOfNames(iid, names, count, lcid, ids);
}

HRESULT TVantrelControl::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* error, UINT* argError) {
  if (id != kAddSurveillanceRecord) {
    return DualInterface::Invoke(id, iid, lcid, flags, params, result, error, argError);
  }
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != 5) return DISP_E_BADPARAMCOUNT;
  const auto keepAlive = KeepAlive();
  return fw::GuardHResult("IVantrel::Invoke", [&]() -> HRESULT {
    // Arguments come last first.
    std::wstring texts[3];
    for (UINT i = 0; i < 3; ++i) {
      const UINT at = 4 - i;
      if (!TextArgument(params->rgvarg[at], texts[i])) {
        if (argError) *argError = at;
        return DISP_E_TYPEMISMATCH;
      }
    }
    double dates[2] = {0, 0};
    for (UINT i = 0; i < 2; ++i) {
      const UINT at = 1 - i;
      if (!DateArgument(params->rgvarg[at], dates[i])) {
        if (argError) *argError = at;
        return DISP_E_TYPEMISMATCH;
      }
    }
    if (result) VariantInit(result);
    const HRESULT hr = AddSurveillanceRecord(&texts[0][0], &texts[1][0], &texts[2][0], dates[0],
                                             dates[1]);
    return FAILED(hr) ? ExceptionFromErrorInfo(hr, error) : hr;
  });
}

// --- Activation ---

HRESULT TVantrelControl::Close(DWORD saveOption) {
  ParkForm();
  return COleControl::Close(saveOption);
}

HRESULT TVantrelControl::DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                HWND parent, LPCRECT rect) {
  const auto keepAlive = KeepAlive();
  const bool wasActive = IsUIActive();
  fw::GuardVoid("IOleObject::DoVerb", [&] { EnsureForm(); });
  const HRESULT hr = COleControl::DoVerb(verb, msg, site, index, parent, rect);
  ReportActivation(wasActive);
  return hr;
}

HRESULT TVantrelControl::InPlaceDeactivate() {
  const auto keepAlive = KeepAlive();
  // Out of the window before it goes, and UI deactivation told first.
  if (IsInPlaceActive()) UIDeactivate();
  ParkForm();
  return COleControl::InPlaceDeactivate();
}

HRESULT TVantrelControl::UIDeactivate() {
  const bool wasActive = IsUIActive();
  const HRESULT hr = COleControl::UIDeactivate();
  ReportActivation(wasActive);
  return hr;
}

// --- The control's window ---

void TVantrelControl::PreCreateWindow(DWORD& style, DWORD& exStyle) {
  style &= ~WS_BORDER;
  exStyle &= ~(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME);
  switch (borderStyle_) {
    case afbSingle:
      style |= WS_BORDER;
      break;
    case afbSunken:
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case afbRaised:
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    default:
      break;
  }
}

void TVantrelControl::ApplyBorderStyle() {
  HWND window = GetSafeHwnd();
  if (!window) return;
  DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  PreCreateWindow(style, exStyle);
  SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
  SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(exStyle));
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceForm();
}

int TVantrelControl::OnCreate(CREATESTRUCTA* cs) {
  const int result = COleControl::OnCreate(cs);
  if (result != -1) PlaceForm();
  return result;
}

void TVantrelControl::OnSize(UINT type, int cx, int cy) {
  COleControl::OnSize(type, cx, cy);
  PlaceForm();
}

BOOL TVantrelControl::OnEraseBkgnd(HDC) { return TRUE; }

void TVantrelControl::OnDraw(HDC dc, const RECT& bounds, const RECT&) {
  const form::Color color = slot_ ? Form().GetColor() : form::SystemColor(COLOR_BACKGROUND);
  base::ScopedBrush brush(CreateSolidBrush(form::ToRgb(color)));
  FillRect(dc, &bounds, brush.Get());
}

bool TVantrelControl::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_MOUSEACTIVATE: {
      const bool wasActive = IsUIActive();
      const bool handled = COleControl::OnWndMsg(msg, w, l, result);
      ReportActivation(wasActive);
      return handled;
    }
    case WM_SETFOCUS: {
      const bool handled = COleControl::OnWndMsg(msg, w, l, result);
      // The keys go to the form.
      if (slot_ && GetSafeHwnd() && IsChild(GetSafeHwnd(), Form().GetSafeHwnd())) {
        SetFocus(Form().GetSafeHwnd());
      }
      return handled;
    }
    case WM_DESTROY:
      ParkForm();
      break;
    default:
      break;
  }
  return COleControl::OnWndMsg(msg, w, l, result);
}

// --- IVantrel ---

HRESULT TVantrelControl::get_Visible(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  return Guard("Visible", [&] { *value = Bool(Form().Visible()); });
}

HRESULT TVantrelControl::put_Visible(VARIANT_BOOL value) {
  return Guard("Visible", [&] { Form().SetVisible(value != 0); });
}

HRESULT TVantrelControl::get_AutoScroll(VARIANT_BOOL* value) {
  return Answer(Bool(autoScroll_), value);
}

HRESULT TVantrelControl::put_AutoScroll(VARIANT_BOOL value) {
  autoScroll_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_AutoSize(VARIANT_BOOL* value) {
  return Answer(Bool(autoSize_), value);
}

HRESULT TVantrelControl::put_AutoSize(VARIANT_BOOL value) {
  autoSize_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_AxBorderStyle(TxActiveFormBorderStyle* value) {
  return Answer(borderStyle_, value);
}

HRESULT TVantrelControl::put_AxBorderStyle(TxActiveFormBorderStyle value) {
  return Guard("AxBorderStyle", [&]() -> HRESULT {
    if (value < afbNone || value > afbRaised) {
      return ReportFailure("Invalid property value", CTL_E_INVALIDPROPERTYVALUE);
    }
    borderStyle_ = value;
    ApplyBorderStyle();
    return S_OK;
  });
}

HRESULT TVantrelControl::get_Caption(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guard("Caption", [&]() -> HRESULT {
    *value = fw::AnsiToBstr(fw::WideToAnsi(Form().Caption()));
    return *value ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT TVantrelControl::put_Caption(BSTR value) {
  return Guard("Caption", [&] { Form().SetCaption(fw::AnsiToWide(fw::BstrToAnsi(value))); });
}

HRESULT TVantrelControl::get_Color(OLE_COLOR* value) {
  if (!value) return E_POINTER;
  return Guard("Color", [&] { *value = Form().GetColor(); });
}

HRESULT TVantrelControl::put_Color(OLE_COLOR value) {
  return Guard("Color", [&]() -> HRESULT {
    COLORREF rgb = 0;
    if (FAILED(OleTranslateColor(value, nullptr, &rgb))) {
      return ReportFailure("Invalid property value", CTL_E_INVALIDPROPERTYVALUE);
    }
    // A system colour stays one, read when used.
    Form().SetColor((value & 0x80000000u) ? value : rgb);
    return S_OK;
  });
}

HRESULT TVantrelControl::get_Font(IFontDisp** value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guard("Font", [&]() -> HRESULT {
    const form::Font& font = Form().GetFont();
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = const_cast<LPOLESTR>(font.name.c_str());
    desc.cySize.int64 = MulDiv(std::abs(font.height), 72 * 10000, ScreenPixelsPerInch());
    desc.sWeight = static_cast<SHORT>(
        font.weight != 0 ? font.weight : (font.bold ? FW_BOLD : FW_NORMAL));
    desc.sCharset = font.charset;
    desc.fItalic = font.italic;
    desc.fUnderline = font.underline;
    desc.fStrikethrough = font.strikeOut;
    return OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(value));
  });
}

HRESULT TVantrelControl::put_Font(IFontDisp* value) {
  if (!value) return E_POINTER;
  return Guard("Font", [&]() -> HRESULT {
    base::ComPtr<IFont> source;
    const HRESULT hr = value->QueryInterface(IID_IFont, source.ReceiveVoid());
    if (FAILED(hr) || !source) return ReportFailure("The font is no OLE font.", E_NOINTERFACE);
    BSTR name = nullptr;
    CY size{};
    SHORT weight = FW_NORMAL;
    SHORT charset = DEFAULT_CHARSET;
    BOOL italic = FALSE, underline = FALSE, strikeOut = FALSE;
    source->get_Name(&name);
    source->get_Size(&size);
    source->get_Weight(&weight);
    source->get_Charset(&charset);
    source->get_Italic(&italic);
    source->get_Underline(&underline);
    source->get_Strikethrough(&strikeOut);
    form::Font font = Form().GetFont();
    if (name) {
      font.name.assign(name, SysStringLen(name));
      SysFreeString(name);
    }
    font.height = -static_cast<int>(
        (size.int64 * ScreenPixelsPerInch() + 72 * 10000 / 2) / (72 * 10000));
    font.weight = weight;
    font.bold = weight >= FW_BOLD;
    font.italic = italic != FALSE;
    font.underline = underline != FALSE;
    font.strikeOut = strikeOut != FALSE;
    font.charset = static_cast<BYTE>(charset);
    Form().SetFont(font);
    return S_OK;
  });
}

HRESULT TVantrelControl::putref_Font(IFontDisp* value) { return put_Font(value); }

HRESULT TVantrelControl::get_KeyPreview(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  return Guard("KeyPreview", [&] { *value = Bool(Form().KeyPreview()); });
}

HRESULT TVantrelControl::put_KeyPreview(VARIANT_BOOL value) {
  return Guard("KeyPreview", [&] { Form().SetKeyPreview(value != 0); });
}

HRESULT TVantrelControl::get_PixelsPerInch(long* value) {
  return Answer(pixelsPerInch_, value);
}

HRESULT TVantrelControl::put_PixelsPerInch(long value) {
  pixelsPerInch_ = value;
  return S_OK;
}

HRESULT TVantrelControl::get_PrintScale(TxPrintScale* value) {
  return Answer(printScale_, value);
}

HRESULT TVantrelControl::put_PrintScale(TxPrintScale value) {
  printScale_ = value;
  return S_OK;
}

HRESULT TVantrelControl::get_Scaled(VARIANT_BOOL* value) {
  return Answer(Bool(scaled_), value);
}

HRESULT TVantrelControl::put_Scaled(VARIANT_BOOL value) {
  scaled_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_Active(VARIANT_BOOL* value) {
  return Answer(Bool(IsUIActive()), value);
}

HRESULT TVantrelControl::get_DropTarget(VARIANT_BOOL* value) {
  return Answer(Bool(dropTarget_), value);
}

HRESULT TVantrelControl::put_DropTarget(VARIANT_BOOL value) {
  dropTarget_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_HelpFile(BSTR* value) {
  if (!value) return E_POINTER;
  *value = SysAllocStringLen(helpFile_.data(), static_cast<UINT>(helpFile_.size()));
  return *value ? S_OK : E_OUTOFMEMORY;
}

HRESULT TVantrelControl::put_HelpFile(BSTR value) {
  return Guard("HelpFile", [&] { helpFile_.assign(value ? value : L"", SysStringLen(value)); });
}

HRESULT TVantrelControl::get_ScreenSnap(VARIANT_BOOL* value) {
  return Answer(Bool(screenSnap_), value);
}

HRESULT TVantrelControl::put_ScreenSnap(VARIANT_BOOL value) {
  screenSnap_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_SnapBuffer(long* value) {
  return Answer(snapBuffer_, value);
}

HRESULT TVantrelControl::put_SnapBuffer(long value) {
  snapBuffer_ = value;
  return S_OK;
}

HRESULT TVantrelControl::get_DoubleBuffered(VARIANT_BOOL* value) {
  return Answer(Bool(doubleBuffered_), value);
}

HRESULT TVantrelControl::put_DoubleBuffered(VARIANT_BOOL value) {
  doubleBuffered_ = value != 0;
  return S_OK;
}

HRESULT TVantrelControl::get_AlignDisabled(VARIANT_BOOL* value) {
  return Answer(VARIANT_FALSE, value);
}

HRESULT TVantrelControl::get_VisibleDockClientCount(long* value) {
  return Answer(0, value);
}

HRESULT TVantrelControl::get_Enabled(VARIANT_BOOL* value) {
  return Answer(Bool(enabled_), value);
}

HRESULT TVantrelControl::put_Enabled(VARIANT_BOOL value) {
  return Guard("Enabled", [&] {
    enabled_ = value != 0;
    EnableWindow(Form().GetSafeHwnd(), enabled_ ? TRUE : FALSE);
  });
}

HRESULT TVantrelControl::AddSurveillanceRecord(LPWSTR mediaFile, LPWSTR area, LPWSTR camera,
                                               double date, double time) {
  return Guard("AddSurveillanceRecord", [&]() -> HRESULT {
    const HRESULT hr = Form().AddSurveillanceRecord(mediaFile, area, camera, date, time);
    if (SUCCEEDED(hr)) return hr;
    // The form's error information, with the control as its source.
    std::string text;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
      BSTR description = nullptr;
      info->GetDescription(&description);
      text = fw::BstrToAnsi(description);
      SysFreeString(description);
      info->Release();
    }
    return text.empty() ? hr : ReportFailure(text, hr);
  });
}

HRESULT TVantrelControl::get_FontColor(long* value) {
  if (!value) return E_POINTER;
  return Guard("FontColor", [&] { *value = static_cast<long>(Form().GetFont().color); });
}

HRESULT TVantrelControl::put_FontColor(long value) {
  return Guard("FontColor", [&]() -> HRESULT {
    const auto color = static_cast<OLE_COLOR>(value);
    COLORREF rgb = 0;
    if (FAILED(OleTranslateColor(color, nullptr, &rgb))) {
      return ReportFailure("Invalid property value", CTL_E_INVALIDPROPERTYVALUE);
    }
    Form().SetFontColor((color & 0x80000000u) ? color : rgb);
    return S_OK;
  });
}

}  // namespace vantrel
