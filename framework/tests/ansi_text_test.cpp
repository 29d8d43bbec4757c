#include <gtest/gtest.h>

#include "base/scoped_bstr.h"
#include "framework/ansi_text.h"

namespace {

TEST(AnsiText, BstrAndAnsiConvertBothWays) {
  base::ScopedBstr b;
  b.Reset(fw::AnsiToBstr("camera 1:80"));
  ASSERT_NE(b.Get(), nullptr);
  EXPECT_EQ(b.View(), L"camera 1:80");
  EXPECT_EQ(fw::BstrToAnsi(b.Get()), "camera 1:80");
  EXPECT_EQ(fw::BstrToAnsi(nullptr), "");
}

TEST(AnsiText, BstrTextEndsAtItsRecordedLength) {
  // A BSTR may hold NULs; its length, not the first NUL, ends it.
  base::ScopedBstr b(std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(fw::BstrToAnsi(b.Get()), std::string("a\0b", 3));
}

TEST(AnsiText, Utf8SourcesRoundTrip) {
  const std::string utf8 = "\xE7\xA1\xAE\xE5\xAE\x9A";  // two CJK characters
  const std::wstring wide = fw::Utf8ToWide(utf8);
  EXPECT_EQ(wide, std::wstring(L"\x786E\x5B9A"));
  EXPECT_EQ(fw::WideToUtf8(wide), utf8);
}

}  // namespace
