// A two-page property sheet driven by posted messages: OK and Apply reach the pages that
// have been shown, and only those; leaving a page validates it. Pages of a module whose
// language is fixed.
#include "framework/property_sheet.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_ids.h"
#include "framework/data_exchange.h"
#include "framework/module.h"
#include "testing/container/modal_script.h"

namespace {

using test_container::FindThreadDialog;
using test_container::ModalScript;

constexpr UINT kApplyButton = 0x3021;

class LoggingPage : public fw::CPropertyPage {
 public:
  LoggingPage(UINT id, std::string name, std::vector<std::string>* log)
      : CPropertyPage(id), name_(std::move(name)), log_(log) {}
  int value = 5;

 protected:
  BOOL OnSetActive() override {
    log_->push_back(name_ + ":active");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    log_->push_back(name_ + ":kill");
    return CPropertyPage::OnKillActive();
  }
  void OnOK() override { log_->push_back(name_ + ":ok"); }
  void OnCancel() override { log_->push_back(name_ + ":cancel"); }
  void DoDataExchange(fw::DataExchange& dx) override {
    if (!GetDlgItem(GetSafeHwnd(), IDC_VALUE)) return;
    dx.Int(IDC_VALUE, value);
    dx.MinMax(value, 1, 99);
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

class TwoPageSheet : public ::testing::Test {
 protected:
  bool Logged(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }
  size_t Times(const std::string& entry) const { return std::count(log.begin(), log.end(), entry); }
  // Posts `command` to the sheet once it is up.
  std::function<bool()> Post(UINT msg, WPARAM w, LPARAM l = 0) {
    return [this, msg, w, l] {
      return sheet.GetSafeHwnd() && PostMessageA(sheet.GetSafeHwnd(), msg, w, l);
    };
  }

  std::vector<std::string> log;
  LoggingPage one{IDD_PAGE_ONE, "one", &log};
  LoggingPage two{IDD_PAGE_TWO, "two", &log};
  fw::CPropertySheet sheet{"Adjust Position and Others", nullptr};
  ModalScript script;

  void SetUp() override {
    sheet.AddPage(&one);
    sheet.AddPage(&two);
  }
};

TEST_F(TwoPageSheet, OkRunsOnOkOfTheShownPageOnly) {
  script.Then(Post(WM_COMMAND, IDOK));
  script.Start();
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(Logged("one:ok"));
  EXPECT_FALSE(Logged("two:active"));
  EXPECT_FALSE(Logged("two:ok"));
}

TEST_F(TwoPageSheet, OkAfterVisitingBothPagesRunsBoth) {
  script.Then(Post(PSM_SETCURSEL, 1))
      .Then([&] { return Logged("two:active"); })
      .Then(Post(WM_COMMAND, IDOK));
  script.Start();
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(Times("one:ok"), 1u);
  EXPECT_EQ(Times("two:ok"), 1u);
  // Leaving page one asked it first.
  EXPECT_LT(std::find(log.begin(), log.end(), "one:kill"),
            std::find(log.begin(), log.end(), "two:active"));
}

TEST_F(TwoPageSheet, ApplyRunsTheShownPagesAndKeepsTheSheetOpen) {
  sheet.SetActivePage(1);
  bool applyEnabledBefore = true, applyEnabled = false, openAfterApply = false;
  script
      .Then([&] {
        if (!sheet.GetSafeHwnd() || !two.GetSafeHwnd()) return false;
        applyEnabledBefore = IsWindowEnabled(GetDlgItem(sheet.GetSafeHwnd(), kApplyButton));
        two.SetModified(true);
        applyEnabled = IsWindowEnabled(GetDlgItem(sheet.GetSafeHwnd(), kApplyButton));
        return true;
      })
      .Then(Post(WM_COMMAND, kApplyButton))
      .Then([&] {
        if (!Logged("two:ok")) return false;
        openAfterApply = IsWindow(sheet.GetSafeHwnd()) != FALSE;
        return true;
      })
      .Then(Post(WM_COMMAND, IDOK));
  script.Start();
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(applyEnabledBefore);
  EXPECT_TRUE(applyEnabled);
  EXPECT_TRUE(openAfterApply);
  EXPECT_EQ(Times("two:ok"), 2u);  // Apply, then OK
  EXPECT_FALSE(Logged("one:active"));
  EXPECT_FALSE(Logged("one:ok"));
}

TEST_F(TwoPageSheet, CancelRunsNoOnOkAndAnInvalidPageKeepsTheFocus) {
  std::string boxText;
  script
      .Then([&] {
        if (!one.GetSafeHwnd()) return false;
        SetDlgItemTextA(one.GetSafeHwnd(), IDC_VALUE, "120");
        return PostMessageA(sheet.GetSafeHwnd(), PSM_SETCURSEL, 1, 0) != FALSE;
      })
      .Then([&] {
        HWND box = FindThreadDialog({}, {sheet.GetSafeHwnd()});
        if (!box) return false;
        boxText = test_container::DialogStaticTexts(box);
        return PostMessageA(box, WM_COMMAND, IDOK, 0) != FALSE;
      })
      .Then([&] { return !FindThreadDialog({}, {sheet.GetSafeHwnd()}); })
      .Then(Post(WM_COMMAND, IDCANCEL));
  script.Start();
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(boxText, fw::RangeMessage(1, 99));
  EXPECT_FALSE(Logged("two:active"));
  EXPECT_FALSE(Logged("one:ok"));
  EXPECT_TRUE(Logged("one:cancel"));
}

TEST(FixedLanguageSheet, PagesComeFromTheFixedLanguageWhateverTheUserLanguage) {
  struct Restore {
    ~Restore() { fw::Module::Get().SetResourceLanguage(fw::Module::kUserLanguage); }
  } restore;
  fw::Module::Get().SetResourceLanguage(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  std::vector<std::string> log;
  LoggingPage page{IDD_PAGE_ONE, "one", &log};
  fw::CPropertySheet sheet{"Sheet", nullptr};
  sheet.AddPage(&page);
  std::wstring tab;
  ModalScript script;
  script.Then([&] {
    if (!sheet.GetSafeHwnd()) return false;
    HWND tabs = FindWindowExW(sheet.GetSafeHwnd(), nullptr, L"SysTabControl32", nullptr);
    if (!tabs) return false;
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    tab = text;
    return PostMessageW(sheet.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0) != FALSE;
  });
  script.Start();
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(tab, L"\u4F4D\u7F6E\u8C03\u6574");  // 位置调整
}

}  // namespace
