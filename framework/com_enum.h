// A COM enumerator (IEnumConnectionPoints, IEnumConnections, IEnumOLEVERB...) over a copy
// of the items taken when it was made. `Traits` says how an item is handed out:
//   static void Copy(const Item& from, Item* to);   // AddRef an interface, say
//   static void Release(Item& item);
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <new>
#include <utility>
#include <vector>

namespace fw {

template <class Interface, class Item, class Traits>
class ComEnumerator final : public Interface {
 public:
  static HRESULT Create(std::vector<Item> items, Interface** out) {
    if (!out) return E_POINTER;
    auto* e = new (std::nothrow) ComEnumerator(std::move(items));
    if (!e) {
      for (Item& item : items) Traits::Release(item);
    }
    *out = e;
    return e ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && next_ < items_.size(); ++n, ++next_) Traits::Copy(items_[next_], &out[n]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const size_t left = items_.size() - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
    std::vector<Item> copy(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) Traits::Copy(items_[i], &copy[i]);
    Interface* clone = nullptr;
    HRESULT hr = Create(std::move(copy), &clone);
    if (SUCCEEDED(hr)) static_cast<ComEnumerator*>(clone)->next_ = next_;
    *out = clone;
    return hr;
  }

 private:
  explicit ComEnumerator(std::vector<Item> items) : items_(std::move(items)) {}
  ~ComEnumerator() {
    for (Item& item : items_) Traits::Release(item);
  }

  std::vector<Item> items_;
  size_t next_ = 0;
  LONG refs_ = 1;
};

}  // namespace fw
