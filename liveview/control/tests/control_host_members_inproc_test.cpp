// The host's camera members where the test must reach the camera table and the stream slots:
// a camera configured twice, a window still streaming an old address, a DomainName longer
// than a CameraInfo holds, the idle title, and the notice of a modified camera.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_lock.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/stream/thread_manager.h"
#include "simulator/http_camera.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "tessaly_inproc.h"
#include "testing/container/control_host.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"

namespace {

using tessaly_test::kFireDelCam;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireCamEvent;
using tessaly_test::OpenStreams;
using liveview::CCameraTable;
using liveview::CThreadManager;
using test_container::PumpFor;
using test_container::PumpUntil;

constexpr DWORD kWaitMs = 10000;

CCameraTable& Table() { return *CCameraTable::Instance(); }

// Slots in use bound to a window.
int SlotsOfWindow(int window) {
  int n = 0;
  for (int s = 0; s < CThreadManager::kSlotCount; ++s) {
    liveview::StreamSlot* slot = CThreadManager::Instance()->SlotAt(s);
    if (!slot) continue;
    base::CScopedLock hold(slot->lock);
    if (!slot->host.empty() && slot->windowIndex == window) ++n;
  }
  return n;
}

class HostMembersInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { served = tessaly_test::ServeInProcess(); }
  static void TearDownTestSuite() { tessaly_test::StopServing(); }

  void SetUp() override {
    ASSERT_TRUE(served);
    camsim::CameraConfig config;
    // Every loopback address reaches it: a record may name it by either.
    config.bindAddress = "0.0.0.0";
    config.fps = 15;
    camera = std::make_unique<camsim::HttpCamera>(config);
    ASSERT_TRUE(camera->Start());
    port = std::to_string(camera->Port());
    tessaly_test::IniSettings ini;
    ini.autoInvite = 0;
    tessaly_test::WriteSettings(ini);
    SetWindowPos(host.Window(), nullptr, 0, 0, 742, 582, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ(host.Create(tessaly_test::kInProcessClsid, 642, 482), S_OK);
    events = test_container::EventRecorder::Create(DIID__DTessalyEvents);
    ASSERT_EQ(events->Connect(host.Control()), S_OK);
    control = liveview::CTessalyCtrl::Last();
    ASSERT_NE(control, nullptr);
    long unused = 0;
    control->SetSplitterMethod(4, &unused);
  }

  void TearDown() override {
    if (events) {
      events->SetHook(nullptr);
      events->Disconnect();
    }
    host.Close();
  }

  long Add(long index, const std::string& hostName, const std::string& nick = "Nick") {
    long r = 0;
    control->SetCliInfo(index, hostName, camera->Port(), "admin", "admin", nick, &r);
    return r;
  }
  long LookPic(const std::string& text) {
    long r = 0;
    control->LookPic(text, &r);
    return r;
  }
  bool Streaming(const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    return PumpUntil(
        [&] {
          for (const auto& e : events->Events()) {
            if (e.id == kFireReConnect && e.TextArg(0) == wide && e.LongArg(1) == 2) return true;
          }
          return false;
        },
        kWaitMs);
  }

  static inline bool served = false;
  std::unique_ptr<camsim::HttpCamera> camera;
  std::string port;
  test_container::ControlHost host;
  base::ComPtr<test_container::EventRecorder> events;
  liveview::CTessalyCtrl* control = nullptr;
};

// "localhost" in record 3 with an address that no longer holds, and its address under
// another DomainName in record 5: record 5 goes, the notice names it, record 3 streams.
TEST_F(HostMembersInProcess, ACameraConfiguredTwiceLosesItsSecondRecordWithANotice) {
  ASSERT_EQ(Add(3, "localhost", "Gate"), 1);
  ASSERT_EQ(Add(5, "127.0.0.1", "Copy"), 0) << "the same camera text";
  Table().RecordAt(3)->address = "127.0.0.9";
  ASSERT_EQ(Add(5, "127.0.0.1", "Copy"), 1);
  std::vector<std::wstring> notices;
  fw::ScopedMessageBoxInterceptor boxes(
      [&](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
        notices.push_back(text);
        // No caption given: the module's title.
        const std::string title = fw::Module::Get().AppTitle();
        EXPECT_EQ(caption, std::wstring(title.begin(), title.end()));
        EXPECT_EQ(type & 0xF, static_cast<UINT>(MB_OK));
        return IDOK;
      });
  events->Clear();
  EXPECT_EQ(LookPic("localhost:" + port), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], L"A duplicate camera is deleted automatically!\nCamID:127.0.0.1:" +
                            std::wstring(port.begin(), port.end()));
  ASSERT_EQ(events->Count(kFireDelCam), 1u);
  EXPECT_FALSE(Table().RecordAt(5)->InUse());
  EXPECT_EQ(Table().GetAddress(3), "127.0.0.1") << "refreshed";
  EXPECT_TRUE(Streaming("localhost:" + port));
  EXPECT_EQ(SlotsOfWindow(3), 1);
}

// Window 0 streams its camera under an address that has since changed: the new LookPic
// ends that stream first, one stream per window.
TEST_F(HostMembersInProcess, LookPicStopsTheWindowsStreamOfAnOldAddress) {
  ASSERT_EQ(Add(0, "localhost"), 1);
  Table().RecordAt(0)->address = "127.0.0.2";
  ASSERT_EQ(LookPic("127.0.0.2:" + port), 1) << "found by its address";
  ASSERT_TRUE(Streaming("localhost:" + port));
  ASSERT_EQ(SlotsOfWindow(0), 1);
  events->Clear();
  EXPECT_EQ(LookPic("localhost:" + port), 1);
  EXPECT_EQ(Table().GetAddress(0), "127.0.0.1");
  EXPECT_EQ(SlotsOfWindow(0), 1);
  EXPECT_TRUE(Streaming("localhost:" + port));
  ASSERT_TRUE(PumpUntil([&] { return OpenStreams(*camera) == 1; }, kWaitMs));
  PumpFor(300);
  EXPECT_EQ(OpenStreams(*camera), 1u);
}

TEST_F(HostMembersInProcess, RefreshCameraKeepsADomainNameLongerThanABlockHolds) {
  ASSERT_EQ(Add(2, "localhost"), 1);
  const std::string longName(80, 'n');
  Table().SetDomainName(2, longName);
  EXPECT_EQ(control->RefreshCamera(2), 1);
  EXPECT_EQ(Table().GetDomainName(2), longName);
  EXPECT_EQ(Table().GetAddress(2), longName) << "unresolved: the name itself";
  Table().SetDomainName(2, "localhost");
  EXPECT_EQ(control->RefreshCamera(2), 1);
  EXPECT_EQ(Table().GetAddress(2), "127.0.0.1");
  EXPECT_EQ(control->RefreshCamera(-1), 0);
  EXPECT_EQ(control->RefreshCamera(16), 0);
}

TEST_F(HostMembersInProcess, AnAddedCamerasNickIsInTheIdleTitleAndAModificationIsNoticed) {
  ASSERT_EQ(Add(1, "localhost", "Back door"), 1);
  liveview::CWatchWnd* window = control->WindowAt(1);
  ASSERT_NE(window, nullptr);
  EXPECT_NE(window->IdleTitle().find("Back door"), std::string::npos) << window->IdleTitle();

  liveview::CameraInfo block{};
  long length = 0;
  events->SetHook([&](DISPID id, DISPPARAMS* p) {
    // cmd, lParam, lLength arrive in reverse order.
    if (id == kFireCamEvent && p->cArgs == 3 && p->rgvarg[1].vt == (VT_BYREF | VT_I4)) {
      block = *reinterpret_cast<const liveview::CameraInfo*>(p->rgvarg[1].plVal);
      length = p->rgvarg[0].lVal;
    }
  });
  EXPECT_TRUE(control->NotifyCameraModified(1));
  ASSERT_EQ(events->Count(kFireCamEvent), 1u);
  EXPECT_EQ(events->Last(kFireCamEvent)->LongArg(0), 0);
  EXPECT_EQ(length, 972);
  EXPECT_EQ(block.index, 1);
  EXPECT_STREQ(block.domainName, "localhost");
  EXPECT_STREQ(block.nick, "Back door");
}

}  // namespace
