// A modal dialog driven by posted messages: data exchange in both directions, the standard
// messages for a number out of range and for a field that is no number.
#include "framework/dialog.h"

#include <gtest/gtest.h>

#include "dialog_ids.h"
#include "framework/data_exchange.h"
#include "framework/module.h"
#include "testing/container/modal_script.h"

namespace {

using test_container::DialogStaticTexts;
using test_container::FindThreadDialog;
using test_container::ModalScript;
using test_container::WindowText;

class SettingsDialog : public fw::CDialog {
 public:
  SettingsDialog() : CDialog(IDD_SETTINGS) {}
  std::string name = "cam";
  int interval = 5;
  int autoConnect = 1;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override {
    dx.Text(IDC_NAME, name, 8);
    dx.Int(IDC_INTERVAL, interval);
    dx.MinMax(interval, 1, 99);
    dx.Check(IDC_AUTO, autoConnect);
  }
};

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

// Closes the message box over `dialog`, noting its caption and text.
struct BoxReader {
  HWND dialog = nullptr;
  std::string caption, text;
  bool operator()() {
    HWND box = FindThreadDialog({}, {dialog});
    if (!box) return false;
    caption = WindowText(box);
    text = DialogStaticTexts(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  }
};

TEST(ModalDialog, ValidatesOnOkShowsTheStandardMessagesAndEndsWithTheFieldsRead) {
  SettingsDialog dialog;
  HWND window = nullptr;
  std::string initialName, initialInterval;
  LRESULT initialCheck = 0;
  BoxReader range, integer;
  ModalScript script;
  script
      .Then([&] {
        window = FindThreadDialog("Settings");
        if (!window) return false;
        initialName = ItemText(window, IDC_NAME);
        initialInterval = ItemText(window, IDC_INTERVAL);
        initialCheck = SendDlgItemMessageA(window, IDC_AUTO, BM_GETCHECK, 0, 0);
        range.dialog = integer.dialog = window;
        SetDlgItemTextA(window, IDC_INTERVAL, "0");
        return PostMessageA(window, WM_COMMAND, IDOK, 0) != FALSE;
      })
      .Then([&] { return range(); })
      .Then([&] {
        if (FindThreadDialog({}, {window})) return false;  // the box is still closing
        SetDlgItemTextA(window, IDC_INTERVAL, "ten");
        return PostMessageA(window, WM_COMMAND, IDOK, 0) != FALSE;
      })
      .Then([&] { return integer(); })
      .Then([&] {
        if (FindThreadDialog({}, {window})) return false;
        SetDlgItemTextA(window, IDC_NAME, "lobby");
        SetDlgItemTextA(window, IDC_INTERVAL, "42");
        SendDlgItemMessageA(window, IDC_AUTO, BM_SETCHECK, BST_UNCHECKED, 0);
        return PostMessageA(window, WM_COMMAND, IDOK, 0) != FALSE;
      });
  script.Start();

  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(script.Finished()) << "steps done: " << script.StepsDone();
  EXPECT_EQ(initialName, "cam");
  EXPECT_EQ(initialInterval, "5");
  EXPECT_EQ(initialCheck, BST_CHECKED);
  EXPECT_EQ(range.text, fw::RangeMessage(1, 99));
  EXPECT_EQ(range.caption, fw::Module::Get().AppTitle());
  EXPECT_EQ(integer.text, fw::IntegerMessage());
  EXPECT_EQ(dialog.name, "lobby");
  EXPECT_EQ(dialog.interval, 42);
  EXPECT_EQ(dialog.autoConnect, 0);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(ModalDialog, CancelKeepsTheFieldsAndTextLimitsHold) {
  SettingsDialog dialog;
  LRESULT limit = 0;
  ModalScript script;
  script.Then([&] {
    HWND window = FindThreadDialog("Settings");
    if (!window) return false;
    limit = SendDlgItemMessageA(window, IDC_NAME, EM_GETLIMITTEXT, 0, 0);
    SetDlgItemTextA(window, IDC_NAME, "changed");
    return PostMessageA(window, WM_COMMAND, IDCANCEL, 0) != FALSE;
  });
  script.Start();
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(limit, 8);
  EXPECT_EQ(dialog.name, "cam");
}

TEST(ModalDialog, MissingTemplateFailsInsteadOfHanging) {
  fw::CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
