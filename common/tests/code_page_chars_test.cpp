#include "common/code_page_chars.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace common {
namespace {

constexpr unsigned kWestern = 1252;
constexpr unsigned kChinese = 936;  // GBK: trail bytes 0x40 to 0xFE

TEST(CodePageChars, CutToCharBoundaryNeverSplitsACharacter) {
  ASSERT_TRUE(IsDBCSLeadByteEx(kChinese, 0x81)) << "code page 936 is not available";
  struct Case {
    const char* text;
    size_t maxBytes;
    unsigned codePage;
    const char* expected;
  };
  const Case cases[] = {
      {"ab\x81\x5C", 3, kChinese, "ab"},
      {"ab\x81\x5C", 4, kChinese, "ab\x81\x5C"},
      {"ab\x81\x5C", 3, kWestern, "ab\x81"},
      {"abcdef", 4, kChinese, "abcd"},
      {"abc", 10, kChinese, "abc"},
      {"\x81\x40\x81\x40", 1, kChinese, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutToCharBoundary(c.text, c.maxBytes, c.codePage), c.expected)
        << c.text << " at " << c.maxBytes;
  }
}

}  // namespace
}  // namespace common
