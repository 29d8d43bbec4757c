// The host's camera members where the test must reach the camera table, the stream slots, a
// window's clock or the resolver's lookup: a camera configured twice, a window still
// streaming an old address, a DomainName longer than a CameraInfo holds, the idle title, the
// notice of a modified camera, a stale picture, and a name service that does not answer.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_lock.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "liveview/cameras/host_resolve.h"
#include "liveview/control/host_resolver.h"
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
#include "testing/container/modal_script.h"
#include "testing/support/temp_folder.h"

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

// The window's clock nine seconds on: its last picture is stale, whatever came last.
DWORD NineSecondsOn() { return GetTickCount() + 9000; }

// A lookup that waits until the test releases it, then asks the name service.
HANDLE g_releaseLookup = nullptr;
std::atomic<int> g_lookupResult{0};
std::string g_lookupText;  // written before g_lookupResult
int HeldLookup(std::string& text) {
  WaitForSingleObject(g_releaseLookup, 60000);
  const int result = liveview::ResolveCameraText(text);
  g_lookupText = text;
  g_lookupResult = result;
  return result;
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
    control = tessaly_test::HostInProcess(host, &events);
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
  long Get(long cmd, const void* in, void* out, long* length) {
    long r = 0;
    control->Get(cmd, fw::CallerBuffer(const_cast<void*>(in)), 0, fw::CallerBuffer(out), length,
                 &r);
    return r;
  }
  long Snap(const std::string& text, const std::string& file) {
    long r = 0;
    control->SnapPicture(text, file, 0, 0, &r);
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

TEST_F(HostMembersInProcess, SetReplacesARecordAndItsWindowShowsTheNewNick) {
  ASSERT_EQ(Add(6, "localhost", "Before"), 1);
  liveview::CameraInfo block{};
  std::strcpy(block.domainName, "localhost");
  block.index = 6;
  block.port = static_cast<uint16_t>(camera->Port());
  std::strcpy(block.user, "admin");
  std::strcpy(block.password, "admin");
  std::strcpy(block.nick, "After");
  long r = 0;
  control->Set(11, fw::CallerBuffer(&block), 0, &r);
  EXPECT_EQ(r, 1);
  liveview::CWatchWnd* window = control->WindowAt(6);
  ASSERT_NE(window, nullptr);
  EXPECT_NE(window->IdleTitle().find("After"), std::string::npos) << window->IdleTitle();
  EXPECT_EQ(window->IdleTitle().find("Before"), std::string::npos);
}

// No frame for nine seconds while the camera is still in state 2: nothing is taken.
TEST_F(HostMembersInProcess, AStalePictureGivesNoSnapshotAndNoPicture) {
  camsim::StreamFaults faults;
  faults.pause = camsim::StreamFaults::Pause{5, 20000};
  camera->SetFaults(faults);
  ASSERT_EQ(Add(0, "localhost"), 1);
  const std::string named = "localhost:" + port;
  ASSERT_EQ(LookPic(named), 1);
  ASSERT_TRUE(Streaming(named));
  ASSERT_TRUE(camera->Log().WaitForFrames(5, std::chrono::milliseconds(kWaitMs)));
  PumpFor(500);
  testing_support::TempFolder folder;
  const std::string file = folder.File("stale.jpg");
  liveview::CWatchWnd* window = control->WindowAt(0);
  ASSERT_NE(window, nullptr);
  window->SetTickSource(&NineSecondsOn);
  EXPECT_EQ(Table().GetState(0), 2);
  EXPECT_EQ(Snap(named, file), 0);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  std::vector<char> picture(320 * 3 * 240);
  long capacity = static_cast<long>(picture.size());
  EXPECT_EQ(Get(10, named.c_str(), picture.data(), &capacity), 0);
  // The same picture on the true clock, half a second old: taken.
  window->SetTickSource(nullptr);
  EXPECT_EQ(Snap(named, file), 1);
  EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Get(10, named.c_str(), picture.data(), &capacity), 1);
  DeleteFileA(file.c_str());
}

// A 640 x 480 camera in a cell of the 4 x 4 grid is decoded reduced for the screen; the host
// still gets the whole picture, and is told its whole size.
TEST_F(HostMembersInProcess, GetGivesTheWholePictureWhileTheWindowShowsItReduced) {
  camsim::CameraConfig config;
  config.bindAddress = "0.0.0.0";
  config.width = 640;
  config.height = 480;
  config.fps = 15;
  camera = std::make_unique<camsim::HttpCamera>(config);
  ASSERT_TRUE(camera->Start());
  port = std::to_string(camera->Port());
  ASSERT_EQ(Add(0, "localhost"), 1);
  const std::string named = "localhost:" + port;
  ASSERT_EQ(LookPic(named), 1);
  ASSERT_TRUE(Streaming(named));
  liveview::CWatchWnd* window = control->WindowAt(0);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return window->GetShownWidth() > 0; }, kWaitMs));
  EXPECT_LE(window->GetShownWidth(), 320) << "the cell shows a reduced picture";
  EXPECT_LE(window->GetShownHeight(), 240);
  EXPECT_EQ(window->GetVideoWidth(), 640);

  const long whole = 640 * 3 * 480;
  constexpr char kGuard = 0x5A;
  std::vector<char> picture(static_cast<size_t>(whole) + 16, kGuard);
  long capacity = whole - 1;
  EXPECT_EQ(Get(10, named.c_str(), picture.data(), &capacity), 0) << "room for less than all";
  capacity = whole;
  ASSERT_EQ(Get(10, named.c_str(), picture.data(), &capacity), 1);
  EXPECT_EQ(capacity, whole);
  // Written to its end (a reduced copy would fill a sixteenth of it), and not past it.
  const auto lastRows = picture.begin() + whole - 640 * 3 * 16;
  EXPECT_LT(std::count(lastRows, picture.begin() + whole, kGuard), 640 * 3 * 16 / 10);
  EXPECT_EQ(std::count(picture.begin() + whole, picture.end(), kGuard), 16);
}

// A disk that fills in the middle of a snapshot: the call fails and leaves no cut picture.
size_t WriteHalf(const void* bytes, size_t length, FILE* file) {
  return std::fwrite(bytes, 1, length / 2, file);
}

TEST_F(HostMembersInProcess, ASnapshotWrittenOnlyInPartLeavesNoFile) {
  ASSERT_EQ(Add(0, "localhost"), 1);
  const std::string named = "localhost:" + port;
  ASSERT_EQ(LookPic(named), 1);
  ASSERT_TRUE(Streaming(named));
  ASSERT_TRUE(camera->Log().WaitForFrames(3, std::chrono::milliseconds(kWaitMs)));
  PumpFor(300);
  testing_support::TempFolder folder;
  const std::string file = folder.File("cut.jpg");
  const auto previous = liveview::CTessalyCtrl::SetSnapshotWriter(&WriteHalf);
  events->Clear();
  EXPECT_EQ(Snap(named, file), 0);
  liveview::CTessalyCtrl::SetSnapshotWriter(previous);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  PumpFor(300);
  EXPECT_EQ(events->Count(tessaly_test::kFireSnapSuccess), 0u);
  // The same file whole once the disk has room.
  EXPECT_EQ(Snap(named, file), 1);
  EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(PumpUntil([&] { return events->Count(tessaly_test::kFireSnapSuccess) == 1; },
                        kWaitMs));
  DeleteFileA(file.c_str());
}

// A name service that does not answer: Get 14 gives up after 5000 ms with an empty text,
// also when the host closed the control inside the wait. The lookup released after that
// still finishes on its own thread, with its own Winsock, and the module stays locked until
// it has.
TEST_F(HostMembersInProcess, AResolverThatOutlivesItsWaitAndTheControlEndsCleanly) {
  g_releaseLookup = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(g_releaseLookup, nullptr);
  g_lookupResult = 0;
  const auto previous = liveview::CHostResolver::SetLookup(&HeldLookup);
  LONG locksWhileWaiting = 0;
  test_container::ModalScript script;
  script.Then("close the control inside the wait", [&] {
    locksWhileWaiting = fw::Module::Get().LockCount();
    events->Disconnect();
    host.Close();
    return true;
  });
  char out[64];
  std::memset(out, 'x', sizeof(out));
  long length = -1;
  long result = 0;
  const DWORD start = GetTickCount();
  script.Start();
  control->Get(14, fw::CallerBuffer(const_cast<char*>("localhost:8080")), 0,
               fw::CallerBuffer(out), &length, &result);
  const DWORD waited = GetTickCount() - start;
  control = nullptr;
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(host.ControlWindow(), nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_GE(waited, 4900u);
  EXPECT_LT(waited, 7000u);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(length, 1);

  const LONG locksWithoutControl = fw::Module::Get().LockCount();
  EXPECT_LT(locksWithoutControl, locksWhileWaiting) << "the control has gone";
  EXPECT_GE(locksWithoutControl, 1) << "the pending thread";
  SetEvent(g_releaseLookup);
  EXPECT_TRUE(PumpUntil([] { return g_lookupResult.load() != 0; }, kWaitMs));
  EXPECT_EQ(g_lookupResult.load(), liveview::kResolveOk);
  EXPECT_EQ(g_lookupText, "127.0.0.1:8080");
  EXPECT_TRUE(PumpUntil(
      [&] { return fw::Module::Get().LockCount() == locksWithoutControl - 1; }, kWaitMs));
  liveview::CHostResolver::SetLookup(previous);
  CloseHandle(g_releaseLookup);
  g_releaseLookup = nullptr;
}

}  // namespace
