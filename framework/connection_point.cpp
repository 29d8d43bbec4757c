#include "framework/connection_point.h"

#include <algorithm>

#include "framework/com_enum.h"
#include "framework/exception_guard.h"

namespace fw {

namespace {

struct ConnectDataTraits {
  static void Copy(const CONNECTDATA& from, CONNECTDATA* to) {
    *to = from;
    if (to->pUnk) to->pUnk->AddRef();
  }
  static void Release(CONNECTDATA& item) {
    if (item.pUnk) item.pUnk->Release();
  }
};

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid,
                                 std::function<void()> onSinksChanged, SinkPolicy policy)
    : container_(container),
      iid_(eventIid),
      onSinksChanged_(std::move(onSinksChanged)),
      policy_(policy) {}

HRESULT ConnectionPoint::Fire(DISPID id, DISPPARAMS* params) {
  // A copy: a sink may change the list while it is being called.
  const auto sinks = sinks_;
  HRESULT last = S_OK;
  for (const auto& [cookie, sink] : sinks) {
    (void)cookie;
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO error{};
    UINT argError = 0;
    last = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, &result, &error,
                        &argError);
    VariantClear(&result);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
  }
  return last;
}

void ConnectionPoint::DisconnectAll() {
  if (sinks_.empty()) return;
  auto dropped = std::move(sinks_);
  sinks_.clear();
  if (onSinksChanged_) onSinksChanged_();
  // The sinks are released here, after the list is consistent again.
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() { return container_->AddRef(); }
ULONG ConnectionPoint::Release() { return container_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = container_;
  container_->AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  return GuardHResult("IConnectionPoint::Advise", [&]() -> HRESULT {
    // The event interface is a dispinterface: a sink that implements it is an IDispatch.
    base::ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(iid_, dispatch.ReceiveVoid())) || !dispatch) {
      dispatch.Reset();
      if (policy_ != SinkPolicy::kEventInterfaceOrDispatch ||
          FAILED(sink->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())) || !dispatch) {
        return CONNECT_E_CANNOTCONNECT;
      }
    }
    const DWORD c = nextCookie_++;
    sinks_.emplace_back(c, std::move(dispatch));
    *cookie = c;
    if (onSinksChanged_) onSinksChanged_();
    return S_OK;
  });
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = std::find_if(sinks_.begin(), sinks_.end(),
                         [cookie](const auto& s) { return s.first == cookie; });
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  base::ComPtr<IDispatch> dropped = std::move(it->second);
  sinks_.erase(it);
  if (onSinksChanged_) {
    GuardVoid("IConnectionPoint::Unadvise", [&] { onSinksChanged_(); });
  }
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return GuardHResult("IConnectionPoint::EnumConnections", [&]() -> HRESULT {
    std::vector<CONNECTDATA> items;
    for (const auto& [cookie, sink] : sinks_) {
      CONNECTDATA d{sink.Get(), cookie};
      sink->AddRef();
      items.push_back(d);
    }
    return ComEnumerator<IEnumConnections, CONNECTDATA, ConnectDataTraits>::Create(std::move(items),
                                                                                   out);
  });
}

}  // namespace fw
