#include "chinese_locale.h"

#include <windows.h>

#include <cstdio>

namespace testing_support {

::testing::AssertionResult InChineseLocale() {
  const UINT codePage = GetACP();
  if (codePage == kChineseCodePage) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the ANSI code page is " << codePage << ", not " << kChineseCodePage
         << " (user interface language 0x" << std::hex << GetUserDefaultUILanguage()
         << "): run it in the Chinese locale (add_wine_test ALSO_CHINESE, the \"_zh\" tests)";
}

std::string ToChineseBytes(const std::wstring& text) {
  const int n = WideCharToMultiByte(kChineseCodePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(kChineseCodePage, 0, text.data(), static_cast<int>(text.size()),
                        out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char two[4];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02X ", c);
    out += two;
  }
  return out;
}

}  // namespace testing_support
