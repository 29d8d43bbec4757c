// COleControl: the ActiveX control base. A control class derives from it, describes itself
// in a ControlClass (class_factory.h), lists its automation members in a dispatch table,
// fires its events with FireEvent, draws in OnDraw and handles its window's messages like
// any CWnd (virtual handlers and message tables).
//
// What a host can rely on:
// - IDispatch on the dispatch table, with the type information of the registered type
//   library; arguments are converted as dispatch_args.h describes, so VB-style hosts,
//   VBScript and JScript can all call it. No C++ exception leaves a COM method: a member
//   that throws answers DISP_E_EXCEPTION (with EXCEPINFO) or E_UNEXPECTED.
// - IConnectionPointContainer with one connection point, the class's event interface;
//   events reach every connected sink, in the order they connected. The class's
//   sinkPolicy says whether a sink answering only IDispatch is taken too.
// - IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl, IViewObject2,
//   IPersistStreamInit, IPersistPropertyBag, IProvideClassInfo2, ISpecifyPropertyPages and
//   ISupportErrorInfo. In-place activation creates the control's window as a child of the
//   site's window at the site's rectangle; SetObjectRects moves it; deactivation destroys it.
// - Verbs: primary (0, "&Edit") UI-activates, show and in-place activate activate in
//   place, UI activate, hide, and properties (-7) opens the property frame of the pages.
// - Persistence: "_Version" (the class's persistVersion), "_ExtentX", "_ExtentY"
//   (HIMETRIC) and "_StockProps" (0: no stock properties), then the control's own.
// - Releasing or deactivating the control inside any modal loop it runs from a host call is
//   safe: host calls and window messages hold a reference on the control, and its modal
//   loops follow the protocol of modal_loop.h.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "base/com_ptr.h"
#include "framework/class_factory.h"
#include "framework/connection_point.h"
#include "framework/dispatch_table.h"
#include "framework/error.h"
#include "framework/event_args.h"
#include "framework/module.h"
#include "framework/prop_exchange.h"
#include "framework/window.h"

namespace fw {

class COleControl;

using ControlDispatchEntry = DispatchEntry<COleControl>;
using ControlDispatchTable = DispatchTable<COleControl>;

// Entries of a control's dispatch table.
template <auto Method>
constexpr ControlDispatchEntry ControlMethod(DISPID id, const char* name) {
  return DispMethod<COleControl, Method>(id, name);
}
template <auto Get, auto Put = nullptr>
constexpr ControlDispatchEntry ControlProperty(DISPID id, const char* name) {
  return DispProperty<COleControl, Get, Put>(id, name);
}

// Window class of the controls' own windows: double clicks, no background brush.
extern const char kControlWindowClass[];

// The class's type name (its string resource), or its ProgID when the string is missing.
std::string ControlTypeName(const ControlClass& cls);

class COleControl : public CWnd,
                    public IDispatch,
                    public IProvideClassInfo2,
                    public IConnectionPointContainer,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObject2,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public ISpecifyPropertyPages,
                    public ISupportErrorInfo {
 public:
  explicit COleControl(const ControlClass& cls);
  ~COleControl() override;

  const ControlClass& Class() const { return class_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                         BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                 HDC targetDc, HDC drawDc, LPCRECTL bounds, LPCRECTL windowBounds,
                                 BOOL(STDMETHODCALLTYPE* proceed)(ULONG_PTR),
                                 ULONG_PTR proceedArg) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                                        DVTARGETDEVICE* device, HDC targetDc,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo,
                                   DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                      LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // ISpecifyPropertyPages
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

  // The window procedure: AddRefs the control around every message so a handler may drop
  // the host's last reference safely.
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;

  // The modal-loop protocol behind ModalScope (modal_loop.h); calls nest.
  void EnterModalLoop();
  void LeaveModalLoop();
  // The control whose host call or window message this thread is running (the innermost),
  // or null.
  static COleControl* Running();

 protected:
  // The control's automation members; empty by default.
  virtual ControlDispatchTable GetDispatchTable();
  // Draws the control: for the host's IViewObject::Draw and for the window's WM_PAINT.
  virtual void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid);
  // The persistent properties. The default exchanges the version stamp, the extent and the
  // stock properties; an override calls it first and then exchanges its own.
  virtual void DoPropExchange(PropExchange& px);
  void ExchangeVersion(PropExchange& px, ULONG version);
  void ExchangeExtent(PropExchange& px);
  void ExchangeStockProps(PropExchange& px);
  // The version a load found ("_Version"), the class's own before any load.
  ULONG LoadedVersion() const { return loadedVersion_; }
  // Back to the initial state (InitNew, before loading).
  virtual void OnResetState() {}
  virtual void OnSetClientSite() {}
  virtual void OnAmbientPropertyChanged(DISPID) {}
  // After every Advise and Unadvise on the event connection point.
  virtual void OnEventSinksChanged() {}
  // The last reference went: first of the teardown, while the site, the window and the
  // event sinks are all still there (a last event may go out).
  virtual void OnFinalRelease() {}
  // Modeless user interface is disabled (a modal loop of the host or of the control runs)
  // or enabled again; a control with modeless windows of its own disables them here.
  virtual void OnEnableModeless(bool /*enable*/) {}
  bool IsModelessEnabled() const { return modelessOff_ == 0; }
  // More interfaces (a dual interface, say); tried before the standard ones.
  virtual HRESULT QueryExtraInterface(REFIID iid, void** out);
  // The verb "properties": the property frame of the class's pages. True when shown.
  virtual bool OnProperties(HWND parent);
  // Style of the control window before it is created.
  virtual void PreCreateWindow(DWORD& style, DWORD& exStyle);

  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  // WM_PAINT draws through OnDraw.
  void OnPaint() override;

  // Events: fired to every connected sink unless the container has frozen events.
  template <class... A>
  void FireEvent(DISPID id, const A&... args) {
    if (!events_ || freezeCount_ > 0 || events_->SinkCount() == 0) return;
    EventArgs ea(args...);
    DISPPARAMS params = ea.Params();
    events_->Fire(id, &params);
  }
  bool AreEventsFrozen() const { return freezeCount_ > 0; }
  size_t EventSinkCount() const { return events_ ? events_->SinkCount() : 0; }
  IDispatch* FirstEventSink() const { return events_ ? events_->FirstSink() : nullptr; }

  // The container.
  IOleClientSite* ClientSite() const { return clientSite_.Get(); }
  HWND ContainerWindow() const;
  bool IsInPlaceActive() const { return inPlaceActive_; }
  bool IsUIActive() const { return uiActive_; }
  // Ambient properties of the site; the defaults when the site offers none.
  bool GetAmbientProperty(DISPID id, VARTYPE type, VARIANT* out) const;
  bool AmbientUserMode() const;
  bool AmbientUIDead() const;
  COLORREF AmbientBackColor() const;
  COLORREF AmbientForeColor() const;
  std::string AmbientDisplayName() const;
  LCID AmbientLocaleID() const;

  // Repaints the window, or tells the host's view sink when there is no window.
  void InvalidateControl(bool erase = true);
  // Opens the modal property frame of the class's pages (through the control site first).
  HRESULT ShowPropertyFrame(HWND parent);
  // Size before the first activation, in pixels (100 x 50 unless set).
  void SetInitialSize(int cx, int cy);
  SIZE ControlSizePixels() const;
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }

 private:
  // For a host call or a window message: a reference on the control, and the control as
  // this thread's Running().
  class RunningScope {
   public:
    explicit RunningScope(COleControl* control);
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
    ~RunningScope();

   private:
    COleControl* control_;
    COleControl* outer_;
  };

  HRESULT ActivateInPlace(bool uiActivate);
  bool CreateControlWindow(HWND parent, const RECT& pos);
  void ReleaseAll();

  ModuleLock moduleLock_;  // first: given back if the rest of the construction throws
  const ControlClass& class_;
  LONG refs_ = 1;
  std::unique_ptr<ConnectionPoint> events_;
  base::ComPtr<IOleClientSite> clientSite_;
  base::ComPtr<IOleInPlaceSite> inPlaceSite_;
  base::ComPtr<IOleInPlaceFrame> frame_;
  base::ComPtr<IOleInPlaceUIWindow> uiWindow_;
  base::ComPtr<IOleAdviseHolder> adviseHolder_;
  base::ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  bool modified_ = false;
  int freezeCount_ = 0;
  SIZEL extent_{};  // HIMETRIC
  RECT posRect_{};
  ULONG loadedVersion_;
  int modalDepth_ = 0;
  base::ComPtr<IOleInPlaceFrame> modalFrame_;  // the frame told of the running loops
  bool modalActiveObject_ = false;
  int modelessOff_ = 0;
};

}  // namespace fw
