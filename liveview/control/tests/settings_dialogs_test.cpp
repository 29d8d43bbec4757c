// The settings dialogs of Tessaly.ocx, real on the test display: the modify dialog and the
// settings sheet with its Position and Other pages, each opened through its real opener (the
// camera windows' menu, ShowInfoDlg, ShowPropertiesDlgs) and driven by ModalScript against
// simulated cameras. Every box is a real box whose caption and text the script reads. The
// suites run in both locales, the texts expected in the user's language as the bytes of the
// ANSI code page (936 in the Chinese run).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chinese_locale.h"
#include "framework/data_exchange.h"
#include "hosted_tessaly.h"
#include "liveview/control/tests/camera_activity.h"
#include "testing/container/dialog_items.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/support/temp_folder.h"
#include "testing/support/time_scale.h"

namespace {

using tessaly_test::CameraWindows;
using tessaly_test::IniSettings;
using tessaly_test::kFireCamEvent;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireSelect;
using tessaly_test::OpenStreams;
using test_container::Click;
using test_container::DialogStaticTexts;
using test_container::FindThreadDialog;
using test_container::FocusIn;
using test_container::ItemText;
using test_container::ListCell;
using test_container::ListRows;
using test_container::ListSelect;
using test_container::ModalScript;
using test_container::PumpFor;
using test_container::PumpUntil;
using test_container::SetItemText;
using test_container::Utf8ToAnsi;
using test_container::WindowText;

constexpr UINT kApplyButton = 0x3021;
constexpr char kAppTitle[] = "Tessaly";  // the default caption: the module's title

bool ChineseUi() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE; }

// A text of the control's resources as the process's ANSI code page has it.
std::string T(const char* english, const char* chinese) {
  return Utf8ToAnsi(ChineseUi() ? chinese : english);
}

std::string SheetCaption() { return T("Adjust Position and Others", "位置调整及其他设置"); }
std::string ModifyCaption() { return T("Modify", "修改摄像头信息"); }
std::string ErrorCaption() { return T("Error", "错误"); }
std::string SelectOneText() {
  return T("Please Select a Camera(Only One at a Time)", "请选择要移动位置的摄像头,仅能选择一个");
}
std::string NameInvalidText() {
  return T("Name Contains Invalid Character", "显示名称包含不合法字符");
}
std::string UserInvalidText() {
  return T("User Name Contains Invalid Character", "用户名包含不合法字符");
}
std::string InputNameText() { return T("Please Input the Name", "必须输入显示名称"); }

// The CameraInfo block as the host receives it, read by offset.
constexpr size_t kInfoSize = 972;
constexpr size_t kIndexAt = 64;
constexpr size_t kUserAt = 72;
constexpr size_t kPasswordAt = 332;
constexpr size_t kNickAt = 396;

struct CamEvent {
  long cmd = -1;
  long length = 0;
  std::vector<char> bytes;
  std::string TextAt(size_t offset) const { return std::string(bytes.data() + offset); }
  int IntAt(size_t offset) const {
    int value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
  }
};

struct Box {
  std::string caption;
  std::string text;
};

class SettingsDialogs : public tessaly_test::HostedTessaly {
 protected:
  // Keeps every FireCamEvent with a copy of its block (valid during the event only).
  void RecordCamEvents() {
    events->SetHook([this](DISPID id, DISPPARAMS* p) {
      if (id != kFireCamEvent || p->cArgs != 3 || p->rgvarg[1].vt != (VT_BYREF | VT_I4)) return;
      CamEvent e;
      e.cmd = p->rgvarg[2].lVal;
      e.length = p->rgvarg[0].lVal;
      const char* block = reinterpret_cast<const char*>(p->rgvarg[1].plVal);
      if (e.length > 0 && e.length <= static_cast<long>(kInfoSize)) {
        e.bytes.assign(block, block + e.length);
        e.bytes.resize(kInfoSize, '\0');
      }
      camEvents.push_back(e);
    });
  }

  long ShowInfoDlg(const std::string& text) {
    return Call("ShowInfoDlg", [&](auto& a) { a.Text(text).OutLong(); });
  }
  long ShowProperties(long page) {
    return Call("ShowPropertiesDlgs", [&](auto& a) { a.Long(page).OutLong(); });
  }
  long SetCliInfo(long index, long port, const std::string& password, const std::string& nick) {
    return Call("SetCliInfo", [&](auto& a) {
      a.Long(index).Text("127.0.0.1").Long(port).Text("admin").Text(password).Text(nick).OutLong();
    });
  }
  long WndIndex(const std::string& text) {
    return Call("GetWndIndex", [&](auto& a) { a.Text(text).OutLong(); });
  }
  // The user name and nick the host hears for a camera (FireSelect of GetHostBasicInfo).
  std::pair<std::wstring, std::wstring> UserAndNick(const std::string& text) {
    EXPECT_EQ(Call("GetHostBasicInfo", [&](auto& a) { a.Text(text).OutLong(); }), 1) << text;
    const auto* e = events->Last(kFireSelect);
    if (!e) return {};
    return {e->TextArg(3), e->TextArg(4)};
  }

  // Script steps.
  static std::function<bool()> Find(HWND& out, const std::string& caption) {
    return [&out, caption] { return (out = FindThreadDialog(caption)) != nullptr; };
  }
  // Reads the box that is open over `over` and presses its OK.
  static std::function<bool()> TakeBox(Box& box, const std::vector<HWND>& over) {
    return [&box, over] {
      HWND found = FindThreadDialog({}, over);
      if (!found) return false;
      box = {WindowText(found), DialogStaticTexts(found)};
      PostMessageA(found, WM_COMMAND, IDOK, 0);
      return true;
    };
  }
  static std::function<bool()> Gone(const HWND& window) {
    return [&window] { return !IsWindow(window); };
  }
  static std::function<bool()> Wait(DWORD ms) {
    auto until = std::make_shared<DWORD>(0);
    return [until, ms] {
      if (*until == 0) *until = GetTickCount() + ms;
      return static_cast<LONG>(GetTickCount() - *until) >= 0;
    };
  }
  static HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  }
  // On the Position page: row `row` alone selected in the list, then Down; `list` is kept.
  static std::function<bool()> DownOnRow(const HWND& sheet, HWND& list, int row) {
    return [&sheet, &list, row] {
      const HWND page = CurrentPage(sheet);
      list = GetDlgItem(page, 213);
      for (int r = 0; r < 16; ++r) ListSelect(list, r, r == row);
      Click(page, 217);
      return true;
    };
  }
  // OK on the sheet once the list shows `nick` in row `row`.
  static std::function<bool()> OkOnceListed(const HWND& sheet, const HWND& list, int row,
                                            const std::string& nick) {
    return [&sheet, &list, row, nick] {
      if (ListCell(list, row, 2) != nick) return false;
      PostMessageA(sheet, WM_COMMAND, IDOK, 0);
      return true;
    };
  }

  // A step: the host lets the control go while its dialog runs, sink and site first.
  std::function<bool()> ReleaseControl() {
    return [this] {
      events->Disconnect();
      events.Reset();
      host.Close();
      return true;
    };
  }
  // Calls `name`, whose dialog `script` releases the control from, through a reference of the
  // test's own: the call has a control to return to, which then ends with that reference.
  void CallWhileReleased(const std::string& name, test_container::CallArgs& args,
                         const ModalScript& script) {
    SCOPED_TRACE(name);
    base::ComPtr<IDispatch> control = host.Dispatch();
    EXPECT_EQ(test_container::CallByName(control.Get(), name, args).hr, S_OK);
    EXPECT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
    control.Reset();
    PumpFor(200);
  }

  std::vector<CamEvent> camEvents;
};

// ---- the modify dialog ----------------------------------------------------------------------

TEST_F(SettingsDialogs, ModifyFromTheMenuShowsTheCameraModalToTheHostsWindow) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  RecordCamEvents();
  ModalScript script;
  const auto rightClick = ChooseFromMenu(script, 1, 'i');
  HWND dialog = nullptr;
  bool hostEnabled = true;
  HWND owner = nullptr, focus = nullptr;
  std::string statics;
  struct Seen {
    int id;
    std::string text;
    bool enabled;
    LRESULT limit;
  };
  std::vector<Seen> seen;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("read it", [&] {
    hostEnabled = IsWindowEnabled(host.Window()) != FALSE;
    owner = GetWindow(dialog, GW_OWNER);
    const HWND now = FocusIn(dialog);
    focus = now == GetDlgItem(dialog, IDCANCEL) ? reinterpret_cast<HWND>(1) : now;
    statics = DialogStaticTexts(dialog);
    for (int id : {201, 202, 208, 203, 204, 210, IDOK}) {
      HWND item = GetDlgItem(dialog, id);
      seen.push_back({id, WindowText(item), IsWindowEnabled(item) != FALSE,
                      SendMessageA(item, EM_GETLIMITTEXT, 0, 0)});
    }
    Click(dialog, IDCANCEL);
    return true;
  });
  script.Start();
  rightClick();
  ASSERT_TRUE(PumpUntil([&] { return script.Finished() && !IsWindow(dialog); }, kWaitMs));

  EXPECT_FALSE(hostEnabled) << "the host's window is disabled while the dialog runs";
  EXPECT_EQ(owner, host.Window());
  EXPECT_EQ(focus, reinterpret_cast<HWND>(1)) << "focus on Cancel";
  const std::string port = std::to_string(cameras[1]->Port());
  const std::vector<Seen> expected = {
      {201, "127.0.0.1", false, 120}, {202, port, false, -1},     {208, "Cam1", true, 28},
      {203, "admin", true, 28},       {204, "admin", true, 8},    {210, "2", true, -1},
      {IDOK, T("OK(&O)", "确定(&O)"), true, -1},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(seen[i].id);
    EXPECT_EQ(seen[i].text, expected[i].text);
    EXPECT_EQ(seen[i].enabled, expected[i].enabled);
    if (expected[i].limit >= 0) {
      EXPECT_EQ(seen[i].limit, expected[i].limit);
    }
  }
  EXPECT_NE(statics.find(T("Name and User Name can not Contain One of the  Following Charactors:"
                           "          \\ / : * ? \" < > |",
                           "显示名称以及用户名不能包含下列字符之一:"
                           "               \\ / : * ? \" < > |")),
            std::string::npos)
      << statics;
  EXPECT_NE(statics.find(T("Note: You can't modify the openning camera info!",
                           "注意: 摄像头处于打开状态时无法修改信息!")),
            std::string::npos);
  EXPECT_TRUE(IsWindowEnabled(host.Window()));
  PumpFor(100);
  EXPECT_TRUE(camEvents.empty()) << "Cancel stores nothing";
  EXPECT_EQ(UserAndNick(Text(1)), std::make_pair(std::wstring(L"admin"), std::wstring(L"Cam1")));
}

TEST_F(SettingsDialogs, AStreamingCameraIsShownButCannotBeModified) {
  StartCameras(1, 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(HeardState(0, 2));
  HWND dialog = nullptr;
  std::vector<bool> enabled;
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("read it", [&] {
    for (int id : {IDOK, 208, 203, 204, IDCANCEL}) {
      enabled.push_back(IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE);
    }
    Click(dialog, IDCANCEL);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowInfoDlg(Text(0)), 1);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, true}));
}

TEST_F(SettingsDialogs, RefusedChangesStoreNothingAndSayWhy) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  RecordCamEvents();
  struct Case {
    const char* name;
    std::string nameText, user;
    std::string boxText, boxCaption;
    int focus;
  };
  const std::vector<Case> cases = {
      {"a name of blanks", "   ", "guest", InputNameText(), ErrorCaption(), 208},
      {"a slash in the name", "a/b", "guest", NameInvalidText(), kAppTitle, 208},
      {"a colon in the user name", "Gate", "ad:min", UserInvalidText(), kAppTitle, 203},
      // The name fails its limit: the user name after it must not be stored either.
      {"a name over its limit", std::string(29, 'n'), "guest",
       fw::MaxCharsMessage(28), kAppTitle, 208},
  };
  HWND dialog = nullptr;
  std::vector<Box> boxes(cases.size());
  std::vector<int> focus(cases.size(), -1);
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  for (size_t i = 0; i < cases.size(); ++i) {
    script.Then(std::string("type: ") + cases[i].name, [&, i] {
      SetItemText(dialog, 208, cases[i].nameText);
      SetItemText(dialog, 203, cases[i].user);
      SetItemText(dialog, 204, "secret");
      Click(dialog, IDOK);
      return true;
    });
    script.Then(std::string("the box of ") + cases[i].name, TakeBox(boxes[i], {dialog}));
    script.Then("its focus", [&, i] {
      if (FindThreadDialog({}, {dialog})) return false;
      focus[i] = GetDlgCtrlID(FocusIn(dialog));
      return true;
    });
  }
  script.Then("Cancel", [&] {
    Click(dialog, IDCANCEL);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowInfoDlg(Text(0)), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(boxes[i].text, cases[i].boxText) << test_container::HexBytes(boxes[i].text);
    EXPECT_EQ(boxes[i].caption, cases[i].boxCaption);
    EXPECT_EQ(focus[i], cases[i].focus);
  }
  PumpFor(100);
  EXPECT_TRUE(camEvents.empty());
  EXPECT_EQ(UserAndNick(Text(0)), std::make_pair(std::wstring(L"admin"), std::wstring(L"Cam0")));
}

TEST_F(SettingsDialogs, AcceptedChangesAreStoredTrimmedAndAnnounced) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  RecordCamEvents();
  HWND dialog = nullptr;
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("type and OK", [&] {
    SetItemText(dialog, 208, " Lobby ");
    SetItemText(dialog, 203, "");
    SetItemText(dialog, 204, "pw");
    Click(dialog, IDOK);
    return true;
  });
  script.Then("closed", Gone(dialog));
  script.Start();
  EXPECT_EQ(ShowInfoDlg(Text(0)), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  ASSERT_EQ(camEvents.size(), 1u);
  const CamEvent& e = camEvents[0];
  EXPECT_EQ(e.cmd, 0);
  EXPECT_EQ(e.length, 972);
  EXPECT_EQ(e.IntAt(kIndexAt), 0);
  EXPECT_EQ(e.TextAt(kNickAt), "Lobby");
  EXPECT_EQ(e.TextAt(kUserAt), "");
  EXPECT_EQ(e.TextAt(kPasswordAt), "pw");
  EXPECT_EQ(UserAndNick(Text(0)), std::make_pair(std::wstring(), std::wstring(L"Lobby")));
}

TEST_F(SettingsDialogs, APasswordTheHostSetLongerThanTheEditIsKeptOnRenaming) {
  ASSERT_EQ(Host(), S_OK);
  const std::string text = "127.0.0.1:8123";
  // In the last window, which the dialog shows as window 16.
  ASSERT_EQ(SetCliInfo(15, 8123, "abcdefghijkl", "Far"), 1);
  RecordCamEvents();
  HWND dialog = nullptr;
  std::string shown, window;
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("rename", [&] {
    shown = ItemText(dialog, 204);
    window = ItemText(dialog, 210);
    SetItemText(dialog, 208, "Near");
    Click(dialog, IDOK);
    return true;
  });
  script.Then("closed", Gone(dialog));
  script.Start();
  EXPECT_EQ(ShowInfoDlg(text), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  EXPECT_EQ(shown, "abcdefghijkl");
  EXPECT_EQ(window, "16");
  ASSERT_EQ(camEvents.size(), 1u);
  EXPECT_EQ(camEvents[0].TextAt(kPasswordAt), "abcdefghijkl");
  EXPECT_EQ(camEvents[0].TextAt(kNickAt), "Near");
  EXPECT_EQ(camEvents[0].IntAt(kIndexAt), 15);
}

TEST_F(SettingsDialogs, AnOkAfterTheHostReplacedTheCameraStoresNothing) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  RecordCamEvents();
  HWND dialog = nullptr;
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("the host replaces the camera", [&] {
    EXPECT_EQ(Call("DestroyCli", [&](auto& a) { a.Text(Text(0)).OutLong(); }), 1);
    EXPECT_EQ(SetCliInfo(0, 8124, "admin", "Other"), 1);
    return true;
  });
  script.Then("OK", [&] {
    SetItemText(dialog, 208, "Mine");
    Click(dialog, IDOK);
    return true;
  });
  script.Then("closed", Gone(dialog));
  script.Start();
  EXPECT_EQ(ShowInfoDlg(Text(0)), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  PumpFor(100);
  EXPECT_TRUE(camEvents.empty());
  EXPECT_EQ(UserAndNick("127.0.0.1:8124").second, L"Other");
}

TEST_F(SettingsDialogs, ReleasingTheControlEndsTheModifyDialog) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  HWND dialog = nullptr;
  ModalScript script;
  script.Then("the dialog", Find(dialog, ModifyCaption()));
  script.Then("release the control", ReleaseControl());
  script.Then("closed", Gone(dialog));
  script.Start();
  test_container::CallArgs args;
  args.Text(Text(0)).OutLong();
  CallWhileReleased("ShowInfoDlg", args, script);
}

// ---- the sheet and its Position page ------------------------------------------------------

TEST_F(SettingsDialogs, TheSheetOpensAtItsStartPageWithItsCaptionAndTabs) {
  ASSERT_EQ(Host(), S_OK);
  const std::vector<std::string> tabs = {T("Position", "位置调整"), T("Other", "其他设置")};
  struct Case {
    long page;
    int index;
  };
  for (const Case& k : {Case{0, 0}, Case{1, 1}, Case{2, 0}}) {
    SCOPED_TRACE(k.page);
    HWND sheet = nullptr;
    std::vector<std::string> seenTabs;
    int current = -1;
    bool hostEnabled = true;
    ModalScript script;
    script.Then("the sheet", Find(sheet, SheetCaption()));
    script.Then("read it", [&] {
      HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
      for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        seenTabs.push_back(text);
      }
      current = TabCtrl_GetCurSel(tab);
      hostEnabled = IsWindowEnabled(host.Window()) != FALSE;
      PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    script.Start();
    EXPECT_EQ(ShowProperties(k.page), 1);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(seenTabs, tabs);
    EXPECT_EQ(current, k.index);
    EXPECT_FALSE(hostEnabled);
  }
  // Page 5 opens nothing.
  ModalScript script;
  script.Then("no sheet", [&] {
    HWND sheet = FindThreadDialog(SheetCaption());
    if (sheet) PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    return sheet != nullptr;
  });
  script.Start();
  EXPECT_EQ(ShowProperties(5), 0);
  PumpFor(100);
  EXPECT_FALSE(script.Finished());
}

TEST_F(SettingsDialogs, ThePositionListShowsEveryWindowAndRefusesMovesItCannotMake) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  RecordCamEvents();
  HWND sheet = nullptr, page = nullptr, list = nullptr;
  std::vector<std::vector<std::string>> cells;
  std::vector<std::string> titles;
  DWORD extended = 0;
  std::vector<Box> boxes(2);
  std::vector<std::string> afterEdges;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("read the list", [&] {
    page = CurrentPage(sheet);
    list = GetDlgItem(page, 213);
    for (int r = 0; r < ListRows(list); ++r) {
      cells.push_back({ListCell(list, r, 0), ListCell(list, r, 1), ListCell(list, r, 2)});
    }
    for (int c = 0; c < 3; ++c) titles.push_back(test_container::ListColumnTitle(list, c));
    extended = static_cast<DWORD>(ListView_GetExtendedListViewStyle(list));
    for (int r = 0; r < 16; ++r) ListSelect(list, r, false);
    ListSelect(list, 0);
    Click(page, 216);  // Up on the first row
    return true;
  });
  script.Then("Down on the last row", [&] {
    ListSelect(list, 0, false);
    ListSelect(list, 15);
    Click(page, 217);
    return true;
  });
  script.Then("no box", Wait(300));
  script.Then("Up without a row", [&] {
    EXPECT_EQ(FindThreadDialog({}, {sheet}), nullptr) << "no box at the edges";
    for (int r = 0; r < 16; ++r) afterEdges.push_back(ListCell(list, r, 2));
    ListSelect(list, 15, false);
    Click(page, 216);
    return true;
  });
  script.Then("its box", TakeBox(boxes[0], {sheet}));
  script.Then("Down with two rows", [&] {
    if (FindThreadDialog({}, {sheet})) return false;
    ListSelect(list, 0);
    ListSelect(list, 1);
    Click(page, 217);
    return true;
  });
  script.Then("its box", TakeBox(boxes[1], {sheet}));
  script.Then("Cancel", [&] {
    if (FindThreadDialog({}, {sheet})) return false;
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowProperties(2), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));

  ASSERT_EQ(cells.size(), 16u);
  for (int r = 0; r < 16; ++r) {
    char number[4];
    std::snprintf(number, sizeof number, "%02d", r + 1);
    EXPECT_EQ(cells[r][0], number);
    EXPECT_EQ(cells[r][1], r < 2 ? "127.0.0.1" : "") << r;
    EXPECT_EQ(cells[r][2], r < 2 ? "Cam" + std::to_string(r) : "") << r;
  }
  EXPECT_EQ(titles, (std::vector<std::string>{T("Window", "窗口"), T("Camera", "摄像头"),
                                              T("Name", "显示名称")}));
  EXPECT_EQ(extended & 0x21u, 0x21u);
  std::vector<std::string> nicks(16);
  nicks[0] = "Cam0";
  nicks[1] = "Cam1";
  EXPECT_EQ(afterEdges, nicks);
  for (const Box& box : boxes) {
    EXPECT_EQ(box.text, SelectOneText());
    EXPECT_EQ(box.caption, ErrorCaption());
  }
  PumpFor(100);
  EXPECT_TRUE(camEvents.empty()) << "nothing moved";
}

TEST_F(SettingsDialogs, DownAcrossTheGridsEdgeShowsTheNewCellAndSelectsWithoutAClick) {
  IniSettings settings;
  settings.autoInvite = 1;
  settings.splitter = 2;
  WriteCameras({{3, {}}}, settings);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(HeardState(0, 2));
  // Window 4 selected: a plain select of it would be a pan/tilt click on the moved camera.
  ASSERT_EQ(Select(4), 1);
  RecordCamEvents();
  events->Clear();
  const size_t commandsBefore = cameras[0]->Log().Requests().size();
  const HWND control = host.ControlWindow();
  const auto windows = CameraWindows(control);
  ASSERT_EQ(windows.size(), 16u);
  RECT cell3{};
  GetWindowRect(windows[3], &cell3);
  HWND sheet = nullptr, list = nullptr;
  HWND atCell3 = nullptr;
  bool oldVisible = true, newVisible = false;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("Down on row 3", DownOnRow(sheet, list, 3));
  script.Then("moved", [&] {
    if (ListCell(list, 4, 2) != "Cam3") return false;
    RECT now{};
    GetWindowRect(windows[4], &now);
    atCell3 = EqualRect(&now, &cell3) ? windows[4] : nullptr;
    oldVisible = IsWindowVisible(windows[3]) != FALSE;
    newVisible = IsWindowVisible(windows[4]) != FALSE;
    EXPECT_TRUE(test_container::ListSelected(list, 4));
    EXPECT_FALSE(test_container::ListSelected(list, 3));
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowProperties(2), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  EXPECT_EQ(atCell3, windows[4]) << "the window now at index 3 fills cell 3";
  EXPECT_TRUE(newVisible);
  EXPECT_FALSE(oldVisible) << "the window now at index 4 lies outside the grid";
  ASSERT_TRUE(PumpUntil([&] { return !camEvents.empty() && events->Count(kFireSelect) > 0; },
                        kWaitMs));
  ASSERT_EQ(camEvents.size(), 1u);
  EXPECT_EQ(camEvents[0].cmd, 1);
  EXPECT_EQ(camEvents[0].length, 8);
  EXPECT_EQ(camEvents[0].IntAt(0), 3);
  EXPECT_EQ(camEvents[0].IntAt(4), 4);
  EXPECT_EQ(events->Last(kFireSelect)->LongArg(0), 4);
  PumpFor(800);
  size_t commands = 0;
  const auto requests = cameras[0]->Log().Requests();
  for (size_t i = commandsBefore; i < requests.size(); ++i) {
    if (requests[i].kind == camsim::RequestKind::Command) ++commands;
  }
  EXPECT_EQ(commands, 0u) << "no pan/tilt command";
  EXPECT_EQ(WndIndex(Text(0)), 4);
  EXPECT_TRUE(HeardState(0, 2)) << "streams on in its new window";
}

TEST_F(SettingsDialogs, MovedStreamsGoOnUnderTheirCamerasNewIndexes) {
  IniSettings settings;
  settings.splitter = 3;
  WriteCameras({{0, {}}, {1, {}}, {2, {}}, {5, {}}}, settings);
  ASSERT_EQ(Host(), S_OK);
  // Started in this order, they take slots 0 to 3; the cameras of windows 2 and 5 sit in
  // slots 2 and 3.
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(LookPic(i), 1);
    ASSERT_TRUE(HeardState(i, 2)) << i;
  }
  HWND sheet = nullptr, list = nullptr;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("Down on row 2", DownOnRow(sheet, list, 2));
  script.Then("OK", OkOnceListed(sheet, list, 3, "Cam2"));
  script.Start();
  EXPECT_EQ(ShowProperties(2), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  EXPECT_EQ(WndIndex(Text(2)), 3);
  EXPECT_EQ(WndIndex(Text(3)), 5);
  PumpFor(300);
  // Each camera's last frame, from the slot bound to its window.
  testing_support::TempFolder folder;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::string file = folder.File("snap" + std::to_string(i) + ".jpg");
    EXPECT_EQ(Call("SnapPicture",
                   [&](auto& a) { a.Text(Text(i)).Text(file).Long(0).Long(0).OutLong(7); }),
              1);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8") << "a JPEG";
  }
  // Stopping each camera by its text: its own connection ends and its state 0 reaches the
  // host under its own name.
  std::vector<bool> stopped(4, false);
  for (int i : {2, 3, 0}) {
    SCOPED_TRACE(i);
    events->Clear();
    EXPECT_EQ(Call("StopPic", [&](auto& a) { a.Text(Text(i)).OutLong(); }), 1);
    stopped[i] = true;
    EXPECT_TRUE(PumpUntil([&] { return tessaly_test::AllStreamsClosed(*cameras[i]); }, kWaitMs));
    EXPECT_TRUE(HeardState(i, 0));
    for (int other = 0; other < 4; ++other) {
      if (!stopped[other]) {
        EXPECT_EQ(OpenStreams(*cameras[other]), 1u) << other;
      }
    }
    for (const auto& e : events->Events()) {
      if (e.id == kFireReConnect && e.LongArg(1) == 0) {
        EXPECT_EQ(e.TextArg(0), WideText(i));
      }
    }
  }
  // Opened again in its new window, the moved camera reports there.
  events->Clear();
  ASSERT_EQ(LookPic(2), 1);
  EXPECT_TRUE(HeardState(2, 2));
  EXPECT_EQ(WndIndex(Text(2)), 3);
}

TEST_F(SettingsDialogs, HostCallsWhileTheSheetIsOpenSurviveItsOk) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  HWND sheet = nullptr, list = nullptr;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("the host changes the cameras", [&] {
    EXPECT_EQ(Call("DestroyCli", [&](auto& a) { a.Text(Text(0)).OutLong(); }), 1);
    EXPECT_EQ(SetCliInfo(5, 8125, "admin", "Late"), 1);
    return true;
  });
  script.Then("Down on row 1", DownOnRow(sheet, list, 1));
  script.Then("OK", OkOnceListed(sheet, list, 2, "Cam1"));
  script.Start();
  EXPECT_EQ(ShowProperties(0), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  EXPECT_EQ(WndIndex(Text(0)), -1) << "destroyed stays destroyed";
  EXPECT_EQ(WndIndex(Text(1)), 2);
  EXPECT_EQ(WndIndex("127.0.0.1:8125"), 5) << "added while the sheet was open";
}

TEST_F(SettingsDialogs, ReleasingTheControlCancelsTheSheet) {
  IniSettings settings;
  settings.interval = 7;
  tessaly_test::WriteSettings(settings);
  ASSERT_EQ(Host(), S_OK);
  HWND sheet = nullptr;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("change the interval", [&] {
    SetItemText(CurrentPage(sheet), 221, "9");
    return true;
  });
  script.Then("release the control", ReleaseControl());
  script.Then("closed", Gone(sheet));
  script.Start();
  test_container::CallArgs args;
  args.Long(1).OutLong();
  CallWhileReleased("ShowPropertiesDlgs", args, script);
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "INTERVAL"), "7");
}

// ---- the Other page -------------------------------------------------------------------------

// An arrow of the up-down pressed and released.
void PressArrow(HWND spin, bool up) {
  RECT r{};
  GetClientRect(spin, &r);
  const LPARAM at = MAKELPARAM((r.right - r.left) / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
  SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(spin, WM_LBUTTONUP, 0, at);
}

TEST_F(SettingsDialogs, TheIntervalArrowsWrapAtTheirBoundsAndKeepMoving) {
  IniSettings settings;
  settings.interval = 98;
  tessaly_test::WriteSettings(settings);
  ASSERT_EQ(Host(), S_OK);
  ModalScript script;
  const auto rightClick = ChooseFromMenu(script, 0, 'm');
  HWND sheet = nullptr;
  bool applyAtOpening = true, applyAfter = false;
  int current = -1;
  std::vector<std::string> values;
  std::string after150;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("press the arrows", [&] {
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    current = TabCtrl_GetCurSel(tab);
    // To the Position page and back: the Other page writes its fields again.
    SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
    SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
    HWND page = CurrentPage(sheet);
    applyAtOpening = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
    HWND spin = GetDlgItem(page, 222);
    for (bool up : {true, true, true, true, true, false, false, false}) {
      PressArrow(spin, up);
      values.push_back(ItemText(page, 221));
    }
    for (int i = 0; i < 150; ++i) PressArrow(spin, true);
    after150 = ItemText(page, 221);
    applyAfter = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  rightClick();
  ASSERT_TRUE(PumpUntil([&] { return script.Finished() && !IsWindow(sheet); }, kWaitMs));
  EXPECT_EQ(current, 1) << "Other Settings opens the Other page";
  EXPECT_FALSE(applyAtOpening);
  EXPECT_EQ(values, (std::vector<std::string>{"99", "100", "1", "2", "3", "2", "1", "100"}));
  EXPECT_EQ(after150, "50");
  EXPECT_TRUE(applyAfter);
  host.Close();
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "INTERVAL"), "50");
}

TEST_F(SettingsDialogs, TheOtherPageKeepsItsFieldsInRangeAndStoresThemOnOk) {
  IniSettings settings;
  settings.interval = 7;
  settings.showSubtitle = 1;
  settings.autoInvite = 0;
  settings.reconnect = 1;
  tessaly_test::WriteSettings(settings);
  ASSERT_EQ(Host(), S_OK);
  HWND sheet = nullptr, page = nullptr;
  std::vector<Box> boxes(2);
  std::vector<std::string> putBack;
  std::string afterArrow;
  int titleCheck = -1;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("type 0", [&] {
    page = CurrentPage(sheet);
    test_container::PostTyping(GetDlgItem(page, 221), "0");
    return true;
  });
  // Once the box is gone: what the field was given back, then `text` typed over it.
  const auto typeAfterBox = [&](const char* text) -> std::function<bool()> {
    return [&, text] {
      if (FindThreadDialog({}, {sheet})) return false;
      putBack.push_back(ItemText(page, 221));
      test_container::PostTyping(GetDlgItem(page, 221), text);
      return true;
    };
  };
  script.Then("its box", TakeBox(boxes[0], {sheet}));
  script.Then("type 101", typeAfterBox("101"));
  script.Then("its box", TakeBox(boxes[1], {sheet}));
  script.Then("type 42", typeAfterBox("42"));
  script.Then("untick the title, press an arrow", [&] {
    if (ItemText(page, 221) != "42") return false;
    SendMessageA(GetDlgItem(page, 219), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(page, 209), BM_CLICK, 0, 0);
    PressArrow(GetDlgItem(page, 222), true);
    afterArrow = ItemText(page, 221);
    titleCheck = static_cast<int>(SendMessageA(GetDlgItem(page, 219), BM_GETCHECK, 0, 0));
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowProperties(1), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  for (const Box& box : boxes) {
    EXPECT_EQ(box.text, fw::RangeMessage(1, 100));
    EXPECT_EQ(box.caption, kAppTitle);
  }
  // The value before each: 7, then 10 on the way to 101.
  EXPECT_EQ(putBack, (std::vector<std::string>{"7", "10"}));
  EXPECT_EQ(afterArrow, "43");
  EXPECT_EQ(titleCheck, BST_UNCHECKED) << "the arrow left the check box as clicked";
  host.Close();
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "INTERVAL"), "43");
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "SHOW_SUBTITLE"), "0");
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "AUTO_INVITE"), "1");
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "RECONNECT"), "1");
}

TEST_F(SettingsDialogs, IntervalsOutsideTheBoundsOpenClampedAndCancelStoresNothing) {
  struct Case {
    int stored;
    const char* shown;
  };
  for (const Case& k : {Case{0, "1"}, Case{500, "100"}}) {
    SCOPED_TRACE(k.stored);
    IniSettings settings;
    settings.interval = k.stored;
    settings.showSubtitle = 1;
    tessaly_test::WriteSettings(settings);
    ASSERT_EQ(Host(), S_OK);
    HWND sheet = nullptr;
    std::string shown;
    ModalScript script;
    script.Then("the sheet", Find(sheet, SheetCaption()));
    script.Then("read, change, Cancel", [&] {
      HWND page = CurrentPage(sheet);
      shown = ItemText(page, 221);
      SetItemText(page, 221, "33");
      SendMessageA(GetDlgItem(page, 219), BM_CLICK, 0, 0);
      PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    script.Start();
    EXPECT_EQ(ShowProperties(1), 1);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
    EXPECT_EQ(shown, k.shown);
    events->Disconnect();
    host.Close();
    EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "INTERVAL"), std::to_string(k.stored));
    EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "SHOW_SUBTITLE"), "1");
  }
}

TEST_F(SettingsDialogs, OkWithReconnectOffEndsARunningStreamAtItsNextError) {
  camsim::CameraConfig config;
  config.fps = 20;
  IniSettings settings;
  settings.autoInvite = 1;
  settings.reconnect = 1;
  settings.interval = 1;
  WriteCameras({{0, config}}, settings);
  camsim::StreamFaults faults;
  // 2.5 s into each connection, time for the sheet's change to come first; a slower machine
  // takes longer to show the sheet.
  faults.closeAtFrame = 50 * static_cast<int>(testing_support::TimeScale());
  cameras[0]->SetFaults(faults);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(HeardState(0, 2));
  HWND sheet = nullptr;
  ModalScript script;
  script.Then("the sheet", Find(sheet, SheetCaption()));
  script.Then("reconnect off, OK", [&] {
    SendMessageA(GetDlgItem(CurrentPage(sheet), 220), BM_CLICK, 0, 0);
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  EXPECT_EQ(ShowProperties(1), 1);
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  events->Clear();
  ASSERT_TRUE(HeardState(0, 0, testing_support::Scaled(kWaitMs)));
  PumpFor(1500);
  for (const auto& e : events->Events()) {
    if (e.id == kFireReConnect) {
      EXPECT_NE(e.LongArg(1), 4) << "no reconnection";
    }
  }
  EXPECT_TRUE(tessaly_test::AllStreamsClosed(*cameras[0]));
}

// ---- Chinese texts of the modify dialog ---------------------------------------------------

class SettingsDialogsInChineseLocale : public SettingsDialogs {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InChineseLocale());
    SettingsDialogs::SetUp();
  }
};

TEST_F(SettingsDialogsInChineseLocale, NamesAreCheckedByCharactersNotBytes) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  RecordCamEvents();
  // U+4E57 is 81 5C in code page 936: its trail byte is a backslash.
  const std::string trailBackslash = "\x81\x5C";
  ASSERT_EQ(test_container::InCodePage(L"\u4E57", 936), trailBackslash);
  const std::string fourteen = Utf8ToAnsi("一二三四五六七八九十甲乙丙丁");
  const std::string fifteen = fourteen + Utf8ToAnsi("戊");
  struct Case {
    const char* name;
    std::string text;
    std::string box;  // empty: accepted
  };
  const std::vector<Case> cases = {
      {"a slash between characters", Utf8ToAnsi("名/称"), NameInvalidText()},
      {"fifteen characters", fifteen, fw::MaxCharsMessage(28)},
      {"fourteen characters", fourteen, ""},
      {"a trail byte 5C", "A" + trailBackslash + "B", ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    camEvents.clear();
    HWND dialog = nullptr;
    Box box;
    ModalScript script;
    script.Then("the dialog", Find(dialog, ModifyCaption()));
    script.Then("type and OK", [&] {
      SetItemText(dialog, 208, k.text);
      Click(dialog, IDOK);
      return true;
    });
    if (!k.box.empty()) {
      script.Then("the box", TakeBox(box, {dialog}));
      script.Then("Cancel", [&] {
        if (FindThreadDialog({}, {dialog})) return false;
        Click(dialog, IDCANCEL);
        return true;
      });
    }
    script.Then("closed", Gone(dialog));
    script.Start();
    EXPECT_EQ(ShowInfoDlg(Text(0)), 1);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
    PumpFor(50);
    if (k.box.empty()) {
      ASSERT_EQ(camEvents.size(), 1u);
      EXPECT_EQ(camEvents[0].TextAt(kNickAt), k.text)
          << test_container::HexBytes(camEvents[0].TextAt(kNickAt));
    } else {
      EXPECT_EQ(box.text, k.box) << test_container::HexBytes(box.text);
      EXPECT_TRUE(camEvents.empty());
    }
  }
}

}  // namespace
