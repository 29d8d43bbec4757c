#include "chinese_locale.h"

#include <windows.h>

namespace testing_support {

::testing::AssertionResult InChineseLocale() {
  const UINT codePage = GetACP();
  if (codePage == kChineseCodePage) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the ANSI code page is " << codePage << ", not " << kChineseCodePage
         << " (user interface language 0x" << std::hex << GetUserDefaultUILanguage()
         << "): run it in the Chinese locale (add_wine_test ALSO_CHINESE, the \"_zh\" tests)";
}

}  // namespace testing_support
