#include "testing/container/property_bag.h"

namespace test_container {

base::ComPtr<MemoryPropertyBag> MemoryPropertyBag::Create() {
  base::ComPtr<MemoryPropertyBag> bag;
  bag.Attach(new MemoryPropertyBag());
  return bag;
}

void MemoryPropertyBag::SetText(const std::wstring& name, const std::wstring& text) {
  values_[name].SetText(text);
}

HRESULT MemoryPropertyBag::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
    *out = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG MemoryPropertyBag::AddRef() { return InterlockedIncrement(&refs_); }

ULONG MemoryPropertyBag::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return n;
}

HRESULT MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  auto it = values_.find(name);
  if (it == values_.end()) return E_INVALIDARG;
  const VARTYPE wanted = value->vt;
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = VariantCopy(&copy, const_cast<VARIANT*>(&it->second.Ref()));
  if (FAILED(hr)) return hr;
  VariantInit(value);
  if (wanted == VT_EMPTY) {
    *value = copy;
    return S_OK;
  }
  hr = VariantChangeType(value, &copy, 0, wanted);
  VariantClear(&copy);
  return hr;
}

HRESULT MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  return values_[name].CopyFrom(*value);
}

}  // namespace test_container
