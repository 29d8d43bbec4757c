// String tables in English and Chinese blocks, written in UTF-8 sources; a module's fixed
// language; the ANSI texts of the Chinese block in the Chinese locale.
#include "framework/resources.h"

#include <gtest/gtest.h>

#include "dialog_ids.h"
#include "framework/ansi_text.h"
#include "framework/data_exchange.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "testing/support/chinese_locale.h"

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

// The module's language fixed for the test's lifetime, then back to the user's.
class FixedLanguage : public ::testing::Test {
 protected:
  void SetUp() override { fw::Module::Get().SetResourceLanguage(kChinese); }
  void TearDown() override { fw::Module::Get().SetResourceLanguage(fw::Module::kUserLanguage); }
};

TEST_F(FixedLanguage, TextsAndTheFrameworksMessagesComeFromItWhateverTheUserLanguage) {
  EXPECT_EQ(fw::LoadResStringW(IDS_CONFIRM), L"\u786E\u5B9A");  // 确定
  // A string the fixed language lacks is looked up as by the user's language (here it is in
  // the English table only).
  EXPECT_EQ(fw::LoadResStringW(IDS_ENGLISH_ONLY), L"Only in English");
  // 请输入一个整数。
  EXPECT_EQ(fw::IntegerMessageW(), L"\u8BF7\u8F93\u5165\u4E00\u4E2A\u6574\u6570\u3002");
  EXPECT_EQ(fw::MaxCharsMessageW(19),
            L"\u8BF7\u8F93\u5165\u4E0D\u8D85\u8FC7 19 \u4E2A\u5B57\u7B26\u3002");
  EXPECT_EQ(fw::Module::Get().UiLanguage(), kChinese);
}

TEST_F(FixedLanguage, FrameworkMessagesHeldInEnglishStayEnglishWhileTheTextsAreChinese) {
  struct Restore {
    ~Restore() { fw::Module::Get().SetFrameworkMessageLanguage(fw::Module::kUserLanguage); }
  } restore;
  fw::Module::Get().SetFrameworkMessageLanguage(kEnglish);
  EXPECT_EQ(fw::LoadResStringW(IDS_CONFIRM), L"\u786E\u5B9A");  // the texts stay Chinese
  EXPECT_EQ(fw::MaxCharsMessageW(19), L"Please enter no more than 19 characters.");
  EXPECT_EQ(fw::RangeMessageW(1, 99), L"Please enter an integer between 1 and 99.");
  EXPECT_EQ(fw::IntegerMessage(), "Please enter an integer.");
  fw::Module::Get().SetFrameworkMessageLanguage(fw::Module::kUserLanguage);
  EXPECT_EQ(fw::IntegerMessageW(), L"\u8BF7\u8F93\u5165\u4E00\u4E2A\u6574\u6570\u3002")
      << "back to the module's language";
}

TEST(ChineseLocaleCheck, FailsOutsideCodePage936RatherThanSkipping) {
  const ::testing::AssertionResult check = testing_support::InChineseLocale();
  EXPECT_EQ(static_cast<bool>(check), GetACP() == 936) << check.message();
  if (!check) {
    EXPECT_NE(std::string(check.message()).find("not 936"), std::string::npos);
  }
}

class ResourcesInChineseLocale : public testing_support::ChineseLocaleTest {};

TEST_F(ResourcesInChineseLocale, AnsiLoadsGiveTheCodePage936BytesOfTheChineseBlock) {
  char buffer[16] = {};
  const int n = LoadStringA(fw::Module::Get().ResourceInstance(), IDS_CONFIRM, buffer,
                            sizeof buffer);
  EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "\xC8\xB7\xB6\xA8");  // 确定
  EXPECT_EQ(fw::LoadResString(IDS_CONFIRM), "\xC8\xB7\xB6\xA8");
  EXPECT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_CHINESE);
}

}  // namespace
