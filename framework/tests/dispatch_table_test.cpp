#include <gtest/gtest.h>

#include <stdexcept>

#include "base/scoped_variant.h"
#include "framework/dispatch_table.h"
#include "testing/container/dispatch_call.h"

namespace {

struct Target {
  virtual ~Target() = default;
  long last = 0;
};

struct Camera : Target {
  std::string host;
  long port = 0;
  long width = 320;

  void SetCliInfo(long index, const std::string& h, long p, long* ret) {
    *ret = 0;
    host = h;
    port = p;
    *ret = index + 1;
  }
  long Sum(short a, short b) { return a + b; }
  std::string Name() const { return host; }
  long GetWidth() { return width; }
  void SetWidth(long w) { width = w; }
};

HRESULT Call(const fw::DispatchTable<Target>& table, Target& self, DISPID id, WORD flags,
             test_container::CallArgs& args, VARIANT* result = nullptr, UINT* argError = nullptr) {
  DISPPARAMS p = args.Params();
  UINT unused = 0;
  return table.Invoke(self, id, flags, &p, result, argError ? argError : &unused);
}

class DispatchTable : public ::testing::Test {
 protected:
  static constexpr fw::DispatchEntry<Target> kEntries[] = {
      fw::DispMethod<Target, &Camera::SetCliInfo>(1, "SetCliInfo"),
      fw::DispMethod<Target, &Camera::Sum>(2, "Sum"),
      fw::DispMethod<Target, &Camera::Name>(3, "Name"),
      fw::DispProperty<Target, &Camera::GetWidth, &Camera::SetWidth>(4, "Width"),
      fw::DispProperty<Target, &Camera::GetWidth>(5, "ReadOnlyWidth"),
  };
  fw::DispatchTable<Target> table{kEntries};
  Camera camera;
};

TEST_F(DispatchTable, FindsMembersByIdAndByNameIgnoringCase) {
  ASSERT_NE(table.FindByName("setcliinfo"), nullptr);
  EXPECT_EQ(table.FindByName("SETCLIINFO")->id, 1);
  EXPECT_EQ(table.FindByName("Missing"), nullptr);
  EXPECT_EQ(table.Find(4)->kinds, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT);
  EXPECT_EQ(table.Find(99), nullptr);
}

TEST_F(DispatchTable, ConvertsArgumentsCallsAndWritesResultsBack) {
  test_container::CallArgs args;
  args.Short(3).Text("gate").Long(8080).OutVariant(-7);  // VBScript style
  ASSERT_EQ(Call(table, camera, 1, DISPATCH_METHOD, args), S_OK);
  EXPECT_EQ(camera.host, "gate");
  EXPECT_EQ(camera.port, 8080);
  EXPECT_EQ(args.LongAt(3), 4);

  test_container::CallArgs sum;
  sum.Short(20).Short(22);
  base::ScopedVariant result;
  ASSERT_EQ(Call(table, camera, 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, sum, result.Get()),
            S_OK);
  EXPECT_EQ(result.Type(), VT_I4);
  EXPECT_EQ(result.Ref().lVal, 42);

  test_container::CallArgs none;
  ASSERT_EQ(Call(table, camera, 3, DISPATCH_METHOD, none, result.Get()), S_OK);
  EXPECT_EQ(result.Type(), VT_BSTR);
  EXPECT_STREQ(result.Ref().bstrVal, L"gate");
}

TEST_F(DispatchTable, RefusesWrongCallsWithoutCallingOrWritingBack) {
  test_container::CallArgs tooFew;
  tooFew.Long(1).Text("h").OutLong(5);
  EXPECT_EQ(Call(table, camera, 1, DISPATCH_METHOD, tooFew), DISP_E_BADPARAMCOUNT);

  // The third argument (rgvarg index 1) is no number: nothing runs, the out value stays.
  test_container::CallArgs bad;
  bad.Long(1).Text("h").Text("eighty").OutLong(5);
  UINT argError = 77;
  EXPECT_EQ(Call(table, camera, 1, DISPATCH_METHOD, bad, nullptr, &argError), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argError, 1u);
  EXPECT_EQ(bad.LongAt(3), 5);
  EXPECT_EQ(camera.host, "");

  test_container::CallArgs none;
  EXPECT_EQ(Call(table, camera, 42, DISPATCH_METHOD, none), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(table, camera, 1, DISPATCH_PROPERTYPUT, none), DISP_E_MEMBERNOTFOUND);

  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = 1;
  DISPID named = 0;
  DISPPARAMS withNames{&arg, &named, 1, 1};
  UINT e = 0;
  EXPECT_EQ(table.Invoke(camera, 2, DISPATCH_METHOD, &withNames, nullptr, &e), DISP_E_NONAMEDARGS);
}

TEST_F(DispatchTable, PropertiesGetAndPutThroughTheNamedPutArgument) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;
  value.iVal = 640;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{&value, &named, 1, 1};
  UINT e = 0;
  ASSERT_EQ(table.Invoke(camera, 4, DISPATCH_PROPERTYPUT, &put, nullptr, &e), S_OK);
  EXPECT_EQ(camera.width, 640);

  base::ScopedVariant result;
  test_container::CallArgs none;
  ASSERT_EQ(Call(table, camera, 4, DISPATCH_PROPERTYGET, none, result.Get()), S_OK);
  EXPECT_EQ(result.Ref().lVal, 640);

  DISPPARAMS unnamed{&value, nullptr, 1, 0};
  EXPECT_EQ(table.Invoke(camera, 4, DISPATCH_PROPERTYPUT, &unnamed, nullptr, &e),
            DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(table.Invoke(camera, 5, DISPATCH_PROPERTYPUT, &put, nullptr, &e),
            DISP_E_MEMBERNOTFOUND);
}

}  // namespace
