// Conversion of IDispatch::Invoke arguments into the C++ types of a handler, and back for
// arguments passed by reference. Hosts differ in what they pass for one declared type:
// a VB or C++ host passes exactly the declared VT_BYREF|VT_I4 for a `long*`, VBScript a
// VT_BYREF|VT_VARIANT to its variable and small literals as VT_I2, JScript plain values.
// These functions accept all of them and refuse what cannot be honoured safely.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

namespace fw {

// Argument `index` (0 = first declared) of a call, skipping nothing: named arguments are
// refused by the caller before this is used.
VARIANT* PositionalArg(DISPPARAMS* params, UINT index);
// rgvarg position of argument `index`, for IDispatch::Invoke's puArgErr.
inline UINT ArgErrorIndex(const DISPPARAMS* params, UINT index) {
  return params->cArgs - 1 - index;
}

// By value: any type that converts (a number, a numeric text, a boolean), by reference or
// not. Missing arguments (VT_ERROR DISP_E_PARAMNOTFOUND) fail with DISP_E_PARAMNOTOPTIONAL.
HRESULT ArgToLong(const VARIANT* arg, long* out);
HRESULT ArgToShort(const VARIANT* arg, short* out);
HRESULT ArgToDouble(const VARIANT* arg, double* out);
HRESULT ArgToBool(const VARIANT* arg, bool* out);
// Text in the user's ANSI code page; VT_EMPTY and VT_NULL give an empty text.
HRESULT ArgToAnsi(const VARIANT* arg, std::string* out);
HRESULT ArgToWide(const VARIANT* arg, std::wstring* out);

// A `long*` parameter that holds a result for the caller (the `lRetCode` convention).
// With VT_BYREF|VT_I4 the handler writes straight into the caller's long; with a variant
// by reference or a short by reference it works on a copy that Finish() stores back; with
// a value (JScript) it works on a copy that is dropped.
class LongRef {
 public:
  LongRef() = default;
  LongRef(const LongRef&) = delete;
  LongRef& operator=(const LongRef&) = delete;

  HRESULT Bind(VARIANT* arg);
  long* Pointer() { return target_ ? target_ : &local_; }
  void Finish();

 private:
  long* target_ = nullptr;
  long local_ = 0;
  VARIANT* variant_ = nullptr;  // VT_BYREF|VT_VARIANT: the caller's variant
  short* shortTarget_ = nullptr;
};

// Same for `short*` (VT_BYREF|VT_I2 and the variant forms).
class ShortRef {
 public:
  ShortRef() = default;
  ShortRef(const ShortRef&) = delete;
  ShortRef& operator=(const ShortRef&) = delete;

  HRESULT Bind(VARIANT* arg);
  short* Pointer() { return target_ ? target_ : &local_; }
  void Finish();

 private:
  short* target_ = nullptr;
  short local_ = 0;
  VARIANT* variant_ = nullptr;
};

// A parameter declared as a long by reference that carries the address of a byte buffer
// in the caller's process. Only an exact VT_BYREF|VT_I4 is an address; every other form
// (a script's variant, a value) is refused with DISP_E_TYPEMISMATCH, since the handler
// would otherwise write a buffer's worth into a four-byte copy. A null address is "no
// buffer" (false), as C++ hosts pass for buffers they do not use.
class CallerBuffer {
 public:
  CallerBuffer() = default;
  explicit CallerBuffer(void* address) : address_(static_cast<char*>(address)) {}
  HRESULT Bind(VARIANT* arg);
  char* Bytes() const { return address_; }
  explicit operator bool() const { return address_ != nullptr; }

 private:
  char* address_ = nullptr;
};

// Return values.
HRESULT StoreLong(long value, VARIANT* result);
HRESULT StoreShort(short value, VARIANT* result);
HRESULT StoreDouble(double value, VARIANT* result);
HRESULT StoreBool(bool value, VARIANT* result);
HRESULT StoreAnsi(const std::string& value, VARIANT* result);
HRESULT StoreWide(const std::wstring& value, VARIANT* result);

}  // namespace fw
