#include "framework/prop_exchange.h"

#include "base/byte_order.h"
#include "framework/ansi_text.h"

namespace fw {

namespace {

// Longer texts than this in a stream are taken as damage, not as a property.
constexpr ULONG kMaxStreamText = 1u << 20;


}  // namespace

bool StreamPropExchange::Read(void* data, ULONG size) {
  if (FAILED(Result())) return false;
  ULONG got = 0;
  const HRESULT hr = stream_->Read(data, size, &got);
  if (FAILED(hr) || got != size) {
    Fail(FAILED(hr) ? hr : STG_E_READFAULT);
    return false;
  }
  return true;
}

void StreamPropExchange::Write(const void* data, ULONG size) {
  if (FAILED(Result())) return;
  ULONG written = 0;
  const HRESULT hr = stream_->Write(data, size, &written);
  if (FAILED(hr) || written != size) Fail(FAILED(hr) ? hr : STG_E_WRITEFAULT);
}

void StreamPropExchange::ULong(const char*, ULONG& value, ULONG defaultValue) {
  unsigned char b[4];
  if (IsLoading()) {
    value = Read(b, 4) ? base::ReadLe32(b) : defaultValue;
  } else {
    base::WriteLe32(b, value);
    Write(b, 4);
  }
}

void StreamPropExchange::Long(const char* name, long& value, long defaultValue) {
  ULONG u = static_cast<ULONG>(value);
  ULong(name, u, static_cast<ULONG>(defaultValue));
  value = static_cast<long>(u);
}

void StreamPropExchange::Bool(const char*, bool& value, bool defaultValue) {
  unsigned char b = value ? 1 : 0;
  if (IsLoading()) {
    value = Read(&b, 1) ? b != 0 : defaultValue;
  } else {
    Write(&b, 1);
  }
}

void StreamPropExchange::Text(const char*, std::string& value, const std::string& defaultValue) {
  unsigned char b[4];
  if (IsLoading()) {
    if (!Read(b, 4)) {
      value = defaultValue;
      return;
    }
    const ULONG n = base::ReadLe32(b);
    if (n > kMaxStreamText) {
      Fail(STG_E_READFAULT);
      value = defaultValue;
      return;
    }
    std::string text(n, '\0');
    value = (n == 0 || Read(text.data(), n)) ? text : defaultValue;
  } else {
    base::WriteLe32(b, static_cast<ULONG>(value.size()));
    Write(b, 4);
    if (!value.empty()) Write(value.data(), static_cast<ULONG>(value.size()));
  }
}

bool BagPropExchange::Read(const char* name, VARTYPE type, VARIANT* out) {
  const std::wstring wide = AnsiToWide(name);
  VARIANT raw;
  VariantInit(&raw);
  // Asking for VT_EMPTY lets the bag hand over its own type (an HTML page's are texts).
  if (FAILED(bag_->Read(wide.c_str(), &raw, log_))) return false;
  VariantInit(out);
  const HRESULT hr = VariantChangeTypeEx(out, &raw, MAKELCID(LANG_ENGLISH, SORT_DEFAULT), 0, type);
  VariantClear(&raw);
  return SUCCEEDED(hr);
}

void BagPropExchange::Write(const char* name, VARIANT* value) {
  const std::wstring wide = AnsiToWide(name);
  const HRESULT hr = bag_->Write(wide.c_str(), value);
  if (FAILED(hr)) Fail(hr);
}

void BagPropExchange::ULong(const char* name, ULONG& value, ULONG defaultValue) {
  VARIANT v;
  if (IsLoading()) {
    value = Read(name, VT_UI4, &v) ? v.ulVal : defaultValue;
  } else {
    VariantInit(&v);
    v.vt = VT_I4;  // what most hosts' bags store and read back
    v.lVal = static_cast<LONG>(value);
    Write(name, &v);
  }
}

void BagPropExchange::Long(const char* name, long& value, long defaultValue) {
  VARIANT v;
  if (IsLoading()) {
    value = Read(name, VT_I4, &v) ? v.lVal : defaultValue;
  } else {
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    Write(name, &v);
  }
}

void BagPropExchange::Bool(const char* name, bool& value, bool defaultValue) {
  VARIANT v;
  if (IsLoading()) {
    value = Read(name, VT_BOOL, &v) ? v.boolVal != VARIANT_FALSE : defaultValue;
  } else {
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    Write(name, &v);
  }
}

void BagPropExchange::Text(const char* name, std::string& value, const std::string& defaultValue) {
  VARIANT v;
  if (IsLoading()) {
    if (Read(name, VT_BSTR, &v)) {
      value = BstrToAnsi(v.bstrVal);
      VariantClear(&v);
    } else {
      value = defaultValue;
    }
  } else {
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = AnsiToBstr(value);
    Write(name, &v);
    VariantClear(&v);
  }
}

}  // namespace fw
