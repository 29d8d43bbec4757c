// Dispatch tables: each automation member of a class is one entry (dispatch id, name, kind)
// made from the member function that handles it. The argument types follow from the
// function's parameters:
//
//   long, int           VT_I4          short              VT_I2
//   double              VT_R8          bool               VT_BOOL
//   const std::string&  BSTR, as ANSI  const std::wstring& BSTR
//   long*               long by reference, lRetCode style (see LongRef)
//   short*              short by reference
//   CallerBuffer        long by reference carrying a caller's buffer address
//
// and the result from its return type (void, long, int, short, double, bool, std::string,
// std::wstring). A member of a class Base used in the table of Derived is written
// DispMethod<Root, &Base::Member>; the root is the class the table's invoker is given.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "framework/dispatch_args.h"

namespace fw {

template <class Root>
struct DispatchEntry {
  DISPID id;
  const char* name;
  WORD kinds;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, combined
  // Runs the member. `kind` is the single kind being invoked.
  HRESULT (*invoke)(Root& self, WORD kind, DISPPARAMS* params, VARIANT* result, UINT* argError);
};

namespace dispatch_detail {

template <class T>
struct Arg;

template <>
struct Arg<long> {
  using Storage = long;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToLong(v, &s); }
  static long Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<int> {
  using Storage = long;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToLong(v, &s); }
  static int Pass(Storage& s) { return static_cast<int>(s); }
  static void Finish(Storage&) {}
};
template <>
struct Arg<short> {
  using Storage = short;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToShort(v, &s); }
  static short Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<double> {
  using Storage = double;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToDouble(v, &s); }
  static double Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<bool> {
  using Storage = bool;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToBool(v, &s); }
  static bool Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<const std::string&> {
  using Storage = std::string;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToAnsi(v, &s); }
  static const std::string& Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<const std::wstring&> {
  using Storage = std::wstring;
  static HRESULT Bind(VARIANT* v, Storage& s) { return ArgToWide(v, &s); }
  static const std::wstring& Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};
template <>
struct Arg<long*> {
  using Storage = LongRef;
  static HRESULT Bind(VARIANT* v, Storage& s) { return s.Bind(v); }
  static long* Pass(Storage& s) { return s.Pointer(); }
  static void Finish(Storage& s) { s.Finish(); }
};
template <>
struct Arg<short*> {
  using Storage = ShortRef;
  static HRESULT Bind(VARIANT* v, Storage& s) { return s.Bind(v); }
  static short* Pass(Storage& s) { return s.Pointer(); }
  static void Finish(Storage& s) { s.Finish(); }
};
template <>
struct Arg<CallerBuffer> {
  using Storage = CallerBuffer;
  static HRESULT Bind(VARIANT* v, Storage& s) { return s.Bind(v); }
  static CallerBuffer Pass(Storage& s) { return s; }
  static void Finish(Storage&) {}
};

inline HRESULT Store(long v, VARIANT* r) { return StoreLong(v, r); }
inline HRESULT Store(int v, VARIANT* r) { return StoreLong(v, r); }
inline HRESULT Store(short v, VARIANT* r) { return StoreShort(v, r); }
inline HRESULT Store(double v, VARIANT* r) { return StoreDouble(v, r); }
inline HRESULT Store(bool v, VARIANT* r) { return StoreBool(v, r); }
inline HRESULT Store(const std::string& v, VARIANT* r) { return StoreAnsi(v, r); }
inline HRESULT Store(const std::wstring& v, VARIANT* r) { return StoreWide(v, r); }

template <class M>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  static constexpr size_t kArity = sizeof...(A);
  using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const> : Member<R (C::*)(A...)> {};

// Binds every argument in order, stopping at the first that fails, then calls.
template <class C, class M, class... A, size_t... I>
HRESULT Call(C& object, M method, DISPPARAMS* params, VARIANT* result, UINT* argError,
             std::tuple<A...>*, std::index_sequence<I...>) {
  std::tuple<typename Arg<A>::Storage...> storage;
  HRESULT hr = S_OK;
  UINT failed = 0;
  (void)((SUCCEEDED(hr = Arg<A>::Bind(PositionalArg(params, I), std::get<I>(storage))) ||
          (failed = I, false)) &&
         ...);
  if (FAILED(hr)) {
    if (argError) *argError = ArgErrorIndex(params, failed);
    return hr;
  }
  using R = decltype((object.*method)(Arg<A>::Pass(std::get<I>(storage))...));
  if constexpr (std::is_void_v<R>) {
    (object.*method)(Arg<A>::Pass(std::get<I>(storage))...);
  } else {
    hr = Store((object.*method)(Arg<A>::Pass(std::get<I>(storage))...), result);
  }
  (Arg<A>::Finish(std::get<I>(storage)), ...);
  return hr;
}

template <class Root, auto Method>
HRESULT InvokeMember(Root& self, DISPPARAMS* params, VARIANT* result, UINT* argError) {
  using Info = Member<decltype(Method)>;
  using C = typename Info::Class;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != Info::kArity) return DISP_E_BADPARAMCOUNT;
  return Call(static_cast<C&>(self), Method, params, result, argError,
              static_cast<typename Info::Args*>(nullptr), std::make_index_sequence<Info::kArity>());
}

}  // namespace dispatch_detail

// A method.
template <class Root, auto Method>
constexpr DispatchEntry<Root> DispMethod(DISPID id, const char* name) {
  return {id, name, DISPATCH_METHOD,
          [](Root& self, WORD, DISPPARAMS* p, VARIANT* r, UINT* e) -> HRESULT {
            return dispatch_detail::InvokeMember<Root, Method>(self, p, r, e);
          }};
}

// A property read by Get (no parameters) and, unless Put is nullptr, written by Put (one
// parameter, passed by the host as the named argument DISPID_PROPERTYPUT).
template <class Root, auto Get, auto Put = nullptr>
constexpr DispatchEntry<Root> DispProperty(DISPID id, const char* name) {
  constexpr bool kWritable = !std::is_same_v<decltype(Put), std::nullptr_t>;
  return {id, name,
          static_cast<WORD>(DISPATCH_PROPERTYGET | (kWritable ? DISPATCH_PROPERTYPUT : 0)),
          [](Root& self, WORD kind, DISPPARAMS* p, VARIANT* r, UINT* e) -> HRESULT {
            if (kind == DISPATCH_PROPERTYGET) {
              return dispatch_detail::InvokeMember<Root, Get>(self, p, r, e);
            }
            if constexpr (!std::is_same_v<decltype(Put), std::nullptr_t>) {
              if (p->cArgs != 1 || p->cNamedArgs != 1 ||
                  p->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_PARAMNOTOPTIONAL;
              }
              DISPPARAMS positional{p->rgvarg, nullptr, 1, 0};
              return dispatch_detail::InvokeMember<Root, Put>(self, &positional, nullptr, e);
            }
            return DISP_E_MEMBERNOTFOUND;
          }};
}

// A non-template view of one class's table, for the IDispatch implementation.
template <class Root>
class DispatchTable {
 public:
  DispatchTable() = default;
  template <size_t N>
  constexpr DispatchTable(const DispatchEntry<Root> (&entries)[N]) : entries_(entries), count_(N) {}

  const DispatchEntry<Root>* Find(DISPID id) const {
    for (size_t i = 0; i < count_; ++i) {
      if (entries_[i].id == id) return &entries_[i];
    }
    return nullptr;
  }
  // Names compare ignoring case, as Automation's do.
  const DispatchEntry<Root>* FindByName(const char* name) const {
    for (size_t i = 0; i < count_; ++i) {
      if (lstrcmpiA(entries_[i].name, name) == 0) return &entries_[i];
    }
    return nullptr;
  }

  // IDispatch::Invoke for `self`: picks the kind the host asked for that the member has
  // (VBScript asks for method and property get at once).
  HRESULT Invoke(Root& self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                 UINT* argError) const {
    const DispatchEntry<Root>* e = Find(id);
    if (!e) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    WORD kind = 0;
    if ((flags & DISPATCH_METHOD) && (e->kinds & DISPATCH_METHOD)) {
      kind = DISPATCH_METHOD;
    } else if ((flags & DISPATCH_PROPERTYGET) && (e->kinds & DISPATCH_PROPERTYGET)) {
      kind = DISPATCH_PROPERTYGET;
    } else if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
               (e->kinds & DISPATCH_PROPERTYPUT)) {
      kind = DISPATCH_PROPERTYPUT;
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (result) VariantInit(result);
    return e->invoke(self, kind, params, result, argError);
  }

 private:
  const DispatchEntry<Root>* entries_ = nullptr;
  size_t count_ = 0;
};

}  // namespace fw
