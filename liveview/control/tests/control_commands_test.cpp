// The camera windows' context menu, its keys, ExecCmd and the pan/tilt click, against
// simulated cameras: the items' states, the grid sizes, Exit and the about box, Close and
// Delete with their boxes, the commands as the cameras received them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "liveview/cameras/camera_info.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/resources/tessaly_resource.h"
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

namespace {

using tessaly_test::kFireDelCam;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireSplitterMethod;
using tessaly_test::AllStreamsClosed;
using camsim::RequestKind;
using tessaly_test::CameraWindows;
using test_container::CallArgs;
using test_container::CallByName;
using test_container::PumpFor;
using test_container::PumpUntil;

constexpr DWORD kWaitMs = 10000;

// The action of each command request a camera received ("cam_mv&diretion=cam_up", ...),
// with when it arrived.
struct Command {
  std::string action;
  camsim::Clock::time_point received;
};

std::vector<Command> Commands(camsim::HttpCamera& camera) {
  std::vector<Command> out;
  for (const auto& r : camera.Log().Requests()) {
    if (r.kind != RequestKind::Command) continue;
    const std::string& target = r.request.target;
    const size_t at = target.find("action=");
    out.push_back({at == std::string::npos ? target : target.substr(at + 7), r.received});
  }
  return out;
}

std::vector<std::string> Actions(camsim::HttpCamera& camera) {
  std::vector<std::string> out;
  for (const auto& c : Commands(camera)) out.push_back(c.action);
  return out;
}

// What a menu item shows after WM_INITMENUPOPUP.
struct ItemState {
  bool enabled = false;
  bool radio = false;
  bool checked = false;
};

ItemState StateOf(HMENU menu, UINT id) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  EXPECT_TRUE(GetMenuItemInfoA(menu, id, FALSE, &info)) << id;
  return {!(info.fState & MFS_GRAYED), (info.fType & MFT_RADIOCHECK) != 0,
          (info.fState & MFS_CHECKED) != 0};
}

class ControlCommands : public tessaly_test::HostedTessaly {
 protected:
  // `count` simulated cameras at 15 frames a second in windows 0 to count - 1, streamed from
  // the start.
  void StartCameras(int count, int autoInvite = 1) {
    std::vector<Placed> placed;
    for (int i = 0; i < count; ++i) {
      Placed p{i, {}};
      p.config.fps = 15;
      placed.push_back(p);
    }
    tessaly_test::IniSettings ini;
    ini.autoInvite = autoInvite;
    ini.splitter = 2;
    WriteCameras(placed, ini);
  }

  long ExecCmd(const std::string& text, long code) {
    return Call("ExecCmd", [&](CallArgs& a) { a.Text(text).Long(code).OutLong(7); });
  }

  // The host has heard frames (state 2) of camera i.
  bool Streaming(int i) { return HeardState(i, 2); }

  void MenuCommand(UINT id) { SendMessageA(host.ControlWindow(), WM_COMMAND, id, 0); }

  // The menu as the control sets it up for a popup: the main popup, then its submenu.
  struct Menu {
    HMENU menu = nullptr;
    HMENU popup = nullptr;
    HMENU grid = nullptr;
    ~Menu() {
      if (menu) DestroyMenu(menu);
    }
  };
  std::unique_ptr<Menu> InitMenu() {
    auto m = std::make_unique<Menu>();
    m->menu = LoadMenuA(GetModuleHandleA("Tessaly.ocx"), MAKEINTRESOURCEA(IDR_WATCHWND_MENU));
    EXPECT_NE(m->menu, nullptr);
    m->popup = GetSubMenu(m->menu, 0);
    m->grid = GetSubMenu(m->popup, 6);
    EXPECT_NE(m->grid, nullptr);
    SendMessageA(host.ControlWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m->popup), 0);
    SendMessageA(host.ControlWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m->grid), 6);
    return m;
  }
};

TEST_F(ControlCommands, TheItemsAreEnabledByTheSelectedCameraAndTheGridSizeCarriesTheMark) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(Streaming(0));
  ASSERT_TRUE(Streaming(1));
  struct Case {
    const char* name;
    int select;  // -1: nothing selected yet
    bool open, close, del;
  };
  const Case cases[] = {
      {"no selection", -1, false, false, false},
      {"a streaming camera", 0, false, true, true},
      {"a camera not streaming", 1, true, false, true},
      {"a window without a camera", 2, false, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    if (k.select >= 0) {
      ASSERT_EQ(Select(k.select), 1);
    }
    if (k.select == 1 && !AllStreamsClosed(*cameras[1])) {
      MenuCommand(ID_CAM_CLOSE);
      ASSERT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[1]); }, kWaitMs));
    }
    auto m = InitMenu();
    EXPECT_EQ(StateOf(m->popup, ID_CAM_OPEN).enabled, k.open);
    EXPECT_EQ(StateOf(m->popup, ID_CAM_MODIFY).enabled, k.open);
    EXPECT_EQ(StateOf(m->popup, ID_CAM_CLOSE).enabled, k.close);
    EXPECT_EQ(StateOf(m->popup, ID_CAM_DELETE).enabled, k.del);
    for (UINT id : {ID_CAM_ADD_DEL, ID_CTRL_EXIT, ID_CHANGE_POSITION, ID_OTHER_SETTINGS}) {
      EXPECT_TRUE(StateOf(m->popup, id).enabled) << id;
    }
    if (k.select < 0) {
      // The size of the settings (2) carries the mark.
      for (UINT id = ID_SPLIT_1X1; id <= ID_SPLIT_4X4; ++id) {
        const ItemState s = StateOf(m->grid, id);
        EXPECT_TRUE(s.enabled && s.radio) << id;
        EXPECT_EQ(s.checked, id == ID_SPLIT_2X2) << id;
      }
    }
  }
  ASSERT_EQ(Splitter(3), 1);
  auto m = InitMenu();
  for (UINT id = ID_SPLIT_1X1; id <= ID_SPLIT_4X4; ++id) {
    EXPECT_EQ(StateOf(m->grid, id).checked, id == ID_SPLIT_3X3) << id;
  }
}

// A real right click on the selected streaming camera, then Down, Down, Enter: Close.
TEST_F(ControlCommands, ARightClickAndTheKeysChooseClose) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(Streaming(0));
  ASSERT_EQ(Select(0), 1);
  events->Clear();
  test_container::ModalScript script;
  HWND menu = nullptr;
  script.Then("the menu is open", [&] {
    return (menu = test_container::OpenPopupMenuOfThisThread()) != nullptr;
  });
  script.Then("Down, Down, Enter", [&] {
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
    return true;
  });
  script.Start();
  const auto windows = CameraWindows(host.ControlWindow());
  ASSERT_EQ(windows.size(), 16u);
  PostMessageA(windows[0], WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 30));
  PostMessageA(windows[0], WM_RBUTTONUP, 0, MAKELPARAM(30, 30));
  ASSERT_TRUE(PumpUntil([&] { return script.Finished() && events->Count(kFireReConnect) > 0; },
                        kWaitMs));
  EXPECT_EQ(events->Last(kFireReConnect)->TextArg(0), WideText(0));
  EXPECT_EQ(events->Last(kFireReConnect)->LongArg(1), 0);
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[0]); }, kWaitMs));
}

TEST_F(ControlCommands, GridSizesExitAndTheAboutBox) {
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  ASSERT_EQ(windows.size(), 16u);
  MenuCommand(ID_SPLIT_2X2);
  PumpFor(50);
  EXPECT_EQ(events->Count(kFireSplitterMethod), 0u);
  MenuCommand(ID_SPLIT_3X3);
  ASSERT_EQ(events->Count(kFireSplitterMethod), 1u);
  EXPECT_EQ(events->Last(kFireSplitterMethod)->LongArg(0), 3);
  EXPECT_TRUE(IsWindowVisible(windows[8]));
  EXPECT_FALSE(IsWindowVisible(windows[9]));
  RECT r{};
  GetWindowRect(windows[0], &r);
  EXPECT_EQ(r.right - r.left, (642 - 2) / 3 - 2);

  // Exit leaves WM_QUIT (0) for the host's loop; taken out here before anything pumps.
  MenuCommand(ID_CTRL_EXIT);
  MSG quit{};
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);

  test_container::ModalScript script;
  script.Then("the about box", [&] {
    HWND about = test_container::FindThreadDialog("About Tessaly");
    if (!about) return false;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    return true;
  });
  script.Start();
  MenuCommand(ID_APP_ABOUT_CTRL);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(IsWindow(host.ControlWindow()));
}

TEST_F(ControlCommands, CloseFromTheMenuAndCtrlCStopsTheCameraAndReportsState0) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(Streaming(0));
  ASSERT_TRUE(Streaming(1));
  ASSERT_EQ(Select(0), 1);
  events->Clear();
  MenuCommand(ID_CAM_CLOSE);
  ASSERT_EQ(events->Count(kFireReConnect), 1u);
  EXPECT_EQ(events->Last(kFireReConnect)->TextArg(0), WideText(0));
  EXPECT_EQ(events->Last(kFireReConnect)->LongArg(1), 0);
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[0]); }, kWaitMs));
  EXPECT_FALSE(AllStreamsClosed(*cameras[1]));

  // Ctrl+C released in the selected camera's window.
  const auto windows = CameraWindows(host.ControlWindow());
  ASSERT_EQ(Select(1), 1);
  events->Clear();
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE control = keys[VK_CONTROL];
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(windows[1], WM_KEYUP, 'C', 0xC0000001);
  keys[VK_CONTROL] = control;
  SetKeyboardState(keys);
  ASSERT_TRUE(PumpUntil([&] { return events->Count(kFireReConnect) > 0; }, kWaitMs));
  EXPECT_EQ(events->Last(kFireReConnect)->TextArg(0), WideText(1));
  EXPECT_EQ(events->Last(kFireReConnect)->LongArg(1), 0);
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[1]); }, kWaitMs));
  // Each camera: one home command, from its stop.
  for (auto& c : cameras) {
    EXPECT_TRUE(c->Log().WaitForRequests(RequestKind::Command, 1, std::chrono::milliseconds(kWaitMs)));
  }
  PumpFor(300);
  EXPECT_EQ(Actions(*cameras[0]), std::vector<std::string>{"cam_mv&diretion=cam_home"});
  EXPECT_EQ(Actions(*cameras[1]), std::vector<std::string>{"cam_mv&diretion=cam_home"});
}

TEST_F(ControlCommands, DeleteAsksAndOnOkSendsOneHomeCommandAndClearsTheCamera) {
  StartCameras(2);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(Streaming(1));
  ASSERT_EQ(Select(1), 1);
  // The boxes come from the module's own framework: answered on the display.
  std::vector<std::string> boxes;
  int answer = IDCANCEL;
  const auto answerBox = [&](test_container::ModalScript& script) {
    script.Then("the box", [&] {
      HWND box = test_container::FindThreadDialog("Confirm");
      if (!box) return false;
      boxes.push_back(test_container::DialogStaticTexts(box));
      PostMessageA(box, WM_COMMAND, answer, 0);
      return true;
    });
    script.Start();
  };
  liveview::CameraInfo deleted{};
  events->SetHook([&](DISPID id, DISPPARAMS* p) {
    // FireDelCam (pCammera): the block is valid during the event only.
    if (id == kFireDelCam && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I4)) {
      deleted = *reinterpret_cast<const liveview::CameraInfo*>(p->rgvarg[0].plVal);
    }
  });

  // The Delete key does nothing; Cancel changes nothing.
  const auto windows = CameraWindows(host.ControlWindow());
  PostMessageA(windows[1], WM_KEYUP, VK_DELETE, 0xC0000001);
  PumpFor(200);
  EXPECT_EQ(test_container::FindThreadDialog("Confirm"), nullptr);
  {
    test_container::ModalScript script;
    answerBox(script);
    MenuCommand(ID_CAM_DELETE);
    EXPECT_TRUE(script.Finished());
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Do You Really Want to Delete the Camera?");
  PumpFor(300);
  EXPECT_EQ(events->Count(kFireDelCam), 0u);
  EXPECT_TRUE(Actions(*cameras[1]).empty());
  EXPECT_FALSE(AllStreamsClosed(*cameras[1]));
  EXPECT_EQ(ExecCmd(Text(1), 16), 1) << "still streaming";

  answer = IDOK;
  {
    test_container::ModalScript script;
    answerBox(script);
    MenuCommand(ID_CAM_DELETE);
    EXPECT_TRUE(script.Finished());
  }
  ASSERT_EQ(boxes.size(), 2u);
  ASSERT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_STREQ(deleted.domainName, "127.0.0.1");
  EXPECT_EQ(deleted.port, cameras[1]->Port());
  EXPECT_EQ(deleted.index, 1);
  EXPECT_STREQ(deleted.nick, "Cam1");
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[1]); }, kWaitMs));
  PumpFor(500);
  // The home command before the unbinding; the stop's own went to an unbound window.
  EXPECT_EQ(Actions(*cameras[1]), (std::vector<std::string>{
                                      "resolution_chg&CamInfo_Resolution=640x480",
                                      "cam_mv&diretion=cam_home"}));
  EXPECT_EQ(ExecCmd(Text(1), 16), 0) << "no such camera";
  // The record is gone: nothing to delete, close or open.
  auto m = InitMenu();
  EXPECT_FALSE(StateOf(m->popup, ID_CAM_DELETE).enabled);
  {
    test_container::ModalScript script;
    answerBox(script);
    MenuCommand(ID_CAM_DELETE);
    EXPECT_FALSE(script.Finished()) << "a box for a window without a camera";
  }
  events->SetHook(nullptr);
  tessaly_test::ClearSettings();
  host.Close();
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "CLI_COUNT"), "1");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "PORT_1"), std::to_string(cameras[0]->Port()));
}

TEST_F(ControlCommands, ExecCmdRecordsAndSendsOnlyForAStreamingCamera) {
  StartCameras(2, 0);
  ASSERT_EQ(Host(), S_OK);
  // Configured, not streaming.
  EXPECT_EQ(ExecCmd(Text(0), 2), 0);
  EXPECT_EQ(ExecCmd("nowhere:80", 2), 0);
  PumpFor(300);
  EXPECT_TRUE(Actions(*cameras[0]).empty());
  host.Close();
  events.Reset();

  // The same cameras, now opened at start-up.
  tessaly_test::IniSettings ini;
  ini.autoInvite = 1;
  ini.splitter = 2;
  for (int i = 0; i < 2; ++i) {
    ini.cameras.push_back({i, "127.0.0.1", cameras[i]->Port() + 0, "admin", "admin", ""});
  }
  tessaly_test::WriteSettings(ini);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(Streaming(0));
  const long codes[] = {14, 14, 15, 8, 12, 65536 + 7, 19, -1, 3};
  for (long code : codes) EXPECT_EQ(ExecCmd(Text(0), code), 1) << code;
  ASSERT_TRUE(PumpUntil([&] { return Actions(*cameras[0]).size() >= 6; }, kWaitMs));
  PumpFor(300);
  // Each on its own thread: arrival order is not sending order.
  std::vector<std::string> got = Actions(*cameras[0]);
  std::sort(got.begin(), got.end());
  const std::vector<std::string> sent = {
      "cam_mv&diretion=cam_down",
      "compress_chg&CamInfo_Compression=60",
      "contrast_chg&CamInfo_Contrast=std",
      "pan_scan",
      "tilt_scan",
      "tilt_scan",
  };
  EXPECT_EQ(got, sent);
  tessaly_test::ClearSettings();
  host.Close();
  events.Reset();
  // Code 8 is stored in the brightness field, 65536 + 7 nowhere; the tilt scan flipped back.
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "BRIGHT_1"), "8");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "CONTRAST_1"), "0");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "QUALITY_1"), "12");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "TILTSCAN_1"), "0");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "SPANSCAN_1"), "1");
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "BRIGHT_2"), "0");
}

// The command requests as the camera received them, bytes and all.
TEST_F(ControlCommands, ExecCmdSendsTheRequestWithBothCredentialForms) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_TRUE(Streaming(0));
  ASSERT_EQ(ExecCmd(Text(0), 5), 1);
  ASSERT_TRUE(cameras[0]->Log().WaitForRequests(RequestKind::Command, 1,
                                                std::chrono::milliseconds(kWaitMs)));
  const auto requests = cameras[0]->Log().Requests();
  const auto it = std::find_if(requests.begin(), requests.end(),
                               [](const auto& r) { return r.kind == RequestKind::Command; });
  ASSERT_NE(it, requests.end());
  EXPECT_EQ(it->block,
            "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=add HTTP/1.1\r\n"
            "Authorization: Basic YWRtaW46YWRtaW4=\r\n"
            "Credentials:admin:admin\r\n\r\n");
}

TEST_F(ControlCommands, AClickInABorderZoneOfTheSelectedCameraPansAndTilts) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);  // windows of 318 x 238: box 190 x 142 at (64, 48)
  ASSERT_TRUE(Streaming(0));
  ASSERT_EQ(Select(0), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  ASSERT_EQ(windows.size(), 16u);

  PostMessageA(windows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 5));
  ASSERT_TRUE(PumpUntil([&] { return Commands(*cameras[0]).size() >= 2; }, kWaitMs));
  auto got = Commands(*cameras[0]);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].action, "cam_mv&diretion=cam_up");
  EXPECT_EQ(got[1].action, "cam_mv&diretion=cam_right");
  const auto apart =
      std::chrono::duration_cast<std::chrono::milliseconds>(got[1].received - got[0].received);
  EXPECT_GE(apart.count(), 380);
  EXPECT_LT(apart.count(), 1000);
  PumpFor(500);
  cameras[0]->Log().Clear();

  // The centre box, a double click (its select is sent, not posted: no pan/tilt).
  PostMessageA(windows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(159, 119));
  PostMessageA(windows[0], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(windows[0], WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  PumpFor(700);
  EXPECT_TRUE(Commands(*cameras[0]).empty());

  // A window of 20 x 20.
  host.Resize(24, 24);
  ASSERT_EQ(Splitter(1), 1);
  RECT client{};
  GetClientRect(windows[0], &client);
  ASSERT_EQ(client.right, 20);
  ASSERT_EQ(client.bottom, 20);
  PostMessageA(windows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  PumpFor(700);
  EXPECT_TRUE(Commands(*cameras[0]).empty());
}

TEST_F(ControlCommands, AControlReleasedDuringTheClicksWaitEndsTheClick) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(Streaming(0));
  ASSERT_EQ(Select(0), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  HWND control = host.ControlWindow();
  test_container::ModalScript script;
  script.Then("up arrived", [&] { return !Commands(*cameras[0]).empty(); });
  script.Then("release the control", [&] {
    events->Disconnect();
    events.Reset();
    host.Close();
    return true;
  });
  script.Start(10);
  PostMessageA(windows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));  // up, then left
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  PumpFor(1000);
  EXPECT_FALSE(IsWindow(control));
  const auto got = Actions(*cameras[0]);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0], "cam_mv&diretion=cam_up");
  EXPECT_EQ(std::count(got.begin(), got.end(), "cam_mv&diretion=cam_left"), 0);
}

TEST_F(ControlCommands, ACameraClosedDuringTheClicksWaitEndsTheClick) {
  StartCameras(1);
  ASSERT_EQ(Host(), S_OK);
  ASSERT_EQ(Splitter(2), 1);
  ASSERT_TRUE(Streaming(0));
  ASSERT_EQ(Select(0), 1);
  const auto windows = CameraWindows(host.ControlWindow());
  test_container::ModalScript script;
  script.Then("up arrived", [&] { return !Commands(*cameras[0]).empty(); });
  script.Then("close the camera", [&] {
    PostMessageA(host.ControlWindow(), WM_COMMAND, ID_CAM_CLOSE, 0);
    return true;
  });
  script.Start(10);
  PostMessageA(windows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(310, 230));  // down, right
  ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, kWaitMs));
  ASSERT_TRUE(PumpUntil([&] { return AllStreamsClosed(*cameras[0]); }, kWaitMs));
  PumpFor(1000);
  EXPECT_EQ(Actions(*cameras[0]),
            (std::vector<std::string>{"cam_mv&diretion=cam_down", "cam_mv&diretion=cam_home"}));
}

}  // namespace
