// If these fail, nothing else in the suite can be trusted: the toolchain, the Wine prefix or
// the test display is broken.
#include <windows.h>

#include <gtest/gtest.h>

#include "isolated_network.h"

#include <string>

namespace {

std::string ModuleFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

TEST(Smoke, DllLoadsAndExportsItsFunctionUndecorated) {
  HMODULE dll = LoadLibraryA((ModuleFolder() + SMOKE_DLL_NAME).c_str());
  ASSERT_NE(dll, nullptr) << "LoadLibrary failed: " << GetLastError();
  using Answer = LONG(WINAPI*)(LONG);
  // Through void(*)(): the one function type GCC lets any other be cast to silently.
  auto answer = reinterpret_cast<Answer>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll, "SmokeAnswer")));
  ASSERT_NE(answer, nullptr) << "export not found under its plain name";
  EXPECT_EQ(GetProcAddress(dll, "SmokeAnswer@4"), nullptr);
  EXPECT_EQ(answer(1), 44);
  FreeLibrary(dll);
}

TEST(Smoke, TopLevelWindowOpensOnTheTestDisplay) {
  HWND window = CreateWindowExA(0, "STATIC", "smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr) << "no window: is DISPLAY set to a running Xvfb? " << GetLastError();
  RECT rc{};
  EXPECT_TRUE(GetClientRect(window, &rc));
  EXPECT_GT(rc.right, 0);
  HDC dc = GetDC(window);
  EXPECT_NE(dc, nullptr);
  EXPECT_GT(GetDeviceCaps(dc, BITSPIXEL), 8);
  ReleaseDC(window, dc);
  DestroyWindow(window);
}

}  // namespace

namespace {

// Every test that broadcasts relies on this: the suite's own namespace and segment only.
TEST(Smoke, SuiteRunsInItsPrivateNetwork) {
  EXPECT_TRUE(testing_support::InIsolatedNetwork());
}

}  // namespace
