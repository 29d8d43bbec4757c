#include "framework/dispatch_args.h"

#include "framework/ansi_text.h"

namespace fw {

namespace {

// The variant a script's by-reference variant points to, or the argument itself.
const VARIANT* Deref(const VARIANT* arg) {
  while (arg && arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) arg = arg->pvarVal;
  return arg;
}

bool IsMissing(const VARIANT* arg) {
  return arg->vt == VT_ERROR && arg->scode == DISP_E_PARAMNOTFOUND;
}

HRESULT Coerce(const VARIANT* arg, VARTYPE type, VARIANT* out) {
  if (!arg) return DISP_E_PARAMNOTOPTIONAL;
  arg = Deref(arg);
  if (IsMissing(arg)) return DISP_E_PARAMNOTOPTIONAL;
  VariantInit(out);
  // VariantChangeType follows a VT_BYREF to its value; locale-neutral so "1.5" is 1.5.
  const HRESULT hr = VariantChangeTypeEx(out, const_cast<VARIANT*>(arg),
                                         MAKELCID(LANG_ENGLISH, SORT_DEFAULT), 0, type);
  if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
  return S_OK;
}

}  // namespace

VARIANT* PositionalArg(DISPPARAMS* params, UINT index) {
  if (!params || index >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

HRESULT ArgToLong(const VARIANT* arg, long* out) {
  VARIANT v;
  const HRESULT hr = Coerce(arg, VT_I4, &v);
  if (SUCCEEDED(hr)) *out = v.lVal;
  return hr;
}

HRESULT ArgToShort(const VARIANT* arg, short* out) {
  VARIANT v;
  const HRESULT hr = Coerce(arg, VT_I2, &v);
  if (SUCCEEDED(hr)) *out = v.iVal;
  return hr;
}

HRESULT ArgToDouble(const VARIANT* arg, double* out) {
  VARIANT v;
  const HRESULT hr = Coerce(arg, VT_R8, &v);
  if (SUCCEEDED(hr)) *out = v.dblVal;
  return hr;
}

HRESULT ArgToBool(const VARIANT* arg, bool* out) {
  VARIANT v;
  const HRESULT hr = Coerce(arg, VT_BOOL, &v);
  if (SUCCEEDED(hr)) *out = v.boolVal != VARIANT_FALSE;
  return hr;
}

HRESULT ArgToWide(const VARIANT* arg, std::wstring* out) {
  if (!arg) return DISP_E_PARAMNOTOPTIONAL;
  const VARIANT* v = Deref(arg);
  if (v->vt == VT_EMPTY || v->vt == VT_NULL) {
    out->clear();
    return S_OK;
  }
  if (v->vt == VT_BSTR || v->vt == (VT_BYREF | VT_BSTR)) {
    BSTR b = v->vt == VT_BSTR ? v->bstrVal : (v->pbstrVal ? *v->pbstrVal : nullptr);
    out->assign(b ? b : L"", b ? SysStringLen(b) : 0);
    return S_OK;
  }
  VARIANT converted;
  const HRESULT hr = Coerce(v, VT_BSTR, &converted);
  if (FAILED(hr)) return hr;
  out->assign(converted.bstrVal ? converted.bstrVal : L"",
              converted.bstrVal ? SysStringLen(converted.bstrVal) : 0);
  VariantClear(&converted);
  return S_OK;
}

HRESULT ArgToAnsi(const VARIANT* arg, std::string* out) {
  std::wstring wide;
  const HRESULT hr = ArgToWide(arg, &wide);
  if (SUCCEEDED(hr)) *out = WideToAnsi(wide);
  return hr;
}

HRESULT LongRef::Bind(VARIANT* arg) {
  if (!arg) return DISP_E_PARAMNOTOPTIONAL;
  if (arg->vt == (VT_BYREF | VT_I4)) {
    if (!arg->plVal) return E_POINTER;
    target_ = arg->plVal;
    return S_OK;
  }
  if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VARIANT* inner = arg->pvarVal;
    if (!inner) return E_POINTER;
    if (inner->vt == (VT_BYREF | VT_I4) && inner->plVal) {
      target_ = inner->plVal;
      return S_OK;
    }
    variant_ = inner;
    // An empty variable starts at 0; anything else must be a number.
    if (inner->vt == VT_EMPTY) return S_OK;
    return ArgToLong(inner, &local_);
  }
  if (arg->vt == (VT_BYREF | VT_I2)) {
    if (!arg->piVal) return E_POINTER;
    shortTarget_ = arg->piVal;
    local_ = *arg->piVal;
    return S_OK;
  }
  if (arg->vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  return ArgToLong(arg, &local_);
}

void LongRef::Finish() {
  if (variant_) {
    VariantClear(variant_);
    variant_->vt = VT_I4;
    variant_->lVal = local_;
  } else if (shortTarget_) {
    *shortTarget_ = static_cast<short>(local_);
  }
}

HRESULT ShortRef::Bind(VARIANT* arg) {
  if (!arg) return DISP_E_PARAMNOTOPTIONAL;
  if (arg->vt == (VT_BYREF | VT_I2)) {
    if (!arg->piVal) return E_POINTER;
    target_ = arg->piVal;
    return S_OK;
  }
  if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VARIANT* inner = arg->pvarVal;
    if (!inner) return E_POINTER;
    if (inner->vt == (VT_BYREF | VT_I2) && inner->piVal) {
      target_ = inner->piVal;
      return S_OK;
    }
    variant_ = inner;
    if (inner->vt == VT_EMPTY) return S_OK;
    return ArgToShort(inner, &local_);
  }
  if (arg->vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  return ArgToShort(arg, &local_);
}

void ShortRef::Finish() {
  if (variant_) {
    VariantClear(variant_);
    variant_->vt = VT_I2;
    variant_->iVal = local_;
  }
}

HRESULT CallerBuffer::Bind(VARIANT* arg) {
  if (!arg) return DISP_E_PARAMNOTOPTIONAL;
  if (arg->vt != (VT_BYREF | VT_I4)) return DISP_E_TYPEMISMATCH;
  // C++ hosts pass a null pointer for a buffer they do not use.
  address_ = reinterpret_cast<char*>(arg->plVal);
  return S_OK;
}

HRESULT StoreLong(long value, VARIANT* result) {
  if (result) {
    VariantClear(result);
    result->vt = VT_I4;
    result->lVal = value;
  }
  return S_OK;
}

HRESULT StoreShort(short value, VARIANT* result) {
  if (result) {
    VariantClear(result);
    result->vt = VT_I2;
    result->iVal = value;
  }
  return S_OK;
}

HRESULT StoreDouble(double value, VARIANT* result) {
  if (result) {
    VariantClear(result);
    result->vt = VT_R8;
    result->dblVal = value;
  }
  return S_OK;
}

HRESULT StoreBool(bool value, VARIANT* result) {
  if (result) {
    VariantClear(result);
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return S_OK;
}

HRESULT StoreWide(const std::wstring& value, VARIANT* result) {
  if (!result) return S_OK;
  VariantClear(result);
  BSTR b = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (!b) return E_OUTOFMEMORY;
  result->vt = VT_BSTR;
  result->bstrVal = b;
  return S_OK;
}

HRESULT StoreAnsi(const std::string& value, VARIANT* result) {
  return StoreWide(AnsiToWide(value), result);
}

}  // namespace fw
