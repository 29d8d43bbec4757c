// What the host hears of the messages stream workers and recordings post to the control:
// the camera an event names when the cameras were exchanged while a worker was posting, and
// the file a recording's event names when the queue lost one of its messages. The control is
// served by this program, so the test can hold a post on its way (the post function) and
// drive the recording clock.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_handle.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/control/tests/camera_activity.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/post_to_control.h"
#include "liveview/record/record_clock.h"
#include "simulator/http_camera.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "tessaly_inproc.h"
#include "testing/container/control_host.h"
#include "testing/container/event_recorder.h"
#include "testing/container/message_pump.h"
#include "testing/support/temp_folder.h"

namespace {

using liveview::CCameraTable;
using liveview::PostFunction;
using liveview::SetPostFunction;
using tessaly_test::kFireReConnect;
using tessaly_test::kFireRecordStatus;
using test_container::PumpFor;
using test_container::PumpUntil;

constexpr DWORD kWaitMs = 10000;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The post that is held, or refused, once: message, wParam and lParam.
struct PostMatch {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
std::atomic<bool> g_armed{false};
PostMatch g_match;  // written before g_armed
HANDLE g_held = nullptr;
HANDLE g_release = nullptr;

bool TakeMatch(UINT message, WPARAM wParam, LPARAM lParam) {
  return g_armed.load() && message == g_match.message && wParam == g_match.wParam &&
         lParam == g_match.lParam && g_armed.exchange(false);
}

// Keeps the worker inside its post, as a thread preempted there would be, until released.
BOOL HoldMatchingPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TakeMatch(message, wParam, lParam)) {
    SetEvent(g_held);
    WaitForSingleObject(g_release, 30000);
  }
  return PostMessageA(window, message, wParam, lParam);
}

// A queue that is full for that one post.
BOOL RefuseMatchingPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TakeMatch(message, wParam, lParam)) return FALSE;
  return PostMessageA(window, message, wParam, lParam);
}

// A queue that is full for such posts as long as the test keeps it so.
BOOL RefuseMatchingPostsWhileArmed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_armed.load() && message == g_match.message && wParam == g_match.wParam &&
      lParam == g_match.lParam) {
    SetEvent(g_held);
    return FALSE;
  }
  return PostMessageA(window, message, wParam, lParam);
}

std::atomic<uint32_t> g_recordNow{1000};
uint32_t RecordNow() { return g_recordNow.load(); }

class PostedEventsInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { served = tessaly_test::ServeInProcess(); }
  static void TearDownTestSuite() { tessaly_test::StopServing(); }

  void SetUp() override {
    ASSERT_TRUE(served);
    held.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    release.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_held = held.Get();
    g_release = release.Get();
    tessaly_test::IniSettings ini;
    ini.autoInvite = 0;
    ini.reconnect = 1;
    ini.interval = 1;
    tessaly_test::WriteSettings(ini);
    control = tessaly_test::HostInProcess(host, &events);
    ASSERT_NE(control, nullptr);
    long unused = 0;
    control->SetSplitterMethod(2, &unused);
  }

  void TearDown() override {
    g_armed = false;
    SetEvent(g_release);
    SetPostFunction(nullptr);
    liveview::SetRecordClock(nullptr);
    if (events) events->Disconnect();
    host.Close();
  }

  // Camera `index` is the simulator under 127.0.0.1 and its port; its named camera text.
  std::string Add(long index, const camsim::HttpCamera& camera) {
    return Add(index, camera.Port());
  }
  std::string Add(long index, uint16_t port) {
    long r = 0;
    control->SetCliInfo(index, "127.0.0.1", port, "admin", "admin", "Cam", &r);
    EXPECT_EQ(r, 1);
    return "127.0.0.1:" + std::to_string(port);
  }
  long LookPic(const std::string& text) {
    long r = 0;
    control->LookPic(text, &r);
    return r;
  }
  long Exchange(int a, int b) {
    int windows[2] = {a, b};
    long r = 0;
    control->Set(12, fw::CallerBuffer(windows), sizeof(windows), &r);
    return r;
  }
  bool Heard(DISPID id, const std::string& camera, long last) {
    return PumpUntil(
        [&] {
          for (const auto& e : events->Events()) {
            if (e.id == id && e.TextArg(0) == Wide(camera) &&
                e.LongArg(id == kFireRecordStatus ? 2 : 1) == last) {
              return true;
            }
          }
          return false;
        },
        kWaitMs);
  }

  // Holds the next post of `match` in the worker, exchanges cameras 0 and 1 meanwhile, then
  // lets the post go. A control that makes the exchange wait for the post is let go after
  // half a second; one that does not is let go as soon as the exchange is done.
  void ExchangeWhileAPostIsHeld(const PostMatch& match, const std::function<void()>& provoke) {
    g_match = match;
    g_armed = true;
    const PostFunction previous = SetPostFunction(&HoldMatchingPost);
    provoke();
    ASSERT_EQ(WaitForSingleObject(g_held, kWaitMs), WAIT_OBJECT_0) << "the post never came";
    std::thread releaser([] {
      Sleep(500);
      SetEvent(g_release);
    });
    EXPECT_EQ(Exchange(0, 1), 1);
    SetEvent(g_release);
    releaser.join();
    SetPostFunction(previous);
  }

  static inline bool served = false;
  base::ScopedHandle held;
  base::ScopedHandle release;
  test_container::ControlHost host;
  base::ComPtr<test_container::EventRecorder> events;
  liveview::CTessalyCtrl* control = nullptr;
};

// Camera A in window 0 cannot be reached and keeps reconnecting; camera B in window 1 is
// configured only. A's "connecting" is on its way when they are exchanged: the host hears it
// of A, and B's record never takes it.
TEST_F(PostedEventsInProcess, AStatePostedAcrossAnExchangeNamesItsOwnCamera) {
  camsim::HttpCamera cameraA;
  camsim::StreamFaults refuse;
  refuse.refuseConnections = true;
  cameraA.SetFaults(refuse);
  ASSERT_TRUE(cameraA.Start());
  const std::string a = Add(0, cameraA);
  const std::string b = Add(1, static_cast<uint16_t>(cameraA.Port() + 1));
  ASSERT_EQ(LookPic(a), 1);
  ASSERT_TRUE(Heard(kFireReConnect, a, liveview::kCamStateConnecting));
  events->Clear();

  ASSERT_NO_FATAL_FAILURE(ExchangeWhileAPostIsHeld(
      {liveview::WM_CAM_STATE, 0, liveview::kCamStateConnecting}, [] {}));
  EXPECT_TRUE(Heard(kFireReConnect, a, liveview::kCamStateConnecting));
  PumpFor(300);
  for (const auto& e : events->Events()) {
    EXPECT_FALSE(e.id == kFireReConnect && e.TextArg(0) == Wide(b)) << "B never connects";
  }
  CCameraTable& table = *CCameraTable::Instance();
  EXPECT_EQ(table.NamedCameraText(0), b);
  EXPECT_NE(table.GetState(0), liveview::kCamStateConnecting);
  EXPECT_EQ(table.GetState(1), liveview::kCamStateConnecting);
}

// Camera A in window 0 refuses the control's credentials: its worker frees the slot and
// owes its last state (5) to a full queue while A and B are exchanged. The queue takes it
// after the exchange: the host hears it of A, and B is not stopped.
TEST_F(PostedEventsInProcess, ALastStateTheQueueTookOnlyAfterAnExchangeNamesItsOwnCamera) {
  camsim::CameraConfig config;
  config.password = "secret";
  camsim::HttpCamera cameraA(config);
  ASSERT_TRUE(cameraA.Start());
  const std::string a = Add(0, cameraA);
  const std::string b = Add(1, static_cast<uint16_t>(cameraA.Port() + 1));
  events->Clear();
  g_match = {liveview::WM_CAM_STATE, 0, liveview::kCamStateNotAuthorised};
  g_armed = true;
  const PostFunction previous = SetPostFunction(&RefuseMatchingPostsWhileArmed);
  ASSERT_EQ(LookPic(a), 1);
  ASSERT_EQ(WaitForSingleObject(g_held, kWaitMs), WAIT_OBJECT_0) << "no last state";
  EXPECT_EQ(Exchange(0, 1), 1);
  PumpFor(300);
  g_armed = false;
  EXPECT_TRUE(Heard(kFireReConnect, a, liveview::kCamStateNotAuthorised));
  SetPostFunction(previous);
  PumpFor(300);
  for (const auto& e : events->Events()) {
    EXPECT_FALSE(e.id == kFireReConnect && e.TextArg(0) == Wide(b)) << "B never connects";
  }
}

// Camera A in window 0 refuses the control's credentials: its worker frees the slot and owes
// its last state (5) to a full queue while the host destroys A and adds camera C at the same
// index. The state is about A: once the queue takes it, the host does not hear it of C.
TEST_F(PostedEventsInProcess, ALastStateOwedByADestroyedCameraIsNotHeardOfTheNextAtItsIndex) {
  camsim::CameraConfig config;
  config.password = "secret";
  camsim::HttpCamera cameraA(config);
  ASSERT_TRUE(cameraA.Start());
  const std::string a = Add(0, cameraA);
  events->Clear();
  g_match = {liveview::WM_CAM_STATE, 0, liveview::kCamStateNotAuthorised};
  g_armed = true;
  const PostFunction previous = SetPostFunction(&RefuseMatchingPostsWhileArmed);
  ASSERT_EQ(LookPic(a), 1);
  ASSERT_EQ(WaitForSingleObject(g_held, kWaitMs), WAIT_OBJECT_0) << "no last state";
  long r = 0;
  control->DestroyCli(a, &r);
  ASSERT_EQ(r, 1);
  const std::string c = Add(0, static_cast<uint16_t>(cameraA.Port() + 1));
  PumpFor(300);
  g_armed = false;
  PumpFor(300);
  SetPostFunction(previous);
  for (const auto& e : events->Events()) {
    EXPECT_FALSE(e.id == kFireReConnect && e.TextArg(0) == Wide(c)) << "C never connects";
  }
}

// Camera A streams in window 0 and records; then its feed goes still and the worker ends the
// recording. That end is on its way when A and B are exchanged: the host hears it of A, with
// A's file.
TEST_F(PostedEventsInProcess, ARecordingsEndPostedAcrossAnExchangeNamesItsOwnCameraAndFile) {
  camsim::CameraConfig config;
  config.fps = 15;
  camsim::HttpCamera cameraA(config);
  camsim::StreamFaults still;
  still.pause = camsim::StreamFaults::Pause{8, 60000};
  cameraA.SetFaults(still);
  ASSERT_TRUE(cameraA.Start());
  const std::string a = Add(0, cameraA);
  const std::string b = Add(1, static_cast<uint16_t>(cameraA.Port() + 1));
  ASSERT_EQ(LookPic(a), 1);
  ASSERT_TRUE(Heard(kFireReConnect, a, liveview::kCamStateFrame));
  ASSERT_TRUE(cameraA.Log().WaitForFrames(8, std::chrono::milliseconds(kWaitMs)));
  PumpFor(300);

  liveview::SetRecordClock(&RecordNow);
  testing_support::TempFolder folder;
  const std::string file = folder.File("a.avi");
  long r = 0;
  control->Record(a, file, 0, 0, 0, 1000, &r);
  ASSERT_EQ(r, 1);
  ASSERT_TRUE(Heard(kFireRecordStatus, a, 1));
  events->Clear();

  // No frame for more than ten seconds of the recording's clock: the worker stops it.
  ASSERT_NO_FATAL_FAILURE(ExchangeWhileAPostIsHeld({liveview::WM_CAM_RECORD, 0, 0},
                                                   [] { g_recordNow += 11000; }));
  ASSERT_TRUE(PumpUntil([&] { return events->Count(kFireRecordStatus) == 1; }, kWaitMs));
  PumpFor(300);
  ASSERT_EQ(events->Count(kFireRecordStatus), 1u);
  const auto* ended = events->Last(kFireRecordStatus);
  EXPECT_EQ(ended->TextArg(0), Wide(a));
  EXPECT_EQ(ended->TextArg(1), Wide(file));
  EXPECT_EQ(ended->LongArg(2), 0);
}

// Two recordings of one camera, one after the other. A message of the first that the queue
// did not take costs the host that event only: every event it hears names its own file.
TEST_F(PostedEventsInProcess, ARecordingMessageTheQueueLostLeavesTheOthersNamingTheirFiles) {
  camsim::CameraConfig config;
  config.fps = 15;
  camsim::HttpCamera camera(config);
  ASSERT_TRUE(camera.Start());
  const std::string a = Add(0, camera);
  ASSERT_EQ(LookPic(a), 1);
  ASSERT_TRUE(Heard(kFireReConnect, a, liveview::kCamStateFrame));
  ASSERT_TRUE(camera.Log().WaitForFrames(3, std::chrono::milliseconds(kWaitMs)));
  PumpFor(300);
  testing_support::TempFolder folder;
  const std::string first = folder.File("first.avi");
  const std::string second = folder.File("second.avi");

  struct Status {
    std::string file;
    long status;
  };
  struct Case {
    const char* name;
    int lost;  // -1 none, 1 the first recording's start, 0 its end
    std::vector<Status> heard;
  };
  const Case cases[] = {
      {"nothing lost", -1, {{first, 1}, {first, 0}, {second, 1}, {second, 0}}},
      {"the first start lost", 1, {{first, 0}, {second, 1}, {second, 0}}},
      {"the first end lost", 0, {{first, 1}, {second, 1}, {second, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events->Clear();
    const PostFunction previous = SetPostFunction(&RefuseMatchingPost);
    if (c.lost >= 0) {
      g_match = {liveview::WM_CAM_RECORD, 0, c.lost};
      g_armed = true;
    }
    for (const std::string& file : {first, second}) {
      long r = 0;
      control->Record(a, file, 0, 0, 0, 1000, &r);
      ASSERT_EQ(r, 1);
      PumpFor(200);
      control->StopRecord(a, &r);
      ASSERT_EQ(r, 1);
    }
    SetPostFunction(previous);
    EXPECT_FALSE(g_armed.load()) << "the lost post was made";
    g_armed = false;
    PumpUntil([&] { return events->Count(kFireRecordStatus) >= c.heard.size(); }, kWaitMs);
    PumpFor(200);
    std::vector<std::pair<std::wstring, long>> got;
    for (const auto& e : events->Events()) {
      if (e.id != kFireRecordStatus) continue;
      EXPECT_EQ(e.TextArg(0), Wide(a));
      got.emplace_back(e.TextArg(1), e.LongArg(2));
    }
    std::vector<std::pair<std::wstring, long>> want;
    for (const Status& h : c.heard) want.emplace_back(Wide(h.file), h.status);
    EXPECT_EQ(got, want);
  }
}

}  // namespace
