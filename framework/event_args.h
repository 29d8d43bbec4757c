// The arguments of one event call, built from C++ values in declaration order and laid
// out as IDispatch::Invoke wants them (last argument first):
//
//   long, int -> VT_I4      short -> VT_I2       double -> VT_R8      bool -> VT_BOOL
//   const char*, std::string (ANSI) and std::wstring -> BSTR (owned here)
//   long* -> VT_BYREF|VT_I4  short* -> VT_BYREF|VT_I2   (sinks may write through them)
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/ansi_text.h"

namespace fw {

class EventArgs {
 public:
  template <class... A>
  explicit EventArgs(const A&... args) {
    values_.reserve(sizeof...(A));
    (Add(args), ...);
    std::vector<VARIANT> reversed(values_.rbegin(), values_.rend());
    values_.swap(reversed);
  }
  EventArgs(const EventArgs&) = delete;
  EventArgs& operator=(const EventArgs&) = delete;
  ~EventArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
  }

  DISPPARAMS Params() {
    return DISPPARAMS{values_.empty() ? nullptr : values_.data(), nullptr,
                      static_cast<UINT>(values_.size()), 0};
  }

 private:
  void Add(long value) { Push(VT_I4).lVal = value; }
  void Add(int value) { Push(VT_I4).lVal = value; }
  void Add(short value) { Push(VT_I2).iVal = value; }
  void Add(double value) { Push(VT_R8).dblVal = value; }
  void Add(bool value) { Push(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
  void Add(const char* text) { AddText(AnsiToWide(text ? text : "")); }
  void Add(const std::string& text) { AddText(AnsiToWide(text)); }
  void Add(const std::wstring& text) { AddText(text); }
  void Add(long* ref) { Push(VT_BYREF | VT_I4).plVal = ref; }
  void Add(short* ref) { Push(VT_BYREF | VT_I2).piVal = ref; }
  void AddText(std::wstring_view text) {
    Push(VT_BSTR).bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  VARIANT& Push(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    values_.push_back(v);
    return values_.back();
  }

  std::vector<VARIANT> values_;
};

}  // namespace fw
