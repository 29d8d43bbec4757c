// Owning pointer to a COM interface: releases on destruction, so no early return or
// exception leaks a reference.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace base {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares `p`: takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }

  // Takes over a reference the caller already owns (an out-parameter's, say).
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  [[nodiscard]] T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // For out-parameters: drops the current pointer and hands out the slot.
  T** Receive() {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // A new reference for an out-parameter; writes null when empty.
  T* CopyOut() const {
    if (p_) p_->AddRef();
    return p_;
  }

  template <class U>
  HRESULT QueryInterface(REFIID iid, ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out->ReceiveVoid());
  }
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(__uuidof(U), out.ReceiveVoid());
    return out;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

 private:
  T* p_ = nullptr;
};

template <class T>
bool operator==(const ComPtr<T>& a, std::nullptr_t) {
  return !a;
}
template <class T>
bool operator!=(const ComPtr<T>& a, std::nullptr_t) {
  return static_cast<bool>(a);
}

}  // namespace base
