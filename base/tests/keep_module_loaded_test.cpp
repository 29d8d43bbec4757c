#include <gtest/gtest.h>

#include "base/keep_module_loaded.h"
#include "base/scoped_handle.h"

namespace {

using StartWaiterFn = HANDLE (*)(HANDLE);

TEST(KeepModuleLoadedTest, TheModuleOutlivesItsHostsFreeLibraryUntilTheThreadEnds) {
  HMODULE dll = LoadLibraryA(KEEP_MODULE_TEST_DLL);
  ASSERT_NE(dll, nullptr);
  auto start = reinterpret_cast<StartWaiterFn>(
      reinterpret_cast<void*>(GetProcAddress(dll, "StartWaiter")));
  ASSERT_NE(start, nullptr);
  base::ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  base::ScopedHandle thread(start(release.Get()));
  ASSERT_TRUE(thread);

  FreeLibrary(dll);
  EXPECT_NE(GetModuleHandleA(KEEP_MODULE_TEST_DLL), nullptr) << "unmapped under its thread";

  SetEvent(release.Get());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 10000));
  DWORD code = 0;
  GetExitCodeThread(thread.Get(), &code);
  EXPECT_EQ(42u, code);
  EXPECT_EQ(GetModuleHandleA(KEEP_MODULE_TEST_DLL), nullptr) << "the thread's reference leaked";
}

}  // namespace
