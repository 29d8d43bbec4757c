// Calling a control's automation members by name, the way hosts do: the test lists the
// arguments in declaration order, in the form a host would pass them, and reads the
// by-reference ones back after the call.
//
//   test_container::CallArgs args;
//   args.Text("abc").OutLong();
//   auto r = test_container::CallByName(control, "Greet", args);
//   EXPECT_EQ(r.hr, S_OK);
//   EXPECT_EQ(args.LongAt(1), 10);
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <deque>
#include <string>
#include <vector>

#include "base/scoped_variant.h"

namespace test_container {

class CallArgs {
 public:
  CallArgs() = default;
  CallArgs(const CallArgs&) = delete;
  CallArgs& operator=(const CallArgs&) = delete;
  ~CallArgs();

  CallArgs& Long(long value);
  CallArgs& Short(short value);
  CallArgs& Double(double value);
  CallArgs& Bool(bool value);
  CallArgs& Text(const std::string& ansi);
  CallArgs& WideText(const std::wstring& text);
  // VT_BYREF|VT_I4 to a long of its own (a VB or C++ host).
  CallArgs& OutLong(long initial = 0);
  // VT_BYREF|VT_I2 to a short of its own.
  CallArgs& OutShort(short initial = 0);
  // VT_BYREF|VT_VARIANT to a variant of its own holding `initial` (a VBScript variable).
  CallArgs& OutVariant(long initial = 0);
  // VT_BYREF|VT_I4 whose pointer is the caller's buffer (an address in this process).
  CallArgs& Buffer(void* address);

  // The by-reference values after the call, by argument index.
  long LongAt(size_t index) const;
  short ShortAt(size_t index) const;
  const VARIANT& VariantAt(size_t index) const;

  size_t Count() const { return args_.size(); }
  // The arguments laid out for IDispatch::Invoke (last first); valid until the next change.
  DISPPARAMS Params();

 private:
  VARIANT& Add(VARTYPE type);
  std::vector<VARIANT> args_;
  std::vector<VARIANT> reversed_;
  std::deque<long> longs_;
  std::deque<short> shorts_;
  std::deque<VARIANT> variants_;
};

struct CallResult {
  HRESULT hr = E_FAIL;
  base::ScopedVariant value;
  UINT argError = 0;
  std::wstring errorText;  // the description of a DISP_E_EXCEPTION
  std::wstring errorSource;
  SCODE errorCode = S_OK;  // its scode
};

// GetIDsOfNames, then Invoke with `flags`.
CallResult CallByName(IDispatch* object, const std::string& name, CallArgs& args,
                      WORD flags = DISPATCH_METHOD);
CallResult GetProperty(IDispatch* object, const std::string& name);
CallResult PutProperty(IDispatch* object, const std::string& name, const VARIANT& value);

}  // namespace test_container
