#include "testing/container/dispatch_call.h"

#include "framework/ansi_text.h"

namespace test_container {

CallArgs::~CallArgs() {
  for (VARIANT& v : args_) VariantClear(&v);
  for (VARIANT& v : variants_) VariantClear(&v);
}

VARIANT& CallArgs::Add(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  args_.push_back(v);
  return args_.back();
}

CallArgs& CallArgs::Long(long value) {
  Add(VT_I4).lVal = value;
  return *this;
}
CallArgs& CallArgs::Short(short value) {
  Add(VT_I2).iVal = value;
  return *this;
}
CallArgs& CallArgs::Double(double value) {
  Add(VT_R8).dblVal = value;
  return *this;
}
CallArgs& CallArgs::Bool(bool value) {
  Add(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return *this;
}
CallArgs& CallArgs::Text(const std::string& ansi) { return WideText(fw::AnsiToWide(ansi)); }
CallArgs& CallArgs::WideText(const std::wstring& text) {
  Add(VT_BSTR).bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *this;
}
CallArgs& CallArgs::OutLong(long initial) {
  longs_.push_back(initial);
  Add(VT_BYREF | VT_I4).plVal = &longs_.back();
  return *this;
}
CallArgs& CallArgs::OutShort(short initial) {
  shorts_.push_back(initial);
  Add(VT_BYREF | VT_I2).piVal = &shorts_.back();
  return *this;
}
CallArgs& CallArgs::OutVariant(long initial) {
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_I4;
  inner.lVal = initial;
  variants_.push_back(inner);
  Add(VT_BYREF | VT_VARIANT).pvarVal = &variants_.back();
  return *this;
}
CallArgs& CallArgs::Buffer(void* address) {
  Add(VT_BYREF | VT_I4).plVal = static_cast<long*>(address);
  return *this;
}

long CallArgs::LongAt(size_t index) const {
  const VARIANT& v = args_.at(index);
  if (v.vt == (VT_BYREF | VT_I4)) return *v.plVal;
  if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal->vt == VT_I4) return v.pvarVal->lVal;
  return v.vt == VT_I4 ? v.lVal : 0;
}

short CallArgs::ShortAt(size_t index) const {
  const VARIANT& v = args_.at(index);
  return v.vt == (VT_BYREF | VT_I2) ? *v.piVal : 0;
}

const VARIANT& CallArgs::VariantAt(size_t index) const {
  const VARIANT& v = args_.at(index);
  return v.vt == (VT_BYREF | VT_VARIANT) ? *v.pvarVal : v;
}

DISPPARAMS CallArgs::Params() {
  reversed_.assign(args_.rbegin(), args_.rend());
  return DISPPARAMS{reversed_.empty() ? nullptr : reversed_.data(), nullptr,
                    static_cast<UINT>(reversed_.size()), 0};
}

namespace {

CallResult Invoke(IDispatch* object, const std::string& name, DISPPARAMS& params, WORD flags) {
  CallResult r;
  std::wstring wide = fw::AnsiToWide(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  r.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(r.hr)) return r;
  EXCEPINFO error{};
  r.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.Receive(),
                        &error, &r.argError);
  if (error.bstrDescription) r.errorText = error.bstrDescription;
  if (error.bstrSource) r.errorSource = error.bstrSource;
  r.errorCode = error.scode;
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  return r;
}

}  // namespace

CallResult CallByName(IDispatch* object, const std::string& name, CallArgs& args, WORD flags) {
  DISPPARAMS params = args.Params();
  return Invoke(object, name, params, flags);
}

CallResult GetProperty(IDispatch* object, const std::string& name) {
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  return Invoke(object, name, params, DISPATCH_PROPERTYGET);
}

CallResult PutProperty(IDispatch* object, const std::string& name, const VARIANT& value) {
  VARIANT arg = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  return Invoke(object, name, params, DISPATCH_PROPERTYPUT);
}

}  // namespace test_container
