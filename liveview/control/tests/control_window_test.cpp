// The control in the test container: its camera windows and their layout, the grid and the
// selection frame on screen, the arrow keys, clicks and SetDefaultWnd, the about box, and
// the messages of camera windows and stream workers as events.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/notify/control_messages.h"
#include "simulator/http_camera.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/window_capture.h"

namespace {

using tessaly_test::kFireSelect;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireSnapSuccess;
using tessaly_test::kFireRecordStatus;
using tessaly_test::kFireCamEvent;
using tessaly_test::CameraWindows;
using liveview::WM_CAM_RECORD;
using liveview::WM_CAM_SNAPPED;
using liveview::WM_CAM_STATE;
using liveview::WM_WATCH_FULLWINDOW;
using liveview::WM_WATCH_SELECT;
using liveview::WM_WND_SWAPPED;
using test_container::CallArgs;
using test_container::CallByName;

constexpr COLORREF kGrid = RGB(50, 50, 50);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// The control hosted at a size, with a sink recording its events.
class Hosted {
 public:
  Hosted(int width, int height) {
    // Room for the whole control inside the container's client area.
    SetWindowPos(host.Window(), nullptr, 0, 0, width + 100, height + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
    created = host.Create(tessaly_test::kProgId, width, height);
    if (created == S_OK) {
      events = test_container::EventRecorder::Create(DIID__DTessalyEvents);
      events->Connect(host.Control());
    }
  }
  ~Hosted() {
    if (events) events->Disconnect();
  }
  IDispatch* Dispatch() {
    if (!dispatch) dispatch = host.Dispatch();
    return dispatch.Get();
  }
  long Call(const std::string& name, std::function<void(CallArgs&)> fill) {
    CallArgs args;
    fill(args);
    const auto r = CallByName(Dispatch(), name, args);
    EXPECT_EQ(r.hr, S_OK) << name;
    return args.LongAt(args.Count() - 1);
  }
  long Splitter(long n) {
    return Call("SetSplitterMethod", [n](CallArgs& a) { a.Long(n).OutLong(); });
  }
  long DefaultWnd(long n) {
    return Call("SetDefaultWnd", [n](CallArgs& a) { a.Long(n).OutLong(); });
  }
  HWND Window() const { return host.ControlWindow(); }
  // Waits for the count of event `id` to reach `count`.
  bool WaitEvents(DISPID id, size_t count, DWORD ms = 5000) {
    return test_container::PumpUntil([&] { return events->Count(id) >= count; }, ms);
  }

  test_container::ControlHost host;
  HRESULT created = E_FAIL;
  base::ComPtr<test_container::EventRecorder> events;
  base::ComPtr<IDispatch> dispatch;
};

RECT RectIn(HWND control, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class ControlWindow : public tessaly_test::RegisteredTessaly {};

TEST_F(ControlWindow, SixteenCameraWindowsStayEmptyUntilTheFirstLayout) {
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  ASSERT_NE(c.Window(), nullptr);
  EXPECT_TRUE(GetWindowLongA(c.Window(), GWL_STYLE) & WS_CLIPCHILDREN);
  const auto windows = CameraWindows(c.Window());
  ASSERT_EQ(windows.size(), 16u);
  for (int n = 0; n < 16; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(GetDlgCtrlID(windows[n]), 256 + n);
    char name[64] = {};
    GetWindowTextA(windows[n], name, sizeof(name));
    EXPECT_STREQ(name, "CliWatchWnd");
    const RECT r = RectIn(c.Window(), windows[n]);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
  }

  ASSERT_EQ(c.Splitter(4), 1);
  RECT first = RectIn(c.Window(), windows[0]);
  RECT last = RectIn(c.Window(), windows[15]);
  EXPECT_EQ(first.left, 2);
  EXPECT_EQ(first.top, 2);
  EXPECT_EQ(first.right - first.left, 158);
  EXPECT_EQ(first.bottom - first.top, 118);
  EXPECT_EQ(last.left, 482);
  EXPECT_EQ(last.top, 362);
  EXPECT_EQ(last.right - last.left, 158);
  EXPECT_EQ(last.bottom - last.top, 118);
  for (HWND w : windows) EXPECT_TRUE(IsWindowVisible(w));

  ASSERT_EQ(c.Splitter(2), 1);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(IsWindowVisible(windows[n]) != FALSE, n < 4) << n;
  // Outside 1 to 4 nothing changes.
  EXPECT_EQ(c.Splitter(0), 0);
  EXPECT_EQ(c.Splitter(5), 0);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(IsWindowVisible(windows[n]) != FALSE, n < 4) << n;
}

TEST_F(ControlWindow, TheRemainderOfTheDivisionGoesToTheLastRowAndColumn) {
  Hosted c(645, 485);
  ASSERT_EQ(c.created, S_OK);
  ASSERT_EQ(c.Splitter(3), 1);
  const auto windows = CameraWindows(c.Window());
  ASSERT_EQ(windows.size(), 16u);
  struct Case {
    int n;
    RECT expected;
  };
  const Case cases[] = {
      {0, {2, 2, 214, 161}},
      {2, {430, 2, 643, 161}},
      {6, {2, 324, 214, 483}},
      {8, {430, 324, 643, 483}},
  };
  for (const Case& k : cases) {
    const RECT r = RectIn(c.Window(), windows[k.n]);
    EXPECT_TRUE(EqualRect(&r, &k.expected))
        << k.n << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  // A new size lays nothing out by itself; the next layout uses it.
  c.host.Resize(322, 242);
  ASSERT_EQ(c.Splitter(2), 1);
  const RECT r = RectIn(c.Window(), windows[3]);
  EXPECT_EQ(r.left, 162);
  EXPECT_EQ(r.top, 122);
  EXPECT_EQ(r.right, 320);
  EXPECT_EQ(r.bottom, 240);
}

TEST_F(ControlWindow, GridLinesAndTheSelectionFrameAreDrawnButNotInFullWindowMode) {
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  ASSERT_EQ(c.Splitter(2), 1);
  test_container::PumpFor(100);
  auto image = test_container::CaptureWindow(c.Window());
  ASSERT_TRUE(image.has_value());
  // The gaps: above the first row, between the columns, at the right and bottom edges.
  EXPECT_GT(image->ShareOf(kGrid, RECT{10, 0, 300, 2}), 0.9);
  EXPECT_GT(image->ShareOf(kGrid, RECT{320, 10, 322, 230}), 0.9);
  EXPECT_GT(image->ShareOf(kGrid, RECT{640, 10, 642, 470}), 0.9);
  EXPECT_GT(image->ShareOf(kGrid, RECT{10, 480, 630, 482}), 0.9);
  EXPECT_EQ(image->ShareOf(kYellow, RECT{0, 0, 642, 482}), 0.0);

  ASSERT_EQ(c.DefaultWnd(3), 1);
  test_container::PumpFor(100);
  image = test_container::CaptureWindow(c.Window());
  ASSERT_TRUE(image.has_value());
  // Cell 3 is at (322, 242), 318 x 238: the frame runs one pixel outside it.
  EXPECT_GT(image->ShareOf(kYellow, RECT{330, 240, 630, 242}), 0.9);
  EXPECT_GT(image->ShareOf(kYellow, RECT{320, 250, 322, 470}), 0.9);
  EXPECT_GT(image->ShareOf(kYellow, RECT{330, 480, 630, 482}), 0.9);
  EXPECT_GT(image->ShareOf(kGrid, RECT{10, 240, 300, 242}), 0.9);  // cell 2's top

  // A double click makes window 1 cover the control: no grid and no frame show.
  const auto windows = CameraWindows(c.Window());
  PostMessageA(windows[1], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  test_container::PumpFor(200);
  const RECT full = RectIn(c.Window(), windows[1]);
  EXPECT_EQ(full.right - full.left, 642);
  EXPECT_EQ(full.bottom - full.top, 482);
  image = test_container::CaptureWindow(c.Window());
  ASSERT_TRUE(image.has_value());
  EXPECT_LT(image->ShareOf(kGrid, RECT{0, 0, 642, 482}, 2), 0.01);
  EXPECT_EQ(image->ShareOf(kYellow, RECT{0, 0, 642, 482}), 0.0);
  // Back to the grid.
  PostMessageA(windows[1], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  test_container::PumpFor(200);
  const RECT back = RectIn(c.Window(), windows[1]);
  EXPECT_EQ(back.left, 322);
  EXPECT_EQ(back.right - back.left, 318);
}

// Arrow keys released in a camera window select the neighbour, wrapping around.
TEST_F(ControlWindow, ArrowKeysSelectTheNeighbourAndNeverMoveACamera) {
  camsim::HttpCamera camera;
  ASSERT_TRUE(camera.Start());
  tessaly_test::IniSettings ini;
  ini.cameras.push_back({4, "127.0.0.1", camera.Port() + 0, "admin", "admin", ""});
  tessaly_test::WriteSettings(ini);
  Hosted c(645, 485);
  ASSERT_EQ(c.created, S_OK);
  const auto windows = CameraWindows(c.Window());
  struct Case {
    int n;
    int from;
    WPARAM key;
    int expected;
  };
  const Case cases[] = {
      {3, 4, VK_LEFT, 3}, {3, 4, VK_UP, 1},    {3, 4, VK_RIGHT, 5}, {3, 4, VK_DOWN, 7},
      {3, 0, VK_LEFT, 8}, {3, 0, VK_UP, 6},    {3, 8, VK_RIGHT, 0}, {3, 8, VK_DOWN, 2},
      {2, 9, VK_RIGHT, 0},  // outside the grid after N was made smaller
      {1, 0, VK_DOWN, 0},   // N = 1: the window itself, only FireSelect
      {1, 0, VK_LEFT, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "N = " << k.n << " from " << k.from << " key " << k.key);
    ASSERT_EQ(c.Splitter(k.n), 1);
    ASSERT_EQ(c.DefaultWnd(k.from), 1);
    const size_t before = c.events->Count(kFireSelect);
    PostMessageA(windows[k.from], WM_KEYUP, k.key, 0xC0000001);
    ASSERT_TRUE(c.WaitEvents(kFireSelect, before + 1));
    EXPECT_EQ(c.events->Last(kFireSelect)->LongArg(0), k.expected);
  }
  // Full-window mode: the arrows do nothing.
  ASSERT_EQ(c.Splitter(3), 1);
  ASSERT_EQ(c.DefaultWnd(4), 1);
  PostMessageA(windows[4], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  test_container::PumpFor(100);
  const size_t before = c.events->Count(kFireSelect);
  PostMessageA(windows[4], WM_KEYUP, VK_RIGHT, 0xC0000001);
  test_container::PumpFor(200);
  EXPECT_EQ(c.events->Count(kFireSelect), before);
  test_container::PumpFor(200);
  EXPECT_EQ(camera.Log().Snapshot().CountRequests(camsim::RequestKind::Command), 0u);
}

TEST_F(ControlWindow, AClickSelectsItsWindowAndSetDefaultWndSelectsWithoutACameraMove) {
  camsim::HttpCamera camera;
  ASSERT_TRUE(camera.Start());
  tessaly_test::IniSettings ini;
  ini.cameras.push_back({5, "127.0.0.1", camera.Port() + 0, "admin", "admin", "Hall"});
  tessaly_test::WriteSettings(ini);
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  ASSERT_EQ(c.Splitter(4), 1);
  const auto windows = CameraWindows(c.Window());
  PostMessageA(windows[5], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  PostMessageA(windows[5], WM_LBUTTONUP, 0, MAKELPARAM(10, 20));
  ASSERT_TRUE(c.WaitEvents(kFireSelect, 1));
  const auto* e = c.events->Last(kFireSelect);
  ASSERT_EQ(e->args.size(), 6u);
  EXPECT_EQ(e->LongArg(0), 5);
  EXPECT_EQ(e->TextArg(1), L"127.0.0.1");
  EXPECT_EQ(e->LongArg(2), camera.Port());
  EXPECT_EQ(e->TextArg(3), L"admin");
  EXPECT_EQ(e->TextArg(4), L"Hall");
  EXPECT_EQ(e->LongArg(5), 0);

  c.events->Clear();
  EXPECT_EQ(c.DefaultWnd(5), 1);
  EXPECT_EQ(c.DefaultWnd(5), 1);
  EXPECT_EQ(c.events->Count(kFireSelect), 2u);
  EXPECT_EQ(GetFocus(), windows[5]);
  EXPECT_EQ(c.DefaultWnd(16), 0);
  EXPECT_EQ(c.DefaultWnd(-1), 0);
  EXPECT_EQ(c.events->Count(kFireSelect), 2u);
  test_container::PumpFor(300);
  EXPECT_EQ(camera.Log().Snapshot().CountRequests(camsim::RequestKind::Command), 0u);
}

TEST_F(ControlWindow, SetFontColorAnswersWhetherItApplied) {
  Hosted c(200, 150);
  ASSERT_EQ(c.created, S_OK);
  const auto color = [&](long r, long g, long b) {
    return c.Call("SetFontColor", [=](CallArgs& a) { a.Long(r).Long(g).Long(b).OutLong(9); });
  };
  EXPECT_EQ(color(255, 0, 0), 1);
  EXPECT_EQ(color(0, 0, 0), 1);
  EXPECT_EQ(color(255, 0, 256), 0);
  EXPECT_EQ(color(-1, 0, 0), 0);
}

TEST_F(ControlWindow, AboutBoxIsCentredOnTheControlAndClosedByItsButton) {
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  test_container::ModalScript script;
  RECT dialogRect{};
  script.Then("the about box", [&] {
    HWND about = test_container::FindThreadDialog("About Tessaly");
    if (!about) return false;
    GetWindowRect(about, &dialogRect);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  CallArgs none;
  EXPECT_EQ(CallByName(c.Dispatch(), "AboutBox", none).hr, S_OK);
  EXPECT_TRUE(script.Finished());
  RECT control{};
  GetWindowRect(c.Window(), &control);
  EXPECT_NEAR((dialogRect.left + dialogRect.right) / 2, (control.left + control.right) / 2, 2);
  EXPECT_NEAR((dialogRect.top + dialogRect.bottom) / 2, (control.top + control.bottom) / 2, 2);
}

TEST_F(ControlWindow, PostedMessagesBecomeEventsAndIndexesAbove15AreIgnored) {
  tessaly_test::IniSettings ini;
  ini.cameras.push_back({2, "127.0.0.1", 5002, "admin", "admin", "Gate"});
  tessaly_test::WriteSettings(ini);
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  int swapped[2] = {-1, -1};
  c.events->SetHook([&](DISPID id, DISPPARAMS* p) {
    // FireCamEvent (cmd, lParam, lLength): the block behind lParam holds two ints.
    if (id == kFireCamEvent && p->cArgs == 3 && p->rgvarg[1].vt == (VT_BYREF | VT_I4)) {
      const int* block = reinterpret_cast<const int*>(p->rgvarg[1].plVal);
      swapped[0] = block[0];
      swapped[1] = block[1];
    }
  });
  struct Case {
    const char* name;
    UINT message;
    WPARAM w;
    LPARAM l;
    DISPID event;  // 0: none
  };
  const Case cases[] = {
      {"connect time-out (Wine never makes it)", WM_CAM_STATE, 2, 3, kFireReConnect},
      {"state of index 16", WM_CAM_STATE, 16, 3, 0},
      {"snapshot", WM_CAM_SNAPPED, 2, 0, kFireSnapSuccess},
      {"snapshot of index 16", WM_CAM_SNAPPED, 16, 0, 0},
      {"recording started", WM_CAM_RECORD, 2, 1, kFireRecordStatus},
      {"recording of index 16", WM_CAM_RECORD, 16, 1, 0},
      {"windows exchanged", WM_WND_SWAPPED, 3, 9, kFireCamEvent},
      {"select of window 16", WM_WATCH_SELECT, 16, 1, 0},
      {"full window of window 16", WM_WATCH_FULLWINDOW, 16, 1, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    c.events->Clear();
    ASSERT_TRUE(PostMessageA(c.Window(), k.message, k.w, k.l));
    if (k.event) {
      ASSERT_TRUE(c.WaitEvents(k.event, 1));
    } else {
      test_container::PumpFor(100);
    }
    EXPECT_EQ(c.events->Events().size(), k.event ? 1u : 0u);
  }
  // What the events carried.
  c.events->Clear();
  PostMessageA(c.Window(), WM_CAM_STATE, 2, 3);
  ASSERT_TRUE(c.WaitEvents(kFireReConnect, 1));
  EXPECT_EQ(c.events->Last(kFireReConnect)->TextArg(0), L"127.0.0.1:5002");
  EXPECT_EQ(c.events->Last(kFireReConnect)->LongArg(1), 3);
  PostMessageA(c.Window(), WM_CAM_RECORD, 2, 0);
  ASSERT_TRUE(c.WaitEvents(kFireRecordStatus, 1));
  EXPECT_EQ(c.events->Last(kFireRecordStatus)->TextArg(0), L"127.0.0.1:5002");
  EXPECT_EQ(c.events->Last(kFireRecordStatus)->LongArg(2), 0);
  PostMessageA(c.Window(), WM_WND_SWAPPED, 3, 9);
  ASSERT_TRUE(c.WaitEvents(kFireCamEvent, 1));
  const auto* swap = c.events->Last(kFireCamEvent);
  EXPECT_EQ(swap->LongArg(0), 1);
  EXPECT_EQ(swap->LongArg(2), 8);
  EXPECT_EQ(swapped[0], 3);
  EXPECT_EQ(swapped[1], 9);
  // The handlers' own answers for an index above 15.
  EXPECT_EQ(SendMessageA(c.Window(), WM_CAM_STATE, 16, 0), 0);
  EXPECT_EQ(SendMessageA(c.Window(), WM_WATCH_SELECT, 16, 0), 0);
  EXPECT_EQ(SendMessageA(c.Window(), WM_CAM_STATE, 2, 1), 1);
  EXPECT_EQ(SendMessageA(c.Window(), liveview::WM_CAM_VIDEOSIZE, 16, MAKELPARAM(240, 320)), 0);
}

// A sink that deactivates the control inside FireSelect: the click's handler stops there,
// and the control comes back whole.
TEST_F(ControlWindow, ASinkMayDeactivateTheControlInsideFireSelect) {
  Hosted c(642, 482);
  ASSERT_EQ(c.created, S_OK);
  ASSERT_EQ(c.Splitter(2), 1);
  HWND first = c.Window();
  const auto windows = CameraWindows(first);
  bool deactivated = false;
  c.events->SetHook([&](DISPID id, DISPPARAMS*) {
    if (id != kFireSelect || deactivated) return;
    deactivated = true;
    if (auto inPlace = c.host.As<IOleInPlaceObject>()) inPlace->InPlaceDeactivate();
  });
  PostMessageA(windows[2], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ASSERT_TRUE(c.WaitEvents(kFireSelect, 1));
  test_container::PumpFor(200);
  EXPECT_TRUE(deactivated);
  EXPECT_FALSE(IsWindow(first));
  // From a host call too.
  ASSERT_EQ(c.host.Activate(), S_OK);
  ASSERT_NE(c.Window(), nullptr);
  deactivated = false;
  EXPECT_EQ(c.DefaultWnd(1), 1);
  EXPECT_TRUE(deactivated);
  EXPECT_EQ(c.Window(), nullptr);
  c.events->SetHook(nullptr);
  ASSERT_EQ(c.host.Activate(), S_OK);
  ASSERT_EQ(c.Splitter(2), 1);
  EXPECT_EQ(CameraWindows(c.Window()).size(), 16u);
  EXPECT_EQ(c.DefaultWnd(1), 1);
  EXPECT_EQ(c.events->Last(kFireSelect)->LongArg(0), 1);
}

// Two controls in one process share the camera table: it stays while either lives.
TEST_F(ControlWindow, TheSecondControlKeepsTheCameraTableWhenTheFirstGoes) {
  tessaly_test::IniSettings ini;
  ini.cameras.push_back({1, "127.0.0.1", 5001, "admin", "admin", "Door"});
  tessaly_test::WriteSettings(ini);
  auto first = std::make_unique<Hosted>(300, 200);
  ASSERT_EQ(first->created, S_OK);
  Hosted second(300, 200);
  ASSERT_EQ(second.created, S_OK);
  first.reset();
  PostMessageA(second.Window(), WM_CAM_STATE, 1, 4);
  ASSERT_TRUE(second.WaitEvents(kFireReConnect, 1));
  EXPECT_EQ(second.events->Last(kFireReConnect)->TextArg(0), L"127.0.0.1:5001");
  EXPECT_EQ(second.Splitter(3), 1);
}

}  // namespace
