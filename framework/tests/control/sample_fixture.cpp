#include "sample_fixture.h"

#include <ole2.h>

#include "testing/container/child_process.h"
#include "testing/container/dll_export.h"

namespace sample {

namespace {

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(OleInitialize(nullptr), S_OK); }
  void TearDown() override { OleUninitialize(); }
};

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

HRESULT g_registered = E_FAIL;

}  // namespace

std::string DllPath() { return test_container::ExecutableFolder() + SAMPLE_DLL_NAME; }

HMODULE Module() {
  static HMODULE module = LoadLibraryA(DllPath().c_str());
  return module;
}

HRESULT CallExport(const char* name) {
  if (!Module()) return HRESULT_FROM_WIN32(GetLastError());
  using Export = HRESULT(STDAPICALLTYPE*)();
  auto call = test_container::DllExport<Export>(Module(), name);
  return call ? call() : E_NOTIMPL;
}

void RegisteredSample::SetUpTestSuite() { g_registered = CallExport("DllRegisterServer"); }

void RegisteredSample::TearDownTestSuite() {
  if (SUCCEEDED(g_registered)) CallExport("DllUnregisterServer");
}

void RegisteredSample::SetUp() { ASSERT_EQ(g_registered, S_OK) << "the sample did not register"; }

}  // namespace sample
