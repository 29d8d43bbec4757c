// A modal dialog driven by posted messages: data exchange in both directions, the standard
// messages for a number out of range and for a field that is no number. An IP address field
// exchanged both ways; dialogs centred on their owner or the work area.
#include "framework/dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

class AddressDialog : public fw::CDialog {
 public:
  AddressDialog() : CDialog(IDD_ADDRESS) {}
  DWORD address = 0;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override { dx.IpAddress(IDC_ADDRESS, address); }
};

// The four octet edits of an IP address control, left to right.
std::vector<HWND> OctetEdits(HWND control) {
  std::vector<HWND> edits;
  for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    edits.push_back(child);
  }
  std::sort(edits.begin(), edits.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return edits;
}

TEST(IpAddressExchange, HostOrderBothWaysAndAnEmptyFieldIsZero) {
  AddressDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(nullptr));
  HWND control = dialog.Item(IDC_ADDRESS);
  ASSERT_NE(control, nullptr);
  const std::vector<HWND> edits = OctetEdits(control);
  ASSERT_EQ(edits.size(), 4u);

  // Loading: the field shows the octets, most significant first; 0 shows an empty field.
  const struct {
    DWORD value;
    const char* octets[4];
  } loads[] = {
      {0xC0A80164, {"192", "168", "1", "100"}},
      {0x0A000001, {"10", "0", "0", "1"}},
      {0, {"", "", "", ""}},
  };
  for (const auto& c : loads) {
    SCOPED_TRACE(c.value);
    dialog.address = c.value;
    ASSERT_TRUE(dialog.UpdateData(false));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(WindowText(edits[i]), c.octets[i]) << "octet " << i;
    EXPECT_EQ(SendMessageA(control, IPM_ISBLANK, 0, 0) != 0, c.value == 0);
  }

  // Saving what a user typed: the blank parts of a partly filled field read as 0.
  const struct {
    const char* octets[4];
    DWORD value;
  } saves[] = {
      {{"172", "16", "0", "254"}, 0xAC1000FE},
      {{"255", "255", "255", "0"}, 0xFFFFFF00},
      {{"10", "", "", ""}, 0x0A000000},
      {{"", "", "", "7"}, 0x00000007},
      {{"", "", "", ""}, 0},
  };
  for (const auto& c : saves) {
    SCOPED_TRACE(testing::PrintToString(c.octets));
    dialog.address = 0x01020304;
    for (int i = 0; i < 4; ++i) SetWindowTextA(edits[i], c.octets[i]);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.address, c.value);
  }
  dialog.DestroyWindow();
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

LONG CentreX(const RECT& r) { return (r.left + r.right) / 2; }
LONG CentreY(const RECT& r) { return (r.top + r.bottom) / 2; }

TEST(CenterWindow, OnTheOwnerOrTheWorkAreaKeptInsideItAndAChildInItsParent) {
  const RECT work = WorkAreaOf(nullptr);
  const LONG workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  // One owner moved from case to case: every top-level window destroyed costs seconds here.
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  SettingsDialog owned, unowned;
  ASSERT_TRUE(owned.CreateModeless(owner));
  ASSERT_TRUE(unowned.CreateModeless(nullptr));
  ASSERT_EQ(GetWindow(owned.GetSafeHwnd(), GW_OWNER), owner);
  ASSERT_EQ(GetWindow(unowned.GetSafeHwnd(), GW_OWNER), nullptr);
  // Where the dialog ends up on each axis: centred on the area (0), or pushed against the
  // work area's low (-1) or high (+1) edge.
  const struct Case {
    const char* name;
    bool owned;
    RECT owner;  // left, top, right, bottom
    int x, y;
  } cases[] = {
      {"owner in the middle", true,
       {work.left + workWidth / 4, work.top + workHeight / 4, work.left + workWidth / 4 + 400,
        work.top + workHeight / 4 + 300},
       0, 0},
      {"owner at the bottom right edge", true,
       {work.right - 80, work.bottom - 40, work.right + 120, work.bottom + 60}, 1, 1},
      {"owner at the top left edge", true,
       {work.left - 150, work.top - 100, work.left + 50, work.top + 20}, -1, -1},
      {"owner off the right edge, in the middle of its height", true,
       {work.right - 20, work.top + workHeight / 2 - 100, work.right + 300,
        work.top + workHeight / 2 + 100},
       1, 0},
      {"no owner", false, {}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsDialog& dialog = c.owned ? owned : unowned;
    if (c.owned) {
      MoveWindow(owner, c.owner.left, c.owner.top, c.owner.right - c.owner.left,
                 c.owner.bottom - c.owner.top, FALSE);
    }
    dialog.CenterWindow();
    RECT r{};
    GetWindowRect(dialog.GetSafeHwnd(), &r);
    const RECT area = c.owned ? c.owner : work;
    const bool fits = r.left >= work.left && r.top >= work.top && r.right <= work.right &&
                      r.bottom <= work.bottom;
    EXPECT_TRUE(fits) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    if (c.x < 0) {
      EXPECT_EQ(r.left, work.left);
    } else if (c.x > 0) {
      EXPECT_EQ(r.right, work.right);
    } else {
      EXPECT_NEAR(CentreX(r), CentreX(area), 1);
    }
    if (c.y < 0) {
      EXPECT_EQ(r.top, work.top);
    } else if (c.y > 0) {
      EXPECT_EQ(r.bottom, work.bottom);
    } else {
      EXPECT_NEAR(CentreY(r), CentreY(area), 1);
    }
  }

  // A child dialog (a page's template) centres in its parent's client area.
  SetWindowPos(owner, nullptr, work.left + 10, work.top + 10, 600, 400, SWP_NOZORDER);
  fw::CDialog child(IDD_PAGE_ONE);
  ASSERT_TRUE(child.CreateModeless(owner));
  child.CenterWindow();
  RECT client{}, r{};
  GetClientRect(owner, &client);
  GetWindowRect(child.GetSafeHwnd(), &r);
  MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_NEAR(CentreX(r), CentreX(client), 1);
  EXPECT_NEAR(CentreY(r), CentreY(client), 1);
  EXPECT_GE(r.left, 0);
  EXPECT_GE(r.top, 0);

  child.DestroyWindow();
  owned.DestroyWindow();
  unowned.DestroyWindow();
  DestroyWindow(owner);
}

}  // namespace
