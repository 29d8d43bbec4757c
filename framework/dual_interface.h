// DualInterface<Itf>: the IDispatch half of a dual interface implemented by a control.
// The control derives from COleControl and DualInterface<IMyDual>, implements the
// interface's own methods, and answers the interface in QueryExtraInterface:
//
//   class CMyCtrl : public fw::COleControl, public fw::DualInterface<IMyDual> {
//     CMyCtrl() : COleControl(kClass), DualInterface(this) {}
//     HRESULT QueryExtraInterface(REFIID iid, void** out) override {
//       return AnswerDual(iid, out);
//     }
//     HRESULT STDMETHODCALLTYPE get_Caption(BSTR* out) override;  ...
//   };
//
// Invoke runs the vtable through the type information of the module's type library, so
// the type library must describe the interface as dual. Members that fail return their
// HRESULT; ReportFailure adds the text for IErrorInfo-aware hosts. Invoke holds a reference
// on the control for the call; a vtable member that fires events takes one with KeepAlive.
// A member whose body may throw runs it through Guard (which also holds a reference), and
// that answers the code an fw::Error carries, E_OUTOFMEMORY or E_UNEXPECTED, with the
// exception's text:
//
//   HRESULT CMyCtrl::AddRecord(BSTR file) {
//     return Guard("AddRecord", [&] { records_.Add(fw::BstrToAnsi(file)); });
//   }
//
// `errorSource` (the class's ProgID) is the source of that error information; the control
// must answer ISupportErrorInfo for the interface (COleControl does for its dispatchIid).
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <utility>

#include "base/com_ptr.h"
#include "framework/error.h"
#include "framework/exception_guard.h"
#include "framework/module.h"

namespace fw {

template <class Itf>
class DualInterface : public Itf {
 public:
  explicit DualInterface(IUnknown* owner, const char* errorSource = nullptr)
      : owner_(owner), errorSource_(errorSource) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return owner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GuardHResult("dual IDispatch::GetTypeInfo", [&] {
      return Module::Get().GetTypeInfoOfGuid(__uuidof(Itf), lcid, out);
    });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return GuardHResult("dual IDispatch::GetIDsOfNames", [&]() -> HRESULT {
      base::ComPtr<ITypeInfo> info;
      const HRESULT hr = GetTypeInfo(0, lcid, info.Receive());
      if (FAILED(hr)) return hr;
      return DispGetIDsOfNames(info.Get(), names, count, ids);
    });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // The host may let the control go inside the member (in an event, a modal loop).
    const base::ComPtr<IUnknown> keepAlive(owner_);
    return GuardHResult("dual IDispatch::Invoke", [&]() -> HRESULT {
      base::ComPtr<ITypeInfo> info;
      const HRESULT hr = GetTypeInfo(0, lcid, info.Receive());
      if (FAILED(hr)) return hr;
      return DispInvoke(static_cast<Itf*>(this), info.Get(), id, flags, params, result, error,
                        argError);
    });
  }

 protected:
  // A vtable member's body, with exceptions stopped (GuardMember, exception_guard.h).
  // It holds a reference for the call (KeepAlive), as Invoke does.
  template <class Body>
  HRESULT Guard(const char* member, Body&& body) noexcept {
    const base::ComPtr<IUnknown> keepAlive(owner_);
    return GuardMember(__uuidof(Itf), errorSource_, member, std::forward<Body>(body));
  }
  // A reference for the length of a vtable member that fires events or runs a modal loop:
  // a call through the vtable comes with no reference of the framework's own.
  base::ComPtr<IUnknown> KeepAlive() const { return base::ComPtr<IUnknown>(owner_); }
  // A failure with its text as error information.
  HRESULT ReportFailure(const std::string& text, HRESULT hr) noexcept {
    return fw::ReportError(__uuidof(Itf), text, hr, errorSource_);
  }

  // The dual interface for its own IID and for IDispatch.
  HRESULT AnswerDual(REFIID iid, void** out) {
    if (IsEqualIID(iid, __uuidof(Itf)) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<Itf*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  IUnknown* owner_;
  const char* errorSource_;
};

}  // namespace fw
