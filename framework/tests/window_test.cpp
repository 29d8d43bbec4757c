#include "framework/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/exception_guard.h"
#include "framework/message_table.h"
#include "framework/static_wnd.h"

namespace {

constexpr UINT kSelect = WM_USER + 13;
constexpr UINT kThrow = WM_USER + 20;

// A child window in the shape of a camera window: a table for its own messages, the
// virtual handlers for the common ones.
class TableWnd : public fw::CWnd {
 public:
  std::vector<std::string> seen;
  bool failCreate = false;
  int menuCommand = 0;

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override {
    static constexpr fw::MessageEntry<TableWnd> kTable[] = {
        fw::OnMessage<&TableWnd::OnSelect>(kSelect),
        fw::OnMessage<&TableWnd::OnThrow>(kThrow),
        fw::OnCommandRange<&TableWnd::OnMenu>(32768, 32781),
        fw::OnControl<&TableWnd::OnEditChange>(EN_CHANGE, 221),
    };
    return fw::RouteMessage(*this, kTable, msg, w, l, result) || CWnd::OnWndMsg(msg, w, l, result);
  }
  int OnCreate(CREATESTRUCTA* cs) override {
    seen.push_back(std::string("create:") + cs->lpszName);
    return failCreate ? -1 : CWnd::OnCreate(cs);
  }
  void OnDestroy() override {
    seen.push_back("destroy");
    CWnd::OnDestroy();
  }
  void PostNcDestroy() override { seen.push_back("ncdestroy"); }

 private:
  LRESULT OnSelect(WPARAM w, LPARAM l) {
    seen.push_back("select:" + std::to_string(w) + "," + std::to_string(l));
    return 1;
  }
  LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
  void OnMenu(UINT id) { menuCommand = static_cast<int>(id); }
  void OnEditChange() { seen.push_back("edit"); }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND parent_ = nullptr;
};

TEST_F(WindowTest, ChildSeesItsCreationAndRoutesThroughItsTable) {
  TableWnd w;
  ASSERT_TRUE(w.CreateChild(parent_, 256, "CliWatchWnd", WS_VISIBLE, RECT{0, 0, 0, 0}));
  HWND h = w.GetSafeHwnd();
  EXPECT_EQ(GetDlgCtrlID(h), 256);
  EXPECT_EQ(fw::CWnd::FromHandle(h), &w);
  char cls[32] = {};
  GetClassNameA(h, cls, sizeof cls);
  EXPECT_STREQ(cls, fw::kDefaultChildClass);
  EXPECT_TRUE(GetClassLongA(h, GCL_STYLE) & CS_DBLCLKS);

  EXPECT_EQ(SendMessageA(h, kSelect, 3 | 0x80000000u, 7), 1);
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(32775, 0), 0);
  EXPECT_EQ(w.menuCommand, 32775);
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(32782, 0), 0);  // outside the range
  EXPECT_EQ(w.menuCommand, 32775);
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(221, EN_CHANGE), reinterpret_cast<LPARAM>(h));
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(221, EN_KILLFOCUS), reinterpret_cast<LPARAM>(h));
  // Not in the table: the class's own procedure answers.
  EXPECT_EQ(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0), 11);

  DestroyWindow(h);
  EXPECT_EQ(w.GetSafeHwnd(), nullptr);
  EXPECT_EQ(w.seen, (std::vector<std::string>{"create:CliWatchWnd", "select:2147483651,7", "edit",
                                              "destroy", "ncdestroy"}));
}

TEST_F(WindowTest, FailedCreationLeavesNoWindowAndExceptionsStopAtTheProcedure) {
  TableWnd refused;
  refused.failCreate = true;
  EXPECT_FALSE(refused.CreateChild(parent_, 1, "x", 0, RECT{}));
  EXPECT_EQ(refused.GetSafeHwnd(), nullptr);

  std::string logged;
  static std::string* sink;
  sink = &logged;
  fw::SetFailureLogger(
      [](const char* where, const char* what) { *sink = std::string(where) + ": " + what; });
  TableWnd w;
  ASSERT_TRUE(w.CreateChild(parent_, 2, "y", 0, RECT{}));
  EXPECT_EQ(SendMessageA(w.GetSafeHwnd(), kThrow, 0, 0), 0);
  EXPECT_EQ(logged, "window procedure: handler failed");
  fw::SetFailureLogger(nullptr);
  // The window still works.
  EXPECT_EQ(SendMessageA(w.GetSafeHwnd(), kSelect, 1, 2), 1);
}

TEST_F(WindowTest, DestroyingTheObjectDestroysItsWindow) {
  HWND h = nullptr;
  {
    TableWnd w;
    ASSERT_TRUE(w.CreateChild(parent_, 3, "z", 0, RECT{}));
    h = w.GetSafeHwnd();
  }
  EXPECT_FALSE(IsWindow(h));
}

// A hidden helper window on the static class, as the discovery control's notify window.
class NotifyWnd : public fw::CStatic {
 public:
  int custom = 0;
  int timers = 0;
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == 2135) ++custom;  // seen, then the default procedure runs as well
    return CStatic::WindowProc(msg, w, l);
  }

 protected:
  void OnTimer(UINT_PTR id) override {
    if (id == 1234) ++timers;
  }
};

TEST_F(WindowTest, StaticWrapperKeepsTheStaticBehaviourUnderItsOverrides) {
  NotifyWnd w;
  ASSERT_TRUE(w.Create("", WS_CHILD, RECT{}, GetDesktopWindow(), 0xFFFF));
  char cls[32] = {};
  GetClassNameA(w.GetSafeHwnd(), cls, sizeof cls);
  EXPECT_EQ(lstrcmpiA(cls, "Static"), 0);
  EXPECT_FALSE(IsWindowVisible(w.GetSafeHwnd()));
  SendMessageA(w.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
  EXPECT_EQ(SendMessageA(w.GetSafeHwnd(), WM_GETTEXTLENGTH, 0, 0), 3);
  EXPECT_TRUE(w.Post(2135));
  EXPECT_NE(w.SetTimer(1234, 10), 0u);
  const DWORD start = GetTickCount();
  MSG msg;
  while ((w.custom == 0 || w.timers == 0) && GetTickCount() - start < 5000) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  EXPECT_EQ(w.custom, 1);
  EXPECT_GE(w.timers, 1);
}

// A self-owned object whose handler drops the last reference to it.
class SelfOwned : public fw::CWnd {
 public:
  explicit SelfOwned(bool* deleted) : deleted_(deleted) {}
  ~SelfOwned() override { *deleted_ = true; }

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override {
    if (msg == WM_APP) {
      DestroyWindow();
      DeleteWhenIdle();
      *result = *deleted_ ? -1 : 5;  // still alive here
      return true;
    }
    return CWnd::OnWndMsg(msg, w, l, result);
  }

 private:
  bool* deleted_;
};

// A window whose handler hands control away (a popup menu, a dialog) and its owner
// deletes it meanwhile.
class HandingAwayWnd : public fw::CWnd {
 public:
  HandingAwayWnd(bool* deleted, std::function<void()> away)
      : deleted_(deleted), away_(std::move(away)) {}
  ~HandingAwayWnd() override { *deleted_ = true; }
  // What the handler found when control came back; read before the object goes.
  bool* deletedWhenBack = nullptr;
  bool* windowWhenBack = nullptr;

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override {
    if (msg != WM_APP) return CWnd::OnWndMsg(msg, w, l, result);
    const auto away = away_;
    bool* const deletedWhenBackOut = deletedWhenBack;
    bool* const windowWhenBackOut = windowWhenBack;
    away();
    if (!windowWhenBackOut) return true;  // a plain delete: nothing of the object is left
    *deletedWhenBackOut = *deleted_;
    *windowWhenBackOut = GetSafeHwnd() != nullptr;
    *result = 7;
    return true;
  }

 private:
  bool* deleted_;
  std::function<void()> away_;
};

TEST_F(WindowTest, OwnerDeletingAWindowInsideItsOwnMessageDestroysItNowAndDeletesItAfter) {
  bool deleted = false, deletedWhenBack = true, windowWhenBack = true, windowInside = true;
  fw::WndPtr<HandingAwayWnd> owned;
  HWND h = nullptr;
  owned = fw::MakeWnd<HandingAwayWnd>(&deleted, [&] {
    owned.reset();
    windowInside = IsWindow(h) != FALSE;
  });
  owned->deletedWhenBack = &deletedWhenBack;
  owned->windowWhenBack = &windowWhenBack;
  ASSERT_TRUE(owned->CreateChild(parent_, 5, "", 0, RECT{}));
  h = owned->GetSafeHwnd();
  EXPECT_EQ(SendMessageA(h, WM_APP, 0, 0), 7);
  EXPECT_FALSE(windowInside) << "the window goes at once";
  EXPECT_FALSE(deletedWhenBack) << "the object waits for its handler";
  EXPECT_FALSE(windowWhenBack);
  EXPECT_TRUE(deleted);

  // Outside its messages the owner's delete is immediate.
  deleted = false;
  owned = fw::MakeWnd<HandingAwayWnd>(&deleted, [] {});
  ASSERT_TRUE(owned->CreateChild(parent_, 6, "", 0, RECT{}));
  h = owned->GetSafeHwnd();
  owned.reset();
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowTest, PlainDeleteInsideItsOwnMessageIsReportedAndNotTouchedAfter) {
  std::string logged;
  static std::string* sink;
  sink = &logged;
  fw::SetFailureLogger(
      [](const char* where, const char* what) { *sink = std::string(where) + ": " + what; });
  bool deleted = false;
  HandingAwayWnd* raw = nullptr;
  raw = new HandingAwayWnd(&deleted, [&] { delete raw; });
  ASSERT_TRUE(raw->CreateChild(parent_, 7, "", 0, RECT{}));
  HWND h = raw->GetSafeHwnd();
  SendMessageA(h, WM_APP, 0, 0);
  fw::SetFailureLogger(nullptr);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(logged, "CWnd: deleted while handling one of its own messages");
}

TEST_F(WindowTest, DeleteWhenIdleWaitsForTheHandlerToReturn) {
  bool deleted = false;
  auto* w = new SelfOwned(&deleted);
  ASSERT_TRUE(w->CreateChild(parent_, 4, "", 0, RECT{}));
  HWND h = w->GetSafeHwnd();
  EXPECT_EQ(SendMessageA(h, WM_APP, 0, 0), 5);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
