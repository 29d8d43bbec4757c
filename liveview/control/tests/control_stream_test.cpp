// The control with simulated cameras: what it opens at start-up, a camera that refuses the
// password, pictures in their cells, destruction, deactivation and activation again, and a
// release while a camera window's menu is open.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "liveview/control/tests/camera_activity.h"
#include "simulator/http_camera.h"
#include "hosted_tessaly.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/popup_menu.h"
#include "testing/container/window_capture.h"

namespace {

using tessaly_test::kFireReConnect;
using tessaly_test::HomeCommands;
using tessaly_test::AllStreamsClosed;
using tessaly_test::CameraWindows;
using camsim::RequestKind;
using test_container::PumpUntil;

constexpr DWORD kWaitMs = 10000;

// Connections that asked for the stream, answered or refused.
size_t StreamConnections(camsim::HttpCamera& camera) {
  std::vector<uint32_t> ids;
  for (const auto& r : camera.Log().Requests()) {
    if (r.kind == RequestKind::Stream) ids.push_back(r.connection);
  }
  std::sort(ids.begin(), ids.end());
  return static_cast<size_t>(std::unique(ids.begin(), ids.end()) - ids.begin());
}

class ControlStreams : public tessaly_test::HostedTessaly {
 protected:
  // `count` simulated cameras, configured in windows 0 to count - 1.
  void StartCameras(int count, int autoInvite, const std::string& password = "admin",
                    int reconnect = 0) {
    tessaly_test::IniSettings ini;
    ini.autoInvite = autoInvite;
    ini.reconnect = reconnect;
    ini.splitter = 2;
    for (int i = 0; i < count; ++i) {
      camsim::CameraConfig config;
      config.name = "Cam" + std::to_string(i);
      config.fps = 15;
      cameras.push_back(std::make_unique<camsim::HttpCamera>(config));
      ASSERT_TRUE(cameras.back()->Start());
      ini.cameras.push_back({i, "127.0.0.1", cameras.back()->Port() + 0, "admin", password,
                             "Cam" + std::to_string(i)});
    }
    tessaly_test::WriteSettings(ini);
  }

  bool FramesEverywhere(uint64_t frames) {
    return PumpUntil(
        [&] {
          return std::all_of(cameras.begin(), cameras.end(),
                             [&](const auto& c) { return c->Log().FramesSent() >= frames; });
        },
        kWaitMs);
  }

  // Frames the host has heard of (state 2) from `camera`: each one decoded and drawn first.
  size_t FramesHeard(const camsim::HttpCamera& camera) {
    const std::wstring text = L"127.0.0.1:" + std::to_wstring(camera.Port());
    size_t count = 0;
    for (const auto& e : events->Events()) {
      if (e.id == kFireReConnect && e.TextArg(0) == text && e.LongArg(1) == 2) ++count;
    }
    return count;
  }
  // A camera sends far ahead of a slow client (the socket takes many frames): wait for what
  // the host heard, not for what the cameras sent.
  bool FramesHeardEverywhere(size_t frames) {
    return PumpUntil(
        [&] {
          return std::all_of(cameras.begin(), cameras.end(),
                             [&](const auto& c) { return FramesHeard(*c) >= frames; });
        },
        kWaitMs);
  }

};

TEST_F(ControlStreams, AutoInviteStreamsEveryConfiguredCameraIntoItsCell) {
  StartCameras(4, 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(FramesEverywhere(20));
  ASSERT_TRUE(FramesHeardEverywhere(3));
  test_container::PumpFor(300);
  auto image = test_container::CaptureWindow(host.ControlWindow());
  ASSERT_TRUE(image.has_value());
  // Cells of 318 x 238 at (2, 2), (322, 2), (2, 242), (322, 242): colour bars, not the
  // idle view's black.
  const RECT cells[] = {{2, 2, 320, 240}, {322, 2, 640, 240}, {2, 242, 320, 480}, {322, 242, 640, 480}};
  for (const RECT& cell : cells) {
    EXPECT_LT(image->ShareOf(RGB(0, 0, 0), cell, 16), 0.5) << cell.left << "," << cell.top;
  }

  // The grid repaints without touching the pictures (WS_CLIPCHILDREN).
  RedrawWindow(host.ControlWindow(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ERASENOW);
  auto after = test_container::CaptureWindow(host.ControlWindow());
  ASSERT_TRUE(after.has_value());
  for (const RECT& cell : cells) {
    EXPECT_LT(after->ShareOf(RGB(0, 0, 0), cell, 16), 0.5) << cell.left << "," << cell.top;
  }
  EXPECT_GT(after->ShareOf(RGB(50, 50, 50), RECT{10, 0, 300, 2}), 0.9);

  // The control window was registered before the first stream started: every camera's
  // first state reached the host, connecting (4), request sent (1), then frames (2).
  for (auto& c : cameras) {
    const std::wstring text = L"127.0.0.1:" + std::to_wstring(c->Port());
    std::vector<long> states;
    for (const auto& e : events->Events()) {
      if (e.id == kFireReConnect && e.TextArg(0) == text) states.push_back(e.LongArg(1));
    }
    ASSERT_GE(states.size(), 3u) << c->Config().name;
    EXPECT_EQ(states[0], 4) << c->Config().name;
    EXPECT_EQ(states[1], 1) << c->Config().name;
    EXPECT_EQ(states.back(), 2) << c->Config().name;
  }
}

TEST_F(ControlStreams, WithoutAutoInviteNothingIsOpened) {
  StartCameras(2, 0);
  ASSERT_EQ(Host(), S_OK);
  test_container::PumpFor(1000);
  for (auto& c : cameras) EXPECT_EQ(c->Log().Connections().size(), 0u);
}

TEST_F(ControlStreams, ACameraThatRefusesThePasswordIsStopped) {
  StartCameras(1, 1, "wrong", 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(PumpUntil(
      [&] {
        const auto* e = events->Last(kFireReConnect);
        return e && e->LongArg(1) == 5;
      },
      kWaitMs));
  EXPECT_EQ(events->Last(kFireReConnect)->TextArg(0),
            L"127.0.0.1:" + std::to_wstring(cameras[0]->Port()));
  // Stopped: the home command went out, and RECONNECT does not bring the stream back.
  ASSERT_TRUE(PumpUntil([&] { return HomeCommands(*cameras[0]) == 1; }, kWaitMs));
  test_container::PumpFor(2500);
  EXPECT_EQ(StreamConnections(*cameras[0]), 1u);
  EXPECT_TRUE(AllStreamsClosed(*cameras[0]));
}

TEST_F(ControlStreams, DestructionEndsEveryStreamSendsOneHomeCommandEachAndSavesTheSettings) {
  StartCameras(4, 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(FramesEverywhere(5));
  tessaly_test::ClearSettings();
  host.Close();
  events.Reset();
  for (auto& c : cameras) {
    SCOPED_TRACE(c->Config().name);
    EXPECT_TRUE(c->Log().WaitUntil(
        [](const camsim::Activity& a) {
          return std::none_of(a.connections.begin(), a.connections.end(), [](const auto& k) {
            return k.streaming && k.reason == camsim::CloseReason::Open;
          });
        },
        std::chrono::milliseconds(kWaitMs)));
    EXPECT_TRUE(c->Log().WaitForRequests(RequestKind::Command, 1, std::chrono::milliseconds(kWaitMs)));
  }
  Sleep(500);
  for (auto& c : cameras) {
    EXPECT_EQ(HomeCommands(*c), 1u) << c->Config().name;
    const uint64_t frames = c->Log().FramesSent();
    EXPECT_EQ(StreamConnections(*c), 1u);
    Sleep(100);
    EXPECT_EQ(c->Log().FramesSent(), frames) << "a stream still runs";
  }
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "CLI_COUNT"), "4");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "WND_4"), "3");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "PORT_4"), std::to_string(cameras[3]->Port()));
  EXPECT_EQ(tessaly_test::ReadSetting("GLOBAL", "AUTO_INVITE"), "1");
}

TEST_F(ControlStreams, DeactivatedAndActivatedAgainItStartsFromEmptyCellsAndStreamsAgain) {
  StartCameras(2, 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(FramesEverywhere(5));
  HWND first = host.ControlWindow();

  auto inPlace = host.As<IOleInPlaceObject>();
  ASSERT_TRUE(inPlace);
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(first));
  for (auto& c : cameras) {
    EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*c); }, kWaitMs)) << c->Config().name;
  }
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "CLI_COUNT"), "2");
  // What was saved is what the next window reads.
  WritePrivateProfileStringA("CLIINFO", "NICK_1", "Renamed", tessaly_test::SettingsPath().c_str());

  ASSERT_EQ(host.Activate(), S_OK);
  HWND second = host.ControlWindow();
  ASSERT_NE(second, nullptr);
  const auto windows = CameraWindows(second);
  ASSERT_EQ(windows.size(), 16u);
  RECT r{};
  GetWindowRect(windows[0], &r);
  EXPECT_EQ(r.right - r.left, 0) << "laid out before SetSplitterMethod";
  for (auto& c : cameras) {
    EXPECT_TRUE(PumpUntil([&] { return StreamConnections(*c) == 2; }, kWaitMs)) << c->Config().name;
  }
  const size_t before = FramesHeard(*cameras[0]);
  EXPECT_TRUE(PumpUntil([&] { return FramesHeard(*cameras[0]) > before + 2; }, kWaitMs));
  // Events still reach the host from the new window; nothing is selected yet.
  events->Clear();
  test_container::CallArgs select;
  select.Long(0).OutLong();
  ASSERT_EQ(test_container::CallByName(host.Dispatch().Get(), "SetDefaultWnd", select).hr, S_OK);
  ASSERT_EQ(events->Count(1), 1u);
  EXPECT_EQ(events->Last(1)->TextArg(4), L"Renamed");
  EXPECT_EQ(events->Last(1)->LongArg(5), 2) << "camera 0 streams";
  PostMessageA(second, WM_USER + 15, 1, 3);
  EXPECT_TRUE(PumpUntil([&] { return events->Count(kFireReConnect) >= 1; }, 3000));
}

TEST_F(ControlStreams, ReleasedWhileACameraWindowsMenuIsOpen) {
  StartCameras(1, 1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(FramesEverywhere(3));
  HWND control = host.ControlWindow();
  const auto windows = CameraWindows(control);
  ASSERT_EQ(windows.size(), 16u);
  test_container::ModalScript script;
  script.Then("the menu is open",
              [&] { return test_container::OpenPopupMenuOfThisThread() != nullptr; });
  script.Then("release the control", [&] {
    events->Disconnect();
    events.Reset();
    host.Close();
    return true;
  });
  script.Then("end the menu", [&] {
    EndMenu();
    return true;
  });
  script.Start();
  PostMessageA(windows[0], WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
  EXPECT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  test_container::PumpFor(200);
  EXPECT_FALSE(IsWindow(control));
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[0]); }, kWaitMs));
}

}  // namespace
