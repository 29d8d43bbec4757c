#include <gtest/gtest.h>

#include "base/system_library.h"

namespace common {
namespace {

TEST(SystemLibrary, LoadsFromTheSystemFolderAndFindsExports) {
  const HMODULE kernel = base::LoadSystemLibrary("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(kernel, GetModuleHandleA("kernel32.dll"));
  using GetTickCountFn = DWORD(WINAPI*)();
  EXPECT_EQ(base::SystemExport<GetTickCountFn>(kernel, "GetTickCount"),
            reinterpret_cast<GetTickCountFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount"))));
  EXPECT_EQ(base::SystemExport<GetTickCountFn>(kernel, "NoSuchExport"), nullptr);
}

TEST(SystemLibrary, MissingFilesAndModulesGiveNothing) {
  EXPECT_EQ(base::LoadSystemLibrary("no_such_library_here.dll"), nullptr);
  using AnyFn = void(WINAPI*)();
  EXPECT_EQ(base::SystemExport<AnyFn>(nullptr, "GetTickCount"), nullptr);
}

}  // namespace
}  // namespace common
