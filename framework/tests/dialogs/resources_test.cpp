// String tables in English and Chinese blocks, written in UTF-8 sources.
#include "framework/resources.h"

#include <gtest/gtest.h>

#include "dialog_ids.h"
#include "framework/ansi_text.h"
#include "framework/message_box.h"
#include "framework/module.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

TEST(Resources, EachLanguageBlockHoldsItsOwnTexts) {
  HINSTANCE self = fw::Module::Get().ResourceInstance();
  EXPECT_EQ(fw::LoadResStringForLanguage(self, IDS_CONFIRM, kEnglish), L"Confirm");
  EXPECT_EQ(fw::WideToUtf8(fw::LoadResStringForLanguage(self, IDS_CONFIRM, kChinese)),
            "\xE7\xA1\xAE\xE5\xAE\x9A");  // 确定
  EXPECT_EQ(fw::WideToUtf8(fw::LoadResStringForLanguage(self, IDS_WINDOW_TITLE, kChinese)),
            "\xE7\xAA\x97\xE5\x8F\xA3\xE5\xBA\x8F\xE5\x8F\xB7:%d, "
            "\xE6\x91\x84\xE5\x83\x8F\xE5\xA4\xB4:%s");  // 窗口序号:%d, 摄像头:%s
  EXPECT_EQ(fw::LoadResStringForLanguage(self, 4000, kChinese), L"");
}

TEST(Resources, PlainLoadsFollowTheUserLanguage) {
  const bool chinese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
  const std::wstring expected = fw::LoadResStringForLanguage(
      fw::Module::Get().ResourceInstance(), IDS_CONFIRM, chinese ? kChinese : kEnglish);
  EXPECT_EQ(fw::LoadResString(IDS_CONFIRM), fw::WideToAnsi(expected));
  const auto table = fw::LoadResStrings(IDS_WINDOW_TITLE, IDS_CONFIRM);
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[2], fw::LoadResString(IDS_SHEET_CAPTION));
  EXPECT_EQ(table[1], "");  // 226 is not in this table
}

TEST(MessageBoxes, InterceptedBoxesGetTheApplicationTitleWhenTheyHaveNoCaption) {
  std::wstring seenText, seenCaption;
  fw::ScopedMessageBoxInterceptor intercept(
      [&](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
        seenText = text;
        seenCaption = caption;
        return IDCANCEL;
      });
  EXPECT_EQ(fw::ShowMessageBox(nullptr, "Please Input the Name"), IDCANCEL);
  EXPECT_EQ(seenText, L"Please Input the Name");
  EXPECT_EQ(seenCaption, L"framework_dialog_tests");
  fw::ShowMessageBox(nullptr, "x", "Error");
  EXPECT_EQ(seenCaption, L"Error");
}

}  // namespace
