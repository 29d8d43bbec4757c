// The connection point of one outgoing (event) interface. It lives inside its container
// (the control) and shares the container's reference count. Sinks are held as IDispatch:
// events are fired through IDispatch::Invoke whatever the sink's own interface is. Which
// sinks it takes is its class's policy.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <utility>
#include <vector>

#include "base/com_ptr.h"

namespace fw {

// The sinks a class's connection point takes. Either way a sink that answers neither
// interface is refused with CONNECT_E_CANNOTCONNECT.
enum class SinkPolicy {
  // The event interface, or plain IDispatch: some hosts' sinks answer only IDispatch and
  // dispatch events by their ids.
  kEventInterfaceOrDispatch,
  // The event interface only: hosts that hand a sink of some other dispatch interface get
  // a refusal instead of events it would not understand.
  kEventInterfaceOnly,
};

class ConnectionPoint final : public IConnectionPoint {
 public:
  // `container` owns this object; `onSinksChanged` runs after every Advise and Unadvise.
  ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid,
                  std::function<void()> onSinksChanged = {},
                  SinkPolicy policy = SinkPolicy::kEventInterfaceOrDispatch);
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  REFIID EventIid() const { return iid_; }
  SinkPolicy Policy() const { return policy_; }
  size_t SinkCount() const { return sinks_.size(); }
  // The sink of the oldest connection, or null.
  IDispatch* FirstSink() const { return sinks_.empty() ? nullptr : sinks_.front().second.Get(); }

  // Calls method `id` on every sink connected when the call starts, in the order they
  // connected. A sink may unadvise itself or others meanwhile; a failing sink does not
  // stop the others. Returns the last sink's HRESULT, S_OK when there are none.
  HRESULT Fire(DISPID id, DISPPARAMS* params);

  // Drops every connection (the control is closing).
  void DisconnectAll();

  // IUnknown, delegated to the container.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

 private:
  IConnectionPointContainer* container_;
  IID iid_;
  std::function<void()> onSinksChanged_;
  SinkPolicy policy_;
  std::vector<std::pair<DWORD, base::ComPtr<IDispatch>>> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace fw
