// An event sink that records every event a control fires, with its arguments, in the
// order they came. A hook may act on an event while it is being fired (write a by-reference
// argument, as a host that changes a key does).
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_variant.h"

namespace test_container {

struct RecordedEvent {
  DISPID id = 0;
  // In declaration order. By-reference arguments are recorded by value, with the type
  // the control passed them as in `types`.
  std::vector<base::ScopedVariant> args;
  std::vector<VARTYPE> types;

  long LongArg(size_t i) const;
  std::wstring TextArg(size_t i) const;
};

class EventRecorder final : public IDispatch {
 public:
  using Hook = std::function<void(DISPID id, DISPPARAMS* params)>;

  // Answers `eventIid` as well as IDispatch.
  static base::ComPtr<EventRecorder> Create(REFIID eventIid);

  // Advises the control's connection point for the event interface.
  HRESULT Connect(IUnknown* control);
  void Disconnect();

  const std::vector<RecordedEvent>& Events() const { return events_; }
  size_t Count(DISPID id) const;
  // The last event with `id`, or null.
  const RecordedEvent* Last(DISPID id) const;
  void Clear() { events_.clear(); }
  void SetHook(Hook hook) { hook_ = std::move(hook); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

 private:
  explicit EventRecorder(REFIID eventIid) : iid_(eventIid) {}

  IID iid_;
  LONG refs_ = 1;
  std::vector<RecordedEvent> events_;
  Hook hook_;
  base::ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace test_container
