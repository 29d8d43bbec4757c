// TVantrelControl: the record browser as an ActiveX control. Its window is the whole form
// TVantrel, made with the object (so its start-up runs before any host can connect a
// sink) in a hidden parking window; in-place activation moves the form into the control's
// window, filling it, and deactivation parks it again with its records.
//
// IVantrel is a dual interface: the form's standard properties, AddSurveillanceRecord and
// FontColor. Booleans come back as -1 and 0; a put takes any non-zero value as true.
// Events go to the one sink the form keeps (EventSink, the newest connection answering
// IVantrelEvents; a sink without it is refused), while events are not frozen.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/dual_interface.h"
#include "framework/ole_control.h"
#include "recordbrowser/control/form_slot.h"
#include "VantrelProj_h.h"

namespace vantrel {

extern const fw::ControlClass kVantrelClass;

class TVantrelControl : public fw::COleControl, public fw::DualInterface<IVantrel> {
 public:
  TVantrelControl();
  ~TVantrelControl() override;

  // One IUnknown and one IDispatch for both halves.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return COleControl::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return COleControl::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return COleControl::Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  // The type information cannot turn a host's BSTR into AddSurveillanceRecord's LPWSTR:
  // dispatch id 217 is unpacked here and calls the vtable member.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override;

  // IOleObject, IOleInPlaceObject: the form leaves the control's window before it goes.
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;

  // IVantrel
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AxBorderStyle(TxActiveFormBorderStyle* value) override;
  HRESULT STDMETHODCALLTYPE put_AxBorderStyle(TxActiveFormBorderStyle value) override;
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* value) override;
  HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR value) override;
  HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** value) override;
  HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* value) override;
  HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* value) override;
  HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_PixelsPerInch(long* value) override;
  HRESULT STDMETHODCALLTYPE put_PixelsPerInch(long value) override;
  HRESULT STDMETHODCALLTYPE get_PrintScale(TxPrintScale* value) override;
  HRESULT STDMETHODCALLTYPE put_PrintScale(TxPrintScale value) override;
  HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_ScreenSnap(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_ScreenSnap(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_SnapBuffer(long* value) override;
  HRESULT STDMETHODCALLTYPE put_SnapBuffer(long value) override;
  HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(long* value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE AddSurveillanceRecord(LPWSTR mediaFile, LPWSTR area, LPWSTR camera,
                                                  double date, double time) override;
  HRESULT STDMETHODCALLTYPE get_FontColor(long* value) override;
  HRESULT STDMETHODCALLTYPE put_FontColor(long value) override;

 protected:
  HRESULT QueryExtraInterface(REFIID iid, void** out) override { return AnswerDual(iid, out); }
  void OnEventSinksChanged() override;
  void OnFinalRelease() override;
  void PreCreateWindow(DWORD& style, DWORD& exStyle) override;
  int OnCreate(CREATESTRUCTA* cs) override;
  void OnSize(UINT type, int cx, int cy) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  // What the form's handlers reach the control through: cleared when the control goes,
  // which a form left to a posted deletion may outlive.
  struct Link {
    TVantrelControl* control;
  };

  TVantrel& Form() const { return slot_->Form(); }
  // A form whose window went with a parent the host destroyed is made again.
  void EnsureForm();
  void BindFormEvents();
  void PlaceForm();
  void ParkForm();
  void ApplyBorderStyle();
  // Fires an event of IVantrelEvents to the form's EventSink.
  template <class... A>
  void Forward(DISPID id, const A&... args);
  void ForwardKeyPress(wchar_t& key);
  // Fires OnActivate or OnDeactivate when UI activation changed since `wasActive`.
  void ReportActivation(bool wasActive);

  std::unique_ptr<FormSlot> slot_;
  std::shared_ptr<Link> link_;
  bool destroyFired_ = false;
  // Stored only, as the form keeps them.
  bool autoScroll_ = false;
  bool autoSize_ = false;
  TxActiveFormBorderStyle borderStyle_ = afbNone;
  long pixelsPerInch_ = 96;
  TxPrintScale printScale_ = poProportional;
  bool scaled_ = true;
  bool dropTarget_ = false;
  std::wstring helpFile_;
  bool screenSnap_ = false;
  long snapBuffer_ = 10;
  bool doubleBuffered_ = false;
  bool enabled_ = true;
};

}  // namespace vantrel
