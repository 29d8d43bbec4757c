// Owning VARIANT: cleared on destruction and before every new value.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string_view>

namespace base {

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  explicit ScopedVariant(long value) : ScopedVariant() { SetLong(value); }
  explicit ScopedVariant(std::wstring_view text) : ScopedVariant() { SetText(text); }
  ScopedVariant(const ScopedVariant& other) : ScopedVariant() {
    VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
  }
  ScopedVariant& operator=(const ScopedVariant& other) {
    if (this != &other) {
      Reset();
      VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
    }
    return *this;
  }
  ~ScopedVariant() { VariantClear(&v_); }

  void Reset() { VariantClear(&v_); }
  void SetLong(long value) {
    Reset();
    v_.vt = VT_I4;
    v_.lVal = value;
  }
  void SetText(std::wstring_view text) {
    Reset();
    v_.vt = VT_BSTR;
    v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  // Deep copy of `value`, which stays the caller's.
  HRESULT CopyFrom(const VARIANT& value) {
    Reset();
    return VariantCopy(&v_, const_cast<VARIANT*>(&value));
  }
  // For out-parameters: empties and hands out the storage.
  VARIANT* Receive() {
    Reset();
    return &v_;
  }

  VARIANT* Get() { return &v_; }
  const VARIANT& Ref() const { return v_; }
  VARTYPE Type() const { return v_.vt; }

 private:
  VARIANT v_;
};

}  // namespace base
