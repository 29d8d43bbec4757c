// What the camera window tells its parent on clicks and keys, and its context menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/module.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/window/tests/watch_test_support.h"
#include "liveview/window/watch_wnd.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"

namespace liveview {
namespace {

using testing_support::ReceivedMessage;
using testing_support::RecordingParent;

constexpr int kNumber = 5;
constexpr LPARAM kClick = MAKELPARAM(100, 50);
constexpr LPARAM kPackedClick = (100 << 16) + 50;

ReceivedMessage SelectSent() {
  return {WM_WATCH_SELECT, kNumber + kSelectSentFlag, kPackedClick, true};
}
ReceivedMessage FullWindowSent(LPARAM state) { return {WM_WATCH_FULLWINDOW, kNumber, state, true}; }
ReceivedMessage KeyPosted(WPARAM key) { return {WM_WATCH_KEY, key, kNumber, false}; }

void SetControlKey(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  keys[VK_LCONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

HWND OpenMenuWindow() { return test_container::OpenPopupMenuOfThisThread(); }

class WatchWndInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(parent_.Handle(), nullptr);
    ASSERT_TRUE(window_.Create(256 + kNumber, parent_.Handle(), kNumber));
    window_.Move(RECT{0, 0, 320, 240});
    parent_.Pump();
    parent_.Clear();
  }
  void TearDown() override { SetControlKey(false); }

  LRESULT Send(UINT msg, WPARAM w, LPARAM l) {
    return SendMessageA(window_.GetSafeHwnd(), msg, w, l);
  }

  RecordingParent parent_{640, 480};
  CWatchWnd window_;
};

TEST_F(WatchWndInputTest, DoubleClickSelectsAndTogglesFullWindow) {
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, kClick);
  EXPECT_EQ(parent_.Received(), (std::vector<ReceivedMessage>{SelectSent(), FullWindowSent(1)}));
  EXPECT_EQ(GetFocus(), window_.GetSafeHwnd());

  parent_.Clear();
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, kClick);
  EXPECT_EQ(parent_.Received(), (std::vector<ReceivedMessage>{SelectSent(), FullWindowSent(0)}));
}

TEST_F(WatchWndInputTest, LeftButtonDownPostsSelect) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON, kClick);
  EXPECT_TRUE(parent_.Received().empty());
  parent_.Pump();
  EXPECT_EQ(parent_.Received(),
            (std::vector<ReceivedMessage>{{WM_WATCH_SELECT, kNumber, kPackedClick, false}}));
  EXPECT_EQ(window_.IsSelected(), 1);
}

TEST_F(WatchWndInputTest, KeyReleasePostsArrowsDeleteAndControlKeys) {
  struct Case {
    WPARAM key;
    bool control;
    size_t posts;
  };
  const Case cases[] = {
      {VK_LEFT, true, 2},  {'C', true, 1},        {'C', false, 0},     {VK_LEFT, false, 1},
      {VK_DOWN, false, 1}, {VK_DELETE, false, 1}, {VK_HOME, false, 0}, {'L', true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("key " + std::to_string(c.key) + (c.control ? " with Ctrl" : ""));
    parent_.Clear();
    SetControlKey(c.control);
    Send(WM_KEYUP, c.key, 0xC0000001);
    parent_.Pump();
    EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>(c.posts, KeyPosted(c.key)));
  }
}

// The menu is modal: a script closes it from inside its loop.
TEST_F(WatchWndInputTest, RightClickSelectsOnlyAnUnselectedWindowAndOpensTheMenu) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "not selected" : "already selected");
    parent_.Clear();
    // Made again should Wine end the menu's loop before its first message (see below); the
    // window is selected by then, so a second click selects nothing more.
    bool finished = false;
    for (int attempt = 0; attempt < 3 && !finished; ++attempt) {
      test_container::ModalScript script;
      script.Then([] {
        HWND menu = OpenMenuWindow();
        if (menu) EndMenu();
        return menu != nullptr;
      });
      script.Start();
      Send(WM_RBUTTONDOWN, MK_RBUTTON, kClick);
      finished = script.Finished();
    }
    EXPECT_TRUE(finished);
    parent_.Pump();
    if (round == 0) {
      EXPECT_EQ(parent_.Received(), std::vector<ReceivedMessage>{SelectSent()});
    } else {
      EXPECT_TRUE(parent_.Received().empty());
    }
    EXPECT_EQ(window_.IsSelected(), 1);
  }
}

TEST_F(WatchWndInputTest, MenuCommandGoesToTheParent) {
  window_.SetSelected(1);
  // Wine now and then ends a popup menu's loop before its first message when the display is
  // busy with other test processes; the right click is then made again.
  size_t stepsDone = 0;
  for (int attempt = 0; attempt < 3 && stepsDone == 0; ++attempt) {
    test_container::ModalScript script;
    script.Then([] {
      HWND menu = OpenMenuWindow();
      if (!menu) return false;
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
      return true;
    });
    // Runs only should the keys not reach the menu, so the test still ends.
    script.Then([] {
      if (OpenMenuWindow()) EndMenu();
      return true;
    });
    script.Start();
    Send(WM_RBUTTONDOWN, MK_RBUTTON, kClick);
    stepsDone = script.StepsDone();
  }
  ASSERT_GE(stepsDone, 1u);
  parent_.Pump();
  ASSERT_EQ(parent_.Received().size(), 1u);
  EXPECT_EQ(parent_.Received()[0].message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(LOWORD(parent_.Received()[0].wParam), ID_CAM_OPEN);
}

struct MenuItem {
  std::wstring text;
  UINT id;  // 0 for a separator, -1 for a popup
};

std::vector<MenuItem> ItemsOf(HMENU menu) {
  std::vector<MenuItem> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
    const UINT id = GetMenuItemID(menu, i);
    items.push_back({text, id == static_cast<UINT>(-1) ? ~0u : id});
    if (HMENU sub = GetSubMenu(menu, i)) {
      for (const MenuItem& item : ItemsOf(sub)) items.push_back({L"  " + item.text, item.id});
    }
  }
  return items;
}

// Each language block of menu 202 as its own menu.
std::vector<MenuItem> MenuItemsFor(LANGID language) {
  HINSTANCE module = fw::Module::Get().ResourceInstance();
  HRSRC found = FindResourceExA(module, RT_MENU, MAKEINTRESOURCEA(IDR_WATCHWND_MENU), language);
  if (!found) return {};
  HMENU menu = LoadMenuIndirectW(LockResource(LoadResource(module, found)));
  std::vector<MenuItem> items = ItemsOf(GetSubMenu(menu, 0));
  DestroyMenu(menu);
  return items;
}

TEST(WatchWndMenu, EnglishAndChineseMenusCarryTheSameCommands) {
  struct Language {
    LANGID id;
    std::vector<std::wstring> texts;
  };
  const std::vector<UINT> ids = {32768, 32769, 32770, 0, 32781, 32780, ~0u,   32773,
                                 32774, 32775, 32776, 0, 32779, 0,     32778, 32771};
  const Language languages[] = {
      {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
       {L"Open\tCTRL+L", L"Close\tCTRL+C", L"Delete\tDEL", L"", L"Other Settings(&M)...",
        L"Change Position(&J)...", L"Window Spliter Mode", L"  1 x 1", L"  2 x 2", L"  3 x 3",
        L"  4 x 4", L"", L"Modify Camera Info(&I)...", L"", L"Exit(&Q)", L"Add/Del Camera(&P)..."}},
      {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
       {L"\x6253\x5f00\tCTRL+L", L"\x5173\x95ed\tCTRL+C", L"\x5220\x9664\tDEL", L"",
        L"\x5176\x4ed6\x8bbe\x7f6e(&M)...", L"\x8c03\x6574\x4f4d\x7f6e(&J)...",
        L"\x7a97\x53e3\x5206\x5272\x6a21\x5f0f", L"  1 x 1", L"  2 x 2", L"  3 x 3", L"  4 x 4",
        L"", L"\x4fee\x6539\x6444\x50cf\x5934\x4fe1\x606f(&I)...", L"", L"\x9000\x51fa(&Q)",
        L"\x6dfb\x52a0/\x5220\x9664\x6444\x50cf\x5934(&P)..."}},
  };
  for (const Language& language : languages) {
    SCOPED_TRACE(language.id);
    const std::vector<MenuItem> items = MenuItemsFor(language.id);
    ASSERT_EQ(items.size(), ids.size());
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].id, ids[i]) << i;
      EXPECT_EQ(items[i].text, language.texts[i]) << i;
    }
  }
}

}  // namespace
}  // namespace liveview
