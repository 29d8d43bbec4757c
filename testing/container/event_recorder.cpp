#include "testing/container/event_recorder.h"

namespace test_container {

long RecordedEvent::LongArg(size_t i) const {
  const VARIANT& v = args.at(i).Ref();
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&v), 0, VT_I4))) return 0;
  return converted.lVal;
}

std::wstring RecordedEvent::TextArg(size_t i) const {
  const VARIANT& v = args.at(i).Ref();
  if (v.vt != VT_BSTR || !v.bstrVal) return {};
  return std::wstring(v.bstrVal, SysStringLen(v.bstrVal));
}

base::ComPtr<EventRecorder> EventRecorder::Create(REFIID eventIid) {
  base::ComPtr<EventRecorder> recorder;
  recorder.Attach(new EventRecorder(eventIid));
  return recorder;
}

HRESULT EventRecorder::Connect(IUnknown* control) {
  Disconnect();
  base::ComPtr<IConnectionPointContainer> container;
  HRESULT hr = control->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
  if (FAILED(hr)) return hr;
  hr = container->FindConnectionPoint(iid_, point_.Receive());
  if (FAILED(hr)) return hr;
  hr = point_->Advise(static_cast<IDispatch*>(this), &cookie_);
  if (FAILED(hr)) point_.Reset();
  return hr;
}

void EventRecorder::Disconnect() {
  if (point_ && cookie_) point_->Unadvise(cookie_);
  point_.Reset();
  cookie_ = 0;
}

size_t EventRecorder::Count(DISPID id) const {
  size_t n = 0;
  for (const RecordedEvent& e : events_) n += e.id == id;
  return n;
}

const RecordedEvent* EventRecorder::Last(DISPID id) const {
  for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
    if (it->id == id) return &*it;
  }
  return nullptr;
}

HRESULT EventRecorder::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG EventRecorder::AddRef() { return InterlockedIncrement(&refs_); }

ULONG EventRecorder::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return n;
}

HRESULT EventRecorder::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT EventRecorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
  if (hook_) hook_(id, params);
  RecordedEvent e;
  e.id = id;
  const UINT n = params ? params->cArgs : 0;
  for (UINT i = 0; i < n; ++i) {
    const VARIANT& arg = params->rgvarg[n - 1 - i];
    base::ScopedVariant copy;
    VARIANT value;
    VariantInit(&value);
    if (arg.vt & VT_BYREF) {
      // The value the control will see after the call, dereferenced.
      VariantCopyInd(&value, const_cast<VARIANT*>(&arg));
    } else {
      VariantCopy(&value, const_cast<VARIANT*>(&arg));
    }
    copy.CopyFrom(value);
    VariantClear(&value);
    e.types.push_back(arg.vt);
    e.args.push_back(copy);
  }
  events_.push_back(std::move(e));
  return S_OK;
}

}  // namespace test_container
