// Close, Ctrl+C, Delete and DeleteCamera refuse a camera that records. The control is served
// by this program itself (its class object registered for the process), so the test
// reaches the stream slot of the camera's window and starts the recording there, and takes
// the control's message boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_lock.h"
#include "framework/message_box.h"
#include "liveview/control/tessaly_classes.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"
#include "simulator/http_camera.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "tessaly_inproc.h"
#include "testing/container/child_process.h"
#include "testing/container/control_host.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"

namespace {

using tessaly_test::kFireDelCam;
using tessaly_test::kFireReConnect;
using tessaly_test::HomeCommands;
using tessaly_test::AllStreamsClosed;
using camsim::RequestKind;
using liveview::CThreadManager;
using liveview::StreamSlot;
using test_container::PumpFor;
using test_container::PumpUntil;

constexpr DWORD kWaitMs = 10000;

class RecordingRefusals : public ::testing::Test {
 protected:
  // The fixture's environment has initialised OLE by now.
  static void SetUpTestSuite() {
    served = tessaly_test::ServeInProcess();
  }
  static void TearDownTestSuite() {
    tessaly_test::StopServing();
  }

  void SetUp() override {
    ASSERT_TRUE(served);
    ASSERT_TRUE(camera.Start());
    tessaly_test::IniSettings ini;
    ini.autoInvite = 1;
    ini.splitter = 2;
    ini.cameras.push_back({0, "127.0.0.1", camera.Port() + 0, "admin", "admin", "Rec"});
    tessaly_test::WriteSettings(ini);
    control = tessaly_test::HostInProcess(host, &events);
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->GetSafeHwnd(), host.ControlWindow());
    ASSERT_TRUE(camera.Log().WaitForFrames(3, std::chrono::milliseconds(kWaitMs)));
    ASSERT_TRUE(PumpUntil([&] { return Slot() != nullptr; }, kWaitMs));
    long unused = 0;
    control->SetSplitterMethod(2, &unused);
    control->SetDefaultWnd(0, &unused);
    ASSERT_EQ(control->GetSelectedIndex(), 0);
    text = L"127.0.0.1:" + std::to_wstring(camera.Port());
    file = test_container::ExecutableFolder() + "log\\refusal.avi";
  }

  void TearDown() override {
    if (StreamSlot* slot = Slot()) {
      base::CScopedLock hold(slot->lock);
      liveview::StopRecording(slot->recording, slot->cameraIndex);
    }
    if (events) events->Disconnect();
    host.Close();
    DeleteFileA(file.c_str());
  }

  StreamSlot* Slot() { return CThreadManager::Instance()->SlotByWindow(0); }

  // Through the window's slot, as a host's recording would.
  void StartRecording() {
    StreamSlot* slot = Slot();
    ASSERT_NE(slot, nullptr);
    base::CScopedLock hold(slot->lock);
    ASSERT_TRUE(liveview::StartRecording(slot->recording, slot->cameraIndex, 320, 240, 0, 2000,
                                         file.c_str()));
  }
  void StopRecording() {
    StreamSlot* slot = Slot();
    ASSERT_NE(slot, nullptr);
    base::CScopedLock hold(slot->lock);
    liveview::StopRecording(slot->recording, slot->cameraIndex);
  }

  void Command(UINT id) { SendMessageA(host.ControlWindow(), WM_COMMAND, id, 0); }

  // The camera streams on: no stop, no home command, no deletion.
  void ExpectUntouched() {
    PumpFor(300);
    EXPECT_FALSE(AllStreamsClosed(camera));
    EXPECT_EQ(HomeCommands(camera), 0u);
    EXPECT_EQ(events->Count(kFireDelCam), 0u);
    for (const auto& e : events->Events()) {
      EXPECT_FALSE(e.id == kFireReConnect && e.LongArg(1) == 0) << "state 0 reported";
    }
    EXPECT_NE(Slot(), nullptr);
  }

  static inline bool served = false;
  camsim::HttpCamera camera;
  test_container::ControlHost host;
  base::ComPtr<test_container::EventRecorder> events;
  liveview::CTessalyCtrl* control = nullptr;
  std::wstring text;
  std::string file;
};

struct Box {
  std::wstring text;
  std::wstring caption;
  UINT type;
};

TEST_F(RecordingRefusals, CloseCtrlCAndDeleteOfARecordingCameraShowTheirBoxAndChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(StartRecording());
  std::vector<Box> boxes;
  fw::ScopedMessageBoxInterceptor taken([&](HWND owner, const std::wstring& t,
                                            const std::wstring& caption, UINT type) {
    EXPECT_EQ(owner, host.ControlWindow());
    boxes.push_back({t, caption, type});
    return IDOK;
  });
  events->Clear();
  Command(ID_CAM_CLOSE);
  const auto windows = tessaly_test::CameraWindows(host.ControlWindow());
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE ctrl = keys[VK_CONTROL];
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(windows[0], WM_KEYUP, 'C', 0xC0000001);
  keys[VK_CONTROL] = ctrl;
  SetKeyboardState(keys);
  ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 2; }, 3000));
  Command(ID_CAM_DELETE);
  ASSERT_EQ(boxes.size(), 3u);
  const std::wstring close = L"Please Stop Recording First !";
  EXPECT_EQ(boxes[0].text, close);
  EXPECT_EQ(boxes[1].text, close);
  EXPECT_EQ(boxes[2].text, close);
  for (const Box& b : boxes) {
    EXPECT_EQ(b.caption, L"Confirm");
    EXPECT_EQ(b.type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
  }
  EXPECT_EQ(control->DeleteCamera(0), 0);
  ExpectUntouched();

  // Stopped, DeleteCamera goes through: one home command, the stream ends.
  ASSERT_NO_FATAL_FAILURE(StopRecording());
  EXPECT_EQ(control->DeleteCamera(0), 1);
  EXPECT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(camera); }, kWaitMs));
  PumpFor(500);
  EXPECT_EQ(HomeCommands(camera), 1u);
}

TEST_F(RecordingRefusals, ARecordingStartedWhileDeletesBoxIsOpenRefusesTheDeletion) {
  std::vector<std::wstring> boxes;
  fw::ScopedMessageBoxInterceptor taken(
      [&](HWND, const std::wstring& t, const std::wstring&, UINT) {
        boxes.push_back(t);
        // Inside the box: the recording starts (a host call could do it).
        if (boxes.size() == 1) StartRecording();
        return IDOK;
      });
  events->Clear();
  Command(ID_CAM_DELETE);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], L"Do You Really Want to Delete the Camera?");
  EXPECT_EQ(boxes[1], L"Please Stop Recording First !");
  ExpectUntouched();
}

TEST_F(RecordingRefusals, AnotherCameraSelectedWhileDeletesBoxIsOpenDeletesNothing) {
  int boxes = 0;
  fw::ScopedMessageBoxInterceptor taken([&](HWND, const std::wstring&, const std::wstring&, UINT) {
    ++boxes;
    long unused = 0;
    control->SetDefaultWnd(1, &unused);
    return IDOK;
  });
  events->Clear();
  Command(ID_CAM_DELETE);
  EXPECT_EQ(boxes, 1);
  ExpectUntouched();
}

TEST_F(RecordingRefusals, AControlDeactivatedWhileDeletesBoxIsOpenIsNotTouched) {
  HWND first = host.ControlWindow();
  fw::ScopedMessageBoxInterceptor taken([&](HWND, const std::wstring&, const std::wstring&, UINT) {
    if (auto inPlace = host.As<IOleInPlaceObject>()) inPlace->InPlaceDeactivate();
    return IDOK;
  });
  events->Clear();
  Command(ID_CAM_DELETE);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(events->Count(kFireDelCam), 0u);
  // The deactivation stopped the stream with its one home command; the deletion sent none.
  EXPECT_TRUE(PumpUntil([&] { return AllStreamsClosed(camera); }, kWaitMs));
  PumpFor(500);
  EXPECT_EQ(HomeCommands(camera), 1u);
  EXPECT_EQ(tessaly_test::ReadSetting("CLIINFO", "CLI_COUNT"), "1");
}

}  // namespace
