// Tests of Chinese texts run in the Chinese locale, where the ANSI code page is 936 (GBK),
// and compare bytes, not pixels. A program registered with add_wine_test(... ALSO_CHINESE)
// runs a second time in that locale (test names ending in "_zh"); its suites whose names
// end in "InChineseLocale" run only there.
#pragma once

#include <gtest/gtest.h>

namespace testing_support {

constexpr unsigned kChineseCodePage = 936;

// Success only when the process's ANSI code page is 936; the failure names the code page
// and the user's interface language found.
::testing::AssertionResult InChineseLocale();

// Fixture of the suites that need the Chinese locale: outside it the test fails, it never
// skips. Name a suite "<Something>InChineseLocale" and derive its fixture from this.
class ChineseLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InChineseLocale()); }
};

}  // namespace testing_support
