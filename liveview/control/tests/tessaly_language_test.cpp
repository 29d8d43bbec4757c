// The texts of Tessaly.ocx as the resource loader gives them by the user's language: the
// English block in the plain run, the Chinese one (code page 936 bytes) in the Chinese run.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "chinese_locale.h"
#include "testing/container/child_process.h"

namespace {

std::string OcxPath() {
  char full[MAX_PATH];
  const std::string path = test_container::ExecutableFolder() + "..\\Tessaly.ocx";
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full) : path;
}

// As the control loads them: LoadStringA, bytes of the ANSI code page.
std::string Load(HMODULE module, UINT id) {
  char text[256] = {};
  const int n = LoadStringA(module, id, text, sizeof(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string InCodePage(const wchar_t* text, UINT codePage) {
  char bytes[256] = {};
  const int n = WideCharToMultiByte(codePage, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
  return n > 1 ? std::string(bytes, static_cast<size_t>(n - 1)) : std::string();
}

class TessalyModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(OcxPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << OcxPath();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

using TessalyTexts = TessalyModule;

// In either run: the block of the user's interface language.
TEST_F(TessalyTexts, TheBlockOfTheUsersLanguageServesTheTexts) {
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE) {
    EXPECT_EQ(Load(module_, 229), "\xC8\xB7\xB6\xA8");
  } else {
    EXPECT_EQ(Load(module_, 229), "Confirm");
    EXPECT_EQ(Load(module_, 225), "Window %d Camera : %s");
  }
  EXPECT_EQ(Load(module_, 1), "Tessaly Control");
  EXPECT_EQ(Load(module_, 2), "Tessaly Property Page");
}

class TessalyTextsInChineseLocale : public testing_support::ChineseLocaleTest {
 protected:
  void SetUp() override {
    ChineseLocaleTest::SetUp();
    module_ = LoadLibraryExA(OcxPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << OcxPath();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(TessalyTextsInChineseLocale, StringsComeFromTheChineseBlockInCodePage936) {
  // "确定" and "窗口序号:%d, 摄像头:%s".
  EXPECT_EQ(Load(module_, 229), "\xC8\xB7\xB6\xA8");
  EXPECT_EQ(Load(module_, 225),
            InCodePage(L"\u7A97\u53E3\u5E8F\u53F7:%d, \u6444\u50CF\u5934:%s", 936));
  EXPECT_EQ(Load(module_, 226), InCodePage(L"\u65E0", 936));
  // Identical in both blocks.
  EXPECT_EQ(Load(module_, 1), "Tessaly Control");
  EXPECT_EQ(Load(module_, 200), "General");
}

}  // namespace
