#include <gtest/gtest.h>

#include "base/scoped_variant.h"
#include "framework/dispatch_args.h"

namespace {

VARIANT Var(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  return v;
}

TEST(DispatchArgs, NumbersAcceptEveryFormHostsPass) {
  long held = 42;
  VARIANT byRefLong = Var(VT_BYREF | VT_I4);
  byRefLong.plVal = &held;
  VARIANT shortLiteral = Var(VT_I2);  // VBScript's small literals
  shortLiteral.iVal = 7;
  VARIANT inner = Var(VT_I2);
  inner.iVal = -3;
  VARIANT scriptVariable = Var(VT_BYREF | VT_VARIANT);
  scriptVariable.pvarVal = &inner;
  base::ScopedVariant text(std::wstring_view(L"12"));

  struct Case {
    const VARIANT* arg;
    long expected;
  } cases[] = {{&byRefLong, 42}, {&shortLiteral, 7}, {&scriptVariable, -3}, {&text.Ref(), 12}};
  for (const Case& c : cases) {
    long out = 0;
    EXPECT_EQ(fw::ArgToLong(c.arg, &out), S_OK);
    EXPECT_EQ(out, c.expected);
  }

  long out = 99;
  base::ScopedVariant word(std::wstring_view(L"twelve"));
  EXPECT_EQ(fw::ArgToLong(&word.Ref(), &out), DISP_E_TYPEMISMATCH);
  VARIANT missing = Var(VT_ERROR);
  missing.scode = DISP_E_PARAMNOTFOUND;
  EXPECT_EQ(fw::ArgToLong(&missing, &out), DISP_E_PARAMNOTOPTIONAL);
  VARIANT huge = Var(VT_R8);
  huge.dblVal = 1e12;
  EXPECT_EQ(fw::ArgToLong(&huge, &out), DISP_E_OVERFLOW);
  EXPECT_EQ(out, 99);
}

TEST(DispatchArgs, TextsComeAsAnsiFromBstrsVariantsAndNumbers) {
  base::ScopedVariant bstr(std::wstring_view(L"gate:80"));
  VARIANT byRef = Var(VT_BYREF | VT_VARIANT);
  byRef.pvarVal = const_cast<VARIANT*>(&bstr.Ref());
  VARIANT number = Var(VT_I4);
  number.lVal = 80;
  VARIANT nullBstr = Var(VT_BSTR);
  nullBstr.bstrVal = nullptr;
  VARIANT empty = Var(VT_EMPTY);

  struct Case {
    const VARIANT* arg;
    const char* expected;
  } cases[] = {{&bstr.Ref(), "gate:80"},
               {&byRef, "gate:80"},
               {&number, "80"},
               {&nullBstr, ""},
               {&empty, ""}};
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(fw::ArgToAnsi(c.arg, &out), S_OK);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(DispatchArgs, LongRefWritesWhereEachKindOfCallerLooks) {
  // VB/C++ host: the handler writes straight into the caller's long.
  long callers = 5;
  VARIANT direct = Var(VT_BYREF | VT_I4);
  direct.plVal = &callers;
  fw::LongRef a;
  ASSERT_EQ(a.Bind(&direct), S_OK);
  EXPECT_EQ(a.Pointer(), &callers);
  *a.Pointer() = 1;
  a.Finish();
  EXPECT_EQ(callers, 1);

  // VBScript variable: a copy of its value, stored back as VT_I4 afterwards.
  base::ScopedVariant variable(std::wstring_view(L"3"));
  VARIANT byVariant = Var(VT_BYREF | VT_VARIANT);
  byVariant.pvarVal = variable.Get();
  fw::LongRef b;
  ASSERT_EQ(b.Bind(&byVariant), S_OK);
  EXPECT_EQ(*b.Pointer(), 3);
  *b.Pointer() = -1;
  EXPECT_EQ(variable.Type(), VT_BSTR);  // untouched until Finish
  b.Finish();
  EXPECT_EQ(variable.Type(), VT_I4);
  EXPECT_EQ(variable.Ref().lVal, -1);

  // An empty script variable starts at 0.
  base::ScopedVariant unset;
  byVariant.pvarVal = unset.Get();
  fw::LongRef c;
  ASSERT_EQ(c.Bind(&byVariant), S_OK);
  EXPECT_EQ(*c.Pointer(), 0);

  // Short by reference: written back narrowed.
  short small = 2;
  VARIANT byShort = Var(VT_BYREF | VT_I2);
  byShort.piVal = &small;
  fw::LongRef d;
  ASSERT_EQ(d.Bind(&byShort), S_OK);
  *d.Pointer() = 300;
  d.Finish();
  EXPECT_EQ(small, 300);

  // JScript passes a value: the handler still gets somewhere to write.
  VARIANT value = Var(VT_I4);
  value.lVal = 9;
  fw::LongRef e;
  ASSERT_EQ(e.Bind(&value), S_OK);
  EXPECT_EQ(*e.Pointer(), 9);

  // A by-reference text is no long.
  BSTR s = SysAllocString(L"x");
  VARIANT byText = Var(VT_BYREF | VT_BSTR);
  byText.pbstrVal = &s;
  fw::LongRef f;
  EXPECT_EQ(f.Bind(&byText), DISP_E_TYPEMISMATCH);
  SysFreeString(s);
}

TEST(DispatchArgs, CallerBufferIsOnlyARealAddress) {
  char buffer[64];
  VARIANT address = Var(VT_BYREF | VT_I4);
  address.plVal = reinterpret_cast<long*>(buffer);
  fw::CallerBuffer b;
  ASSERT_EQ(b.Bind(&address), S_OK);
  EXPECT_EQ(b.Bytes(), buffer);
  EXPECT_TRUE(b);

  // A C++ host's NULL for a buffer it does not use: bound, and no buffer.
  VARIANT none = Var(VT_BYREF | VT_I4);
  none.plVal = nullptr;
  fw::CallerBuffer empty(buffer);
  ASSERT_EQ(empty.Bind(&none), S_OK);
  EXPECT_FALSE(empty);

  // A script variable or a plain number would point at four bytes of ours, or anywhere.
  base::ScopedVariant variable(7L);
  VARIANT byVariant = Var(VT_BYREF | VT_VARIANT);
  byVariant.pvarVal = variable.Get();
  VARIANT number = Var(VT_I4);
  number.lVal = 0x12345678;
  for (VARIANT* v : {&byVariant, &number}) {
    fw::CallerBuffer refused;
    EXPECT_EQ(refused.Bind(v), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(refused);
  }
}

}  // namespace
