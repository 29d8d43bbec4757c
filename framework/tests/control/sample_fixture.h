// The sample control module for the control tests: OLE started for the whole process, the
// module loaded from beside the test program and, for the suites that need it, registered
// for the suite's length.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace sample {

constexpr char kProgId[] = "FWSAMPLE.SampleCtrl.1";
constexpr char kFormProgId[] = "FWSAMPLE.SampleForm.1";
constexpr COLORREF kDefaultColor = RGB(0, 128, 255);

// Full path of fwsample.dll.
std::string DllPath();
// The loaded module (it stays loaded for the process).
HMODULE Module();
// Calls one of the module's exports that take no argument (DllRegisterServer...).
HRESULT CallExport(const char* name);

// Suites whose tests create the sample by ProgID.
class RegisteredSample : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
};

// The same for suites that watch the module unload: registration loads the module only for
// the call, so nothing but COM holds it afterwards. Module() must not be used there.
class UnloadableSample : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
};

// The module as COM loaded it, or null.
HMODULE LoadedModule();
// Its DllCanUnloadNow: S_OK once no object and no lock is left; E_FAIL when not loaded.
HRESULT CanUnloadNow();

}  // namespace sample
