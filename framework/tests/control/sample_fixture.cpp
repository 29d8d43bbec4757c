#include "sample_fixture.h"

#include <ole2.h>

#include "testing/container/child_process.h"
#include "testing/container/dll_export.h"
#include "testing/container/ole_environment.h"

namespace sample {

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new test_container::OleEnvironment);

HRESULT g_registered = E_FAIL;

using Export = HRESULT(STDAPICALLTYPE*)();

// Loads the module for one call of an export and gives it back.
HRESULT CallExportOnce(const char* name) {
  HMODULE module = LoadLibraryA(DllPath().c_str());
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  auto call = test_container::DllExport<Export>(module, name);
  const HRESULT hr = call ? call() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

}  // namespace

std::string DllPath() { return test_container::ExecutableFolder() + SAMPLE_DLL_NAME; }

namespace {
HMODULE g_module = nullptr;
}  // namespace

HMODULE Module() {
  if (!g_module) g_module = LoadLibraryA(DllPath().c_str());
  return g_module;
}

HRESULT CallExport(const char* name) {
  if (!Module()) return HRESULT_FROM_WIN32(GetLastError());
  auto call = test_container::DllExport<Export>(Module(), name);
  return call ? call() : E_NOTIMPL;
}

void RegisteredSample::SetUpTestSuite() { g_registered = CallExport("DllRegisterServer"); }

void RegisteredSample::TearDownTestSuite() {
  if (SUCCEEDED(g_registered)) CallExport("DllUnregisterServer");
  // Cases that need the module unloaded may follow in this process.
  if (g_module) FreeLibrary(g_module);
  g_module = nullptr;
}

void RegisteredSample::SetUp() { ASSERT_EQ(g_registered, S_OK) << "the sample did not register"; }

void UnloadableSample::SetUpTestSuite() { g_registered = CallExportOnce("DllRegisterServer"); }

void UnloadableSample::TearDownTestSuite() {
  if (SUCCEEDED(g_registered)) CallExportOnce("DllUnregisterServer");
}

void UnloadableSample::SetUp() {
  ASSERT_EQ(g_registered, S_OK) << "the sample did not register";
  // What COM loaded for earlier cases of this process goes once the module lets it.
  CoFreeUnusedLibrariesEx(0, 0);
  ASSERT_EQ(LoadedModule(), nullptr) << "the module is still loaded after its registration";
}

HMODULE LoadedModule() { return GetModuleHandleA(SAMPLE_DLL_NAME); }

HRESULT CanUnloadNow() {
  HMODULE module = LoadedModule();
  auto call = module ? test_container::DllExport<Export>(module, "DllCanUnloadNow") : nullptr;
  return call ? call() : E_FAIL;
}

}  // namespace sample
