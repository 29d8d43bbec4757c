// The stream client against simulated cameras on loopback: the states the control hears, the
// requests the cameras see, and how starts, stops and faults leave the slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "base/scoped_handle.h"
#include "base/scoped_lock.h"
#include "liveview/cameras/camera_address.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/notify/post_to_control.h"
#include "liveview/record/avi_check.h"
#include "liveview/record/slot_recording.h"
#include "liveview/record/tests/recording_test_support.h"
#include "liveview/stream/stream_socket.h"
#include "liveview/stream/stream_worker.h"
#include "liveview/stream/tests/raw_camera.h"
#include "liveview/stream/tests/stream_test_support.h"

namespace liveview {
namespace {

using camsim::RequestKind;
using stream_test::PumpFor;
using stream_test::PumpUntil;
using stream_test::RawCamera;
using stream_test::StreamFixture;

constexpr auto kLogWait = std::chrono::milliseconds(20000);

// Milliseconds between consecutive requests, from the camera's own clock.
std::vector<long long> RequestGaps(const std::vector<camsim::RecordedRequest>& requests) {
  std::vector<long long> gaps;
  for (size_t i = 1; i < requests.size(); ++i) {
    gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                       requests[i].received - requests[i - 1].received)
                       .count());
  }
  return gaps;
}

long long Median(std::vector<long long> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Connection states of one camera with the repeats of state 2 folded into one.
std::vector<int> Folded(const std::vector<int>& states) {
  std::vector<int> folded;
  for (int s : states) {
    if (s == kCamStateFrame && !folded.empty() && folded.back() == kCamStateFrame) continue;
    folded.push_back(s);
  }
  return folded;
}

class StreamClientTest : public ::testing::Test, public StreamFixture {
 protected:
  std::vector<int> States(int camera) { return Control().States(camera); }
  bool WaitForState(int camera, int state, int count = 1) {
    return PumpUntil([&] { return Control().CountState(camera, state) >= count; });
  }
};

TEST_F(StreamClientTest, HealthyStreamPostsConnectingRequestSentThenEveryFrame) {
  camsim::CameraConfig config;
  config.fps = 25;
  AddCamera(3, config);
  ASSERT_EQ(Start(3), 1);
  ASSERT_TRUE(WaitForFrames(3, 10));
  const int slot = Manager().SlotIndexByWindow(3);
  ASSERT_EQ(slot, 0);
  EXPECT_EQ(Manager().SlotByWindow(3), Manager().SlotAt(0));

  EXPECT_EQ(Manager().StopStream(slot), 1);
  // Returned only once the worker had ended and freed the slot.
  EXPECT_TRUE(SlotFree(slot));
  EXPECT_EQ(Manager().SlotAt(slot)->thread, nullptr);
  EXPECT_EQ(Manager().SlotByWindow(3), nullptr);
  PumpFor(50);
  EXPECT_EQ(Folded(States(3)),
            (std::vector<int>{kCamStateConnecting, kCamStateRequestSent, kCamStateFrame,
                              kCamStateStopped}));
  EXPECT_TRUE(Camera(3).Log().WaitForClosedConnections(1, kLogWait));
  EXPECT_EQ(Camera(3).Log().Connections().size(), 1u);
}

TEST_F(StreamClientTest, FramesReachTheCameraWindow) {
  camsim::CameraConfig config;
  config.width = 320;
  config.height = 240;
  AddCamera(0, config);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 3));
  EXPECT_EQ(Window(0).GetVideoWidth(), 320);
  EXPECT_EQ(Window(0).GetVideoHeight(), 240);
  Manager().StopStream(0);
  // The stream's end clears the window's copies.
  int length = -1;
  EXPECT_EQ(Window(0).GetLastJpeg(&length), nullptr);
}

TEST_F(StreamClientTest, NotAuthorisedEndsWithoutReconnecting) {
  SetReconnect(1, 1);
  camsim::CameraConfig config;
  config.password = "secret";
  AddCamera(0, config);
  Table().SetPassword(0, "wrong");
  ASSERT_EQ(Start(0), 1);
  // The worker ends on its own and frees the slot.
  ASSERT_TRUE(PumpUntil([&] { return Control().CountState(0, kCamStateNotAuthorised) == 1 &&
                                     SlotFree(0); }));
  // Past the reconnect interval: nothing more.
  PumpFor(1500);
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateRequestSent,
                                         kCamStateNotAuthorised}));
  EXPECT_EQ(Camera(0).Log().Connections().size(), 1u);
  EXPECT_EQ(Manager().StopStream(0), 1);
}

TEST_F(StreamClientTest, RequestsAsTheCameraSawThem) {
  camsim::CameraConfig config;
  config.fps = 20;
  config.user = "viewer";
  config.password = "pa:ss";
  AddCamera(0, config);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 40));
  Manager().StopStream(0);
  // The camera has read everything the client sent once it has seen the connection close.
  ASSERT_TRUE(Camera(0).Log().WaitForClosedConnections(1, kLogWait));

  const std::vector<camsim::RecordedRequest> requests = Camera(0).Log().Requests();
  ASSERT_GE(requests.size(), 3u);
  for (const auto& r : requests) {
    EXPECT_EQ(r.block,
              "GET /cgi-bin/sf.cgi HTTP/1.1\r\nConnection: Keep-Alive\r\n"
              "Authorization: Basic dmlld2VyOnBhOnNz\r\n\r\n");
    EXPECT_EQ(r.connection, 1u);
    EXPECT_TRUE(r.authorised);
  }
  // Twice as the connection opens, then every 10th pass (a pass reads one frame) and after
  // about 100 ms in which nothing came. 40 frames read took the client past its 10th, 20th,
  // 30th and 40th passes.
  EXPECT_EQ(requests[0].sequence, 0);
  EXPECT_EQ(requests[1].sequence, 1);
  ASSERT_GE(requests.size(), 6u) << "not asked again every 10th pass";
  const std::vector<long long> gaps = RequestGaps(requests);
  EXPECT_LT(gaps[0], 100) << "the second request did not follow the first at once";
  // Told apart by what the camera saw, not by the time between requests (a backlog read in
  // a hurry brings 10th passes close together): one that came soon after a frame is a 10th
  // pass's, and by the n-th of those the client had read nine frames for each, less one for
  // every pass that ended in silence instead. The camera sent at least what the client read.
  constexpr auto kSilence = std::chrono::milliseconds(75);
  int tenthPasses = 0;
  int silences = 0;
  for (size_t i = 2; i < requests.size(); ++i) {
    const camsim::RecordedRequest& r = requests[i];
    if (r.framesBefore == 0 || r.received - r.lastFrameBefore >= kSilence) {
      ++silences;
      continue;
    }
    ++tenthPasses;
    EXPECT_GE(r.framesBefore, 9 * tenthPasses - silences)
        << "request " << i << " came on a pass that was not a 10th";
  }
}

TEST_F(StreamClientTest, HostThatDoesNotResolveStopsWhenReconnectIsOff) {
  SetReconnect(0, 1);
  ASSERT_EQ(Table().Add(0, "no-such-host.invalid", 80, "admin", "admin", "nowhere"), 1);
  ASSERT_EQ(Start(0), 1);
  // The resolver may take its full time-out to give up in the test's private network.
  ASSERT_TRUE(PumpUntil([&] { return SlotFree(0); }, 60000));
  PumpFor(1500);  // past the interval
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateStopped}));
  EXPECT_EQ(Manager().StopStream(0), 1);
}

// A name server that does not know the name yet, without waiting for a real one's time-out.
std::atomic<int> g_lookups{0};
bool NotYetKnown(const char* host, uint16_t port, sockaddr_in* out) {
  if (std::string(host) != "camera.not-yet-known") return ResolveAddress(host, port, out);
  ++g_lookups;
  return false;
}

TEST_F(StreamClientTest, HostThatDoesNotResolveIsTriedAgainWhenReconnectIsOn) {
  g_lookups = 0;
  const HostResolver previous = SetHostResolver(&NotYetKnown);
  SetReconnect(1, 1);
  ASSERT_EQ(Table().Add(0, "camera.not-yet-known", 80, "admin", "admin", "later"), 1);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForState(0, kCamStateConnecting, 2)) << "no second attempt";
  EXPECT_GE(g_lookups.load(), 1);
  EXPECT_FALSE(SlotFree(0)) << "the camera was given up";
  EXPECT_EQ(Control().CountState(0, kCamStateStopped), 0);
  Manager().StopStream(0);
  SetHostResolver(previous);
  EXPECT_EQ(States(0).back(), kCamStateStopped);
}

// Whether the slot was already free each time a final state left the worker.
std::atomic<int> g_watchedSlot{-1};
std::atomic<int> g_finalStates{0};
std::atomic<int> g_finalStatesOnABusySlot{0};
BOOL NoteFinalStates(HWND window, UINT message, WPARAM wParam, LPARAM state) {
  StreamSlot* slot = CThreadManager::Instance()->SlotAt(g_watchedSlot.load());
  if (slot && message == WM_CAM_STATE &&
      (state == kCamStateStopped || state == kCamStateNotAuthorised)) {
    base::CScopedLock hold(slot->lock);
    ++g_finalStates;
    if (!slot->host.empty()) ++g_finalStatesOnABusySlot;
  }
  return PostMessageA(window, message, wParam, state);
}

TEST_F(StreamClientTest, SlotIsFreeBeforeTheHostHearsStoppedOrNotAuthorised) {
  struct Case {
    const char* name;
    bool wrongPassword;
  };
  for (const Case c : {Case{"connection closed, reconnect off", false},
                       Case{"not authorised", true}}) {
    SCOPED_TRACE(c.name);
    SetReconnect(0, 1);
    camsim::CameraConfig config;
    config.password = "secret";
    camsim::HttpCamera& camera = AddCamera(0, config);
    camsim::StreamFaults faults;
    faults.closeAtFrame = 3;
    faults.connections = 1;
    camera.SetFaults(faults);
    if (c.wrongPassword) Table().SetPassword(0, "wrong");
    g_finalStates = 0;
    g_finalStatesOnABusySlot = 0;
    const int finalState = c.wrongPassword ? kCamStateNotAuthorised : kCamStateStopped;
    const int heardBefore = Control().CountState(0, finalState);
    ASSERT_EQ(Start(0), 1);
    g_watchedSlot = Manager().SlotIndexByWindow(0);
    const PostFunction previous = SetPostFunction(&NoteFinalStates);
    ASSERT_TRUE(PumpUntil([&] { return g_finalStates.load() == 1; }));
    SetPostFunction(previous);
    EXPECT_EQ(g_finalStatesOnABusySlot.load(), 0) << "the host could hear it before the slot was free";

    // What a host does on hearing it: start the camera again, and get a stream.
    ASSERT_TRUE(PumpUntil([&] { return Control().CountState(0, finalState) > heardBefore; }));
    if (!c.wrongPassword) {
      EXPECT_EQ(Start(0), 1);
      EXPECT_TRUE(WaitForFrames(0, 4));
    }
    Manager().StopAllStreams();
    Table().Clear(0);
  }
}

TEST_F(StreamClientTest, RecordingOfACameraThatGoesSilentStopsWhileTheConnectionStays) {
  testing_support::FakeRecordClock clock;
  camsim::StreamFaults faults;
  faults.pause = camsim::StreamFaults::Pause{5, 60000};  // connected, then nothing more
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 3));
  StreamSlot* slot = Manager().SlotByWindow(0);
  ASSERT_NE(slot, nullptr);
  const std::string path = "silent_camera.avi";
  {
    base::CScopedLock hold(slot->lock);
    ASSERT_TRUE(StartRecording(slot->recording, slot->cameraIndex, 320, 240, kFormatMotionJpeg,
                               0, path.c_str()));
  }
  ASSERT_TRUE(PumpUntil([&] { return Control().CountState(0, kCamStateFrame) >= 5; }));
  PumpFor(300);  // the camera is silent now
  clock.Advance(kStaleFeedMs + 100);
  EXPECT_TRUE(PumpUntil([&] {
    base::CScopedLock hold(slot->lock);
    return !slot->recording.recorder;
  }, 5000)) << "the recording outlived a feed silent for 10 s";
  EXPECT_FALSE(SlotFree(0)) << "the connection itself stays";
  EXPECT_EQ(Control().CountState(0, kCamStateConnecting), 1);
  Manager().StopStream(0);
  DeleteFileA(path.c_str());
}

TEST_F(StreamClientTest, RecordingOnASlotWithoutWorkerIsFinishedWhenTheManagerGoes) {
  StreamSlot* slot = Manager().SlotAt(9);
  ASSERT_NE(slot, nullptr);
  const std::string path = "left_on_slot.avi";
  const std::vector<uint8_t> frame(3000, 0x33);
  {
    base::CScopedLock hold(slot->lock);
    slot->cameraIndex = 7;  // a camera the control gave the slot; its worker is gone
    ASSERT_TRUE(StartRecording(slot->recording, 7, 320, 240, kFormatMotionJpeg, 0, path.c_str()));
    for (int i = 0; i < 3; ++i) AddRecordFrame(slot->recording, 7, frame.data(), 3000, 320, 240);
  }
  CThreadManager::Release();
  ASSERT_TRUE(PumpUntil([&] {
    const auto posts = Control().TakeRecordPosts();
    return std::find(posts.begin(), posts.end(), std::make_pair(7, 0)) != posts.end();
  })) << "no end message";
  EXPECT_EQ(CheckAviFile(path.c_str()), 1) << "left unfinished";
  DeleteFileA(path.c_str());
}

TEST_F(StreamClientTest, SilenceBringsTheRequestAgainOnTheSameConnection) {
  camsim::StreamFaults faults;
  faults.staySilent = true;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(Camera(0).Log().WaitForRequests(RequestKind::Stream, 8, kLogWait));
  Manager().StopStream(0);
  EXPECT_EQ(Camera(0).Log().Connections().size(), 1u);
  const std::vector<camsim::RecordedRequest> requests = Camera(0).Log().Requests();
  for (const auto& r : requests) EXPECT_EQ(r.connection, 1u);
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateRequestSent,
                                         kCamStateStopped}));
  // After about 100 ms of silence each time, not in a tight loop nor after long waits.
  const std::vector<long long> gaps = RequestGaps(requests);
  const std::vector<long long> later(gaps.begin() + 1, gaps.end());
  EXPECT_GE(Median(later), 80);
  EXPECT_LE(Median(later), 400);
}

TEST_F(StreamClientTest, RefusedCameraIsTriedAgainAfterTheIntervalWithoutStopping) {
  SetReconnect(1, 1);
  camsim::StreamFaults faults;
  faults.refuseConnections = true;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForState(0, kCamStateConnecting, 3));
  EXPECT_EQ(Control().CountState(0, kCamStateStopped), 0);

  Camera(0).ClearFaults();
  ASSERT_TRUE(WaitForFrames(0, 2));
  const std::vector<int> states = States(0);
  EXPECT_EQ(std::count(states.begin(), states.end(), kCamStateStopped), 0);
  EXPECT_EQ(std::count(states.begin(), states.end(), kCamStateConnectTimeout), 0);
  Manager().StopStream(0);
  EXPECT_EQ(States(0).back(), kCamStateStopped);
}

TEST_F(StreamClientTest, IntervalZeroStillPausesBetweenAttempts) {
  SetReconnect(1, 0);
  camsim::StreamFaults faults;
  faults.refuseConnections = true;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  PumpFor(1500);
  // Attempts at least a second apart: at most two within the time, never a flood.
  EXPECT_GE(Control().CountState(0, kCamStateConnecting), 1);
  EXPECT_LE(Control().CountState(0, kCamStateConnecting), 3);
  Manager().StopStream(0);
}

TEST_F(StreamClientTest, ClosedConnectionReconnectsWithConnectingAgain) {
  SetReconnect(1, 1);
  camsim::StreamFaults faults;
  faults.closeAtFrame = 3;
  faults.connections = 1;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 6));
  Manager().StopStream(0);
  EXPECT_EQ(Folded(States(0)),
            (std::vector<int>{kCamStateConnecting, kCamStateRequestSent, kCamStateFrame,
                              kCamStateConnecting, kCamStateRequestSent, kCamStateFrame,
                              kCamStateStopped}));
  EXPECT_EQ(Camera(0).Log().Connections().size(), 2u);
}

TEST_F(StreamClientTest, StopDuringTheReconnectWaitEndsItAtOnce) {
  SetReconnect(1, 30);
  camsim::StreamFaults faults;
  faults.refuseConnections = true;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForState(0, kCamStateConnecting));
  PumpFor(2000);  // the refused connect is long over: the worker waits out its 30 s

  const DWORD start = GetTickCount();
  EXPECT_EQ(Manager().StopStream(0), 1);
  EXPECT_TRUE(SlotFree(0));
  // Far short of the interval, whatever the load.
  EXPECT_LT(GetTickCount() - start, 20000u);
  PumpFor(50);
  // The attempt that the stop cut short is announced, then ends without connecting.
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateConnecting,
                                         kCamStateStopped}));
  EXPECT_EQ(Camera(0).Log().Connections().size(), 0u);
}

TEST_F(StreamClientTest, SameCameraTextRunsOnceWhateverTheCase) {
  camsim::CameraConfig config;
  AddCamera(0, config);
  Table().Clear(0);
  Table().Add(0, "localhost", Camera(0).Port(), "admin", "admin", "lower");
  ASSERT_EQ(Manager().StartStream(&Window(0), "localhost:" + std::to_string(Camera(0).Port())),
            1);
  ASSERT_TRUE(WaitForFrames(0, 1));
  EXPECT_EQ(Manager().StartStream(&Window(1), "LOCALHOST:" + std::to_string(Camera(0).Port())),
            1);
  // Nothing new started: window 1 has no stream and the camera one connection.
  EXPECT_EQ(Manager().SlotIndexByWindow(1), -1);
  PumpFor(300);
  EXPECT_EQ(Camera(0).Log().Connections().size(), 1u);
  // RequestStop and MoveStream compare the host exactly.
  EXPECT_EQ(Manager().RequestStop("LOCALHOST:" + std::to_string(Camera(0).Port())), 0);
  EXPECT_EQ(Manager().StopStream(0), 1);
}

TEST_F(StreamClientTest, SeventeenthCameraIsRefused) {
  camsim::CameraConfig config;
  config.fps = 2;
  config.width = 160;
  config.height = 120;
  for (int i = 0; i < 16; ++i) {
    AddCamera(i, config);
    ASSERT_EQ(Start(i), 1) << i;
  }
  // Record 0 now names another camera while the first still streams in its slot.
  RawCamera other([](SOCKET, int) {});
  Table().Clear(0);
  ASSERT_EQ(Table().Add(0, "127.0.0.1", other.Port(), "admin", "admin", "seventeenth"), 1);
  EXPECT_EQ(Manager().StartStream(&Window(0), CameraText(0)), 0);
  EXPECT_EQ(other.Connections(), 0);
  Manager().StopAllStreams();
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(SlotFree(i)) << i;
}

TEST_F(StreamClientTest, StartRefusesCameraOutsideTheTableAndMissingArguments) {
  AddCamera(0);
  EXPECT_EQ(Manager().StartStream(nullptr, CameraText(0)), 0);
  EXPECT_EQ(Manager().StartStream(&Window(0), ""), 0);
  EXPECT_EQ(Manager().StartStream(&Window(0), "127.0.0.1:1"), 0);
  EXPECT_EQ(Manager().StopStream(-1), 0);
  EXPECT_EQ(Manager().StopStream(16), 0);
  EXPECT_EQ(Manager().StopStream(5), 1);  // no thread: nothing to wait for
}

TEST_F(StreamClientTest, OverlongCredentialsRefuseTheStart) {
  camsim::CameraConfig config;
  config.acceptAnyCredentials = true;
  AddCamera(0, config);
  // Slot 0 carried these credentials for an earlier camera.
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 1));
  Manager().StopStream(0);

  AddCamera(1, config);
  Table().SetPassword(1, std::string(128 - 6, 'p'));  // "admin:" + 122 = 128 bytes
  EXPECT_EQ(Start(1), 0);
  EXPECT_TRUE(SlotFree(0));
  PumpFor(300);
  EXPECT_EQ(Camera(1).Log().Connections().size(), 0u);

  Table().SetPassword(1, std::string(127 - 6, 'p'));  // 127 bytes still go
  ASSERT_EQ(Start(1), 1);
  ASSERT_TRUE(WaitForFrames(1, 1));
  EXPECT_EQ(Camera(1).Log().Requests().front().password, std::string(121, 'p'));
}

TEST_F(StreamClientTest, StopRightAfterStartIsNeverLost) {
  AddCamera(0);
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(Start(0), 1);
    // Would never return if the worker set running again after this stop.
    ASSERT_EQ(Manager().StopStream(0), 1);
    ASSERT_TRUE(SlotFree(0));
  }
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(Start(0), 1);
    ASSERT_EQ(Manager().RequestStop(CameraText(0)), 1);
    ASSERT_TRUE(PumpUntil([&] { return SlotFree(0); })) << i;
  }
  // The handles of the workers that ended on their own were closed as the slot was claimed
  // again; the last one goes here.
  EXPECT_NE(Manager().SlotAt(0)->thread, nullptr);
  EXPECT_EQ(Manager().StopStream(0), 1);
  EXPECT_EQ(Manager().SlotAt(0)->thread, nullptr);
}

// A thread's id with its creation time (ids are reused once a thread is gone); nothing when
// `handle` names no thread.
std::optional<std::pair<DWORD, uint64_t>> ThreadIdentity(HANDLE handle) {
  FILETIME created{}, exited{}, kernel{}, user{};
  const DWORD id = GetThreadId(handle);
  if (id == 0 || !GetThreadTimes(handle, &created, &exited, &kernel, &user)) return std::nullopt;
  return std::make_pair(id, (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime);
}

TEST_F(StreamClientTest, HandleOfAWorkerThatEndedOnItsOwnIsClosedWhenTheSlotIsClaimed) {
  camsim::CameraConfig config;
  config.password = "secret";
  AddCamera(0, config);
  Table().SetPassword(0, "wrong");  // refused with 401
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(PumpUntil([&] { return SlotFree(0); }));
  const HANDLE ended = Manager().SlotAt(0)->thread;
  ASSERT_NE(ended, nullptr);
  ASSERT_EQ(WaitForSingleObject(ended, kLogWait.count()), WAIT_OBJECT_0);
  const auto endedThread = ThreadIdentity(ended);
  ASSERT_TRUE(endedThread);

  ASSERT_EQ(Start(0), 1);
  // The value may have been handed to a new object at once (the next worker's handle or
  // any other): closed means it no longer names the thread that ended.
  EXPECT_NE(ThreadIdentity(ended), endedThread);
  Manager().StopStream(0);
}

// Refuses camera 0's state 5 for as long as the test keeps it so, as a full queue would; notes
// which thread asked last.
std::atomic<bool> g_refuseNotAuthorised{false};
std::atomic<DWORD> g_refusedThread{0};
std::atomic<int> g_notAuthorisedRefusals{0};
BOOL RefuseNotAuthorisedOfCameraZero(HWND window, UINT message, WPARAM wParam, LPARAM state) {
  if (g_refuseNotAuthorised.load() && message == WM_CAM_STATE && wParam == 0 &&
      state == kCamStateNotAuthorised) {
    g_refusedThread = GetCurrentThreadId();
    ++g_notAuthorisedRefusals;
    return FALSE;
  }
  return PostMessageA(window, message, wParam, state);
}

// A worker that freed its slot while its last state waits for the queue still uses the slot
// (its stop flag, its post lock, the states it owes). A camera that claims the slot meanwhile
// must not leave that worker running unwatched: nothing would wait for it then, not even the
// manager's release, which deletes the slot under it.
TEST_F(StreamClientTest, ClaimingASlotLetsGoNoWorkerThatStillOwesItsLastState) {
  camsim::CameraConfig config;
  config.password = "secret";
  AddCamera(0, config);
  Table().SetPassword(0, "wrong");  // refused with 401
  AddCamera(1);
  g_refusedThread = 0;
  g_notAuthorisedRefusals = 0;
  g_refuseNotAuthorised = true;
  // The queue takes everything again however the case ends: later cases use camera 0 too.
  struct QueueBack {
    PostFunction previous = SetPostFunction(&RefuseNotAuthorisedOfCameraZero);
    ~QueueBack() {
      g_refuseNotAuthorised = false;
      SetPostFunction(previous);
    }
  } queueBack;
  ASSERT_EQ(Start(0), 1);
  // Asked again and again: the worker has freed the slot and goes on retrying.
  ASSERT_TRUE(PumpUntil([&] { return SlotFree(0) && g_notAuthorisedRefusals.load() >= 3; }));
  base::ScopedHandle owing(OpenThread(SYNCHRONIZE, FALSE, g_refusedThread.load()));
  ASSERT_TRUE(owing.Get() != nullptr);
  ASSERT_EQ(WaitForSingleObject(owing.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_EQ(Start(1), 1);
  EXPECT_EQ(Manager().SlotIndexByWindow(1), 0) << "the first free slot, as always";
  // Its state is dropped as a stop's would be: the queue drains only on this thread.
  EXPECT_EQ(WaitForSingleObject(owing.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the owing worker still runs on a slot another camera has";
  ASSERT_TRUE(WaitForFrames(1, 2));

  Manager().StopAllStreams();
  EXPECT_TRUE(SlotFree(0));
}

TEST_F(StreamClientTest, MoveAndSwapRebindTheRunningStream) {
  AddCamera(0);
  AddCamera(1);
  ASSERT_EQ(Start(0), 1);
  ASSERT_EQ(Start(1), 1);
  ASSERT_TRUE(WaitForFrames(0, 1));

  EXPECT_EQ(Manager().MoveStream(CameraText(0), &Window(5)), 1);
  EXPECT_EQ(Manager().SlotIndexByWindow(5), 0);
  EXPECT_EQ(Manager().SlotIndexByWindow(0), -1);
  EXPECT_EQ(Manager().MoveStream("127.0.0.1:1", &Window(6)), 0);
  // Frames go on reaching the new window.
  ASSERT_TRUE(PumpUntil([&] { return Window(5).GetVideoWidth() == 320; }));

  StreamSlot* first = Manager().SlotAt(0);
  StreamSlot* second = Manager().SlotAt(1);
  Manager().SwapSlots(0, 1);
  EXPECT_EQ(Manager().SlotAt(0), second);
  EXPECT_EQ(Manager().SlotAt(1), first);
  EXPECT_EQ(first->windowIndex, 1);
  EXPECT_EQ(second->windowIndex, 5);
  EXPECT_EQ(first->cameraIndex, 1);
  EXPECT_EQ(second->cameraIndex, 0);
  Manager().StopAllStreams();
  EXPECT_TRUE(SlotFree(0));
  EXPECT_TRUE(SlotFree(1));
}

TEST_F(StreamClientTest, ContentLengthOfTheResponseHeaderIsTheFirstPartsLength) {
  const std::string first(1000, 'A');
  RawCamera raw([&](SOCKET client, int) {
    // No part header before the first body: the response header gives its length.
    RawCamera::SendAll(client, stream_test::MultipartHeader("Content-Length: 1000\r\n") +
                                   first + stream_test::Part(std::string(500, 'B')));
  });
  Table().Add(0, "127.0.0.1", raw.Port(), "admin", "admin", "raw");
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 2));
  Manager().StopStream(0);
}

// Answers whose header blocks the worker must not take: each ends the connection through the
// error path, which reconnects, and never stops the stream.
struct BadAnswer {
  const char* name;
  std::string (*bytes)();
};

void PrintTo(const BadAnswer& c, std::ostream* os) { *os << c.name; }

const BadAnswer kBadAnswers[] = {
    {"NegativeLength",
     [] { return stream_test::MultipartHeader() + "--b\r\nContent-Length: -100\r\n\r\n"; }},
    {"LengthAboveTheFrameBuffer",
     [] {
       return stream_test::MultipartHeader() + "--b\r\nContent-Length: 524289\r\n\r\n" +
              std::string(524289, 'z');
     }},
    {"StallInTheMiddleOfAHeader",
     [] { return stream_test::MultipartHeader() + "--b\r\nContent-Le"; }},
};

class BadAnswerTest : public ::testing::TestWithParam<BadAnswer>, public StreamFixture {};

TEST_P(BadAnswerTest, EndsTheConnectionThroughTheErrorPath) {
  SetReconnect(1, 1);
  const std::string bytes = GetParam().bytes();
  RawCamera raw([&](SOCKET client, int) {
    RawCamera::SendAll(client, bytes);
    raw.HoldOpen(client);  // the camera never closes: only the worker can end it
  });
  Table().Add(0, "127.0.0.1", raw.Port(), "admin", "admin", "raw");
  ASSERT_EQ(Start(0), 1);
  // A second connection: the first ended in the error path and the worker lives on.
  ASSERT_TRUE(PumpUntil([&] { return raw.Connections() >= 2; }));
  EXPECT_EQ(Control().CountState(0, kCamStateFrame), 0);
  EXPECT_EQ(Control().CountState(0, kCamStateStopped), 0);
  EXPECT_GE(Control().CountState(0, kCamStateConnecting), 2);
  Manager().StopStream(0);
  EXPECT_TRUE(SlotFree(0));
}

INSTANTIATE_TEST_SUITE_P(Raw, BadAnswerTest, ::testing::ValuesIn(kBadAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StreamClientTest, PartHeaderWithoutLengthAfterAFrameEndsTheConnection) {
  SetReconnect(1, 1);
  camsim::StreamFaults faults;
  faults.missingContentLengthAtFrame = 2;
  faults.connections = 1;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(Camera(0).Log().WaitForConnections(2, kLogWait));
  ASSERT_TRUE(WaitForFrames(0, 3));
  Manager().StopStream(0);
  const auto connections = Camera(0).Log().Connections();
  EXPECT_EQ(connections.front().reason, camsim::CloseReason::PeerClosed);
  EXPECT_EQ(Folded(States(0)),
            (std::vector<int>{kCamStateConnecting, kCamStateRequestSent, kCamStateFrame,
                              kCamStateConnecting, kCamStateRequestSent, kCamStateFrame,
                              kCamStateStopped}));
}

// Every scripted fault of the simulator: the worker either rides it out on the same
// connection or reconnects, and frames flow again afterwards.
struct FaultCase {
  const char* name;
  camsim::StreamFaults faults;
  bool reconnects;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

camsim::StreamFaults Faults(void (*set)(camsim::StreamFaults&)) {
  camsim::StreamFaults f;
  f.connections = 1;
  set(f);
  return f;
}

const FaultCase kFaultCases[] = {
    {"Pause", Faults([](auto& f) { f.pause = camsim::StreamFaults::Pause{2, 1500}; }), false},
    {"CloseAfterFrames", Faults([](auto& f) { f.closeAtFrame = 2; }), true},
    {"ShortBody", Faults([](auto& f) { f.shortBodyAtFrame = 2; f.shortBodyHoldMs = 300; }), true},
    {"ShortBodyHeldOpen",
     Faults([](auto& f) { f.shortBodyAtFrame = 2; f.shortBodyHoldMs = 3000; }), true},
    {"NoContentLength", Faults([](auto& f) { f.missingContentLengthAtFrame = 2; }), true},
    {"NoBoundary", Faults([](auto& f) { f.omitBoundary = true; }), true},
    {"Status503", Faults([](auto& f) { f.statusCode = 503; }), true},
    {"SizeChange", Faults([](auto& f) { f.resize = camsim::StreamFaults::Resize{2, 640, 480}; }),
     false},
    {"CutJpeg", Faults([](auto& f) { f.corruptJpegAtFrame = 2; }), false},
    {"HugeContentLength", Faults([](auto& f) { f.hugeContentLengthAtFrame = 2; }), true},
    {"Silence", Faults([](auto& f) { f.staySilent = true; }), false},
};

class FaultTest : public ::testing::TestWithParam<FaultCase>, public StreamFixture {};

TEST_P(FaultTest, WorkerRidesItOutOrReconnects) {
  const FaultCase& c = GetParam();
  SetReconnect(1, 1);
  camsim::CameraConfig config;
  config.fps = 20;
  AddCamera(0, config).SetFaults(c.faults);
  ASSERT_EQ(Start(0), 1);
  if (c.faults.staySilent) {
    // Nothing ever comes, and the worker keeps asking on the one connection.
    ASSERT_TRUE(Camera(0).Log().WaitForRequests(RequestKind::Stream, 6, kLogWait));
  } else {
    ASSERT_TRUE(WaitForFrames(0, 8));
  }
  const size_t connections = Camera(0).Log().Connections().size();
  if (c.reconnects) {
    EXPECT_GE(connections, 2u);
  } else {
    EXPECT_EQ(connections, 1u);
  }
  EXPECT_EQ(Control().CountState(0, kCamStateStopped), 0);
  Manager().StopStream(0);
  EXPECT_TRUE(SlotFree(0));
  EXPECT_EQ(Control().States(0).back(), kCamStateStopped);
}

INSTANTIATE_TEST_SUITE_P(Simulator, FaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A control whose queue takes nothing more.
std::atomic<int> g_refusedPosts{0};
BOOL QueueIsFull(HWND, UINT, WPARAM, LPARAM) {
  ++g_refusedPosts;
  return FALSE;
}

TEST_F(StreamClientTest, FullQueueHoldsNeitherTheWorkerNorTheSlotLockNorTheStop) {
  AddCamera(0);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 2));
  StreamSlot* slot = Manager().SlotAt(0);
  g_refusedPosts = 0;
  const PostFunction previous = SetPostFunction(&QueueIsFull);
  // A post that waited for the queue would hang this thread for good: a watchdog lets the
  // queue take posts again after 15 s, and the test fails.
  std::atomic<bool> done{false};
  std::atomic<bool> rescued{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 150 && !done.load(); ++i) Sleep(100);
    if (!done.load()) {
      rescued = true;
      SetPostFunction(previous);
    }
  });

  // Frames go on being read and drawn: each one's state is refused once and dropped, not
  // waited for (nothing else is posted while the stream runs).
  EXPECT_TRUE(PumpUntil([&] { return g_refusedPosts.load() >= 5; }));
  // A recording starts and stops under the slot lock; its messages cannot wait either.
  const std::string path = "full_queue.avi";
  {
    base::CScopedLock hold(slot->lock);
    EXPECT_TRUE(StartRecording(slot->recording, slot->cameraIndex, 320, 240, kFormatMotionJpeg,
                               0, path.c_str()));
    StopRecording(slot->recording, slot->cameraIndex);
  }
  const DWORD start = GetTickCount();
  EXPECT_EQ(Manager().StopStream(0), 1);
  const DWORD stopMs = GetTickCount() - start;
  done = true;
  watchdog.join();
  SetPostFunction(previous);
  EXPECT_FALSE(rescued.load()) << "a post waited for a queue that only this thread drains";
  EXPECT_LT(stopMs, 5000u);
  EXPECT_TRUE(SlotFree(0));
  DeleteFileA(path.c_str());
}

// Holds the worker inside the post of its next frame until the test lets it go.
std::atomic<int> g_holdNextFrame{0};
HANDLE g_frameHeld = nullptr;
HANDLE g_releaseFrame = nullptr;
BOOL HoldNextFrame(HWND window, UINT message, WPARAM wParam, LPARAM state) {
  if (message == WM_CAM_STATE && state == kCamStateFrame && g_holdNextFrame.exchange(0)) {
    SetEvent(g_frameHeld);
    WaitForSingleObject(g_releaseFrame, stream_test::kWaitMs);
  }
  return PostMessageA(window, message, wParam, state);
}

TEST_F(StreamClientTest, StopShutsTheConnectionDownAndLeavesClosingItToTheWorker) {
  base::ScopedHandle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  base::ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  g_frameHeld = held.Get();
  g_releaseFrame = release.Get();
  AddCamera(0);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 2));
  StreamSlot* slot = Manager().SlotAt(0);
  const SOCKET socket = slot->socket.load();
  ASSERT_NE(socket, 0u);

  g_holdNextFrame = 1;
  const PostFunction previous = SetPostFunction(&HoldNextFrame);
  ASSERT_EQ(WaitForSingleObject(held.Get(), stream_test::kWaitMs), WAIT_OBJECT_0);
  std::thread stopper([&] { Manager().StopStream(0); });
  ASSERT_TRUE(PumpUntil([&] { return slot->running.load() == 0; }));
  { base::CScopedLock hold(slot->lock); }  // the stop does its part under the lock

  // The worker, between two socket calls, still owns an open handle: had the stop closed
  // it, a new socket of anyone's could take the value before the worker's next send.
  int type = 0;
  int size = sizeof(type);
  EXPECT_EQ(getsockopt(socket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size), 0);
  EXPECT_EQ(type, SOCK_STREAM);
  SetEvent(release.Get());
  stopper.join();
  SetPostFunction(previous);
  EXPECT_TRUE(SlotFree(0));
  EXPECT_TRUE(Camera(0).Log().WaitForClosedConnections(1, kLogWait));
}

TEST_F(StreamClientTest, FirstPartLateAfterTheResponseHeaderStillStreams) {
  SetReconnect(1, 1);
  camsim::StreamFaults faults;
  faults.pause = camsim::StreamFaults::Pause{0, 1500};  // the header at once, the part later
  faults.connections = 1;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 3));
  EXPECT_EQ(Camera(0).Log().Connections().size(), 1u) << "the first connection was given up";
  Manager().StopStream(0);

  // A stop still ends that wait at once.
  faults.pause = camsim::StreamFaults::Pause{0, 60000};
  Camera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(Camera(0).Log().WaitUntil(
      [](const camsim::Activity& a) { return a.connections.size() == 2 && a.connections[1].streaming; },
      kLogWait));
  PumpFor(300);
  const DWORD start = GetTickCount();
  EXPECT_EQ(Manager().StopStream(0), 1);
  EXPECT_LT(GetTickCount() - start, 1000u);
}

// A camera that has sent its response header and then sends nothing, reads nothing and does
// not close (one still starting its encoder, deaf to the shut-down connection): a stop is not
// held up by the first part's long wait.
TEST_F(StreamClientTest, StopDuringTheFirstPartsWaitIsSeenSoonWhenTheCameraIgnoresTheShutdown) {
  std::atomic<int> released{0};
  RawCamera raw([&](SOCKET client, int connection) {
    RawCamera::SendAll(client, stream_test::MultipartHeader());
    while (!raw.Stopping() && released.load() < connection) Sleep(10);
  });
  Table().Add(0, "127.0.0.1", raw.Port(), "admin", "admin", "raw");
  struct Case {
    const char* name;
    bool (*stop)(StreamClientTest& test);
  };
  const Case cases[] = {
      {"StopStream", [](StreamClientTest& t) { return t.Manager().StopStream(0) == 1; }},
      {"RequestStop",
       [](StreamClientTest& t) {
         return t.Manager().RequestStop(t.CameraText(0)) == 1 &&
                PumpUntil([&] { return t.SlotFree(0); });
       }},
  };
  int connection = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ++connection;
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(PumpUntil([&] { return raw.Connections() >= connection; }));
    PumpFor(300);  // the worker is in the wait for the first part
    const DWORD start = GetTickCount();
    EXPECT_TRUE(c.stop(*this));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(SlotFree(0));
    released.store(connection);
  }
  EXPECT_EQ(Manager().StopStream(0), 1);
}

// The line end behind each body comes with it (as from the simulated cameras): it is data, as
// it was while it waited in the socket, so the gap before a slow camera's next frame is not
// the silence that asks again; the request goes out twice at the start and every 10th pass.
TEST_F(StreamClientTest, SlowCameraIsAskedAgainOnlyEveryTenthPass) {
  camsim::CameraConfig config;
  config.fps = 4;
  AddCamera(0, config);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(WaitForFrames(0, 13));
  Manager().StopStream(0);
  const std::vector<camsim::RecordedRequest> requests = Camera(0).Log().Requests();
  for (const auto& r : requests) EXPECT_EQ(r.connection, 1u);
  // 2 at the start and 1 at the 10th pass; a frame or two more may have come before the stop.
  EXPECT_GE(requests.size(), 3u);
  EXPECT_LE(requests.size(), 4u) << "asked again in the gaps between frames";
}

// A lookup that throws once the stream has run: the exception leaves the worker mid-stream.
std::atomic<int> g_lookupsBeforeThrow{0};
bool ThrowsOnTheSecondLookup(const char* host, uint16_t port, sockaddr_in* out) {
  if (++g_lookupsBeforeThrow >= 2) throw std::runtime_error("lookup failed");
  return ResolveAddress(host, port, out);
}

TEST_F(StreamClientTest, ExceptionInsideARunningWorkerEndsTheStreamAndFreesTheSlot) {
  SetReconnect(1, 1);
  camsim::StreamFaults faults;
  faults.closeAtFrame = 3;
  faults.connections = 1;
  AddCamera(0).SetFaults(faults);
  g_lookupsBeforeThrow = 0;
  const HostResolver previous = SetHostResolver(&ThrowsOnTheSecondLookup);
  ASSERT_EQ(Start(0), 1);
  const bool ended = PumpUntil([&] { return Control().CountState(0, kCamStateStopped) == 1; });
  SetHostResolver(previous);
  ASSERT_TRUE(ended);
  EXPECT_TRUE(SlotFree(0));
  EXPECT_EQ(Folded(States(0)), (std::vector<int>{kCamStateConnecting, kCamStateRequestSent,
                                                 kCamStateFrame, kCamStateConnecting,
                                                 kCamStateStopped}));
  int length = -1;
  EXPECT_EQ(Window(0).GetLastJpeg(&length), nullptr) << "the window kept the stream's picture";
  // The process and the slot carry on.
  const int frames = Control().CountState(0, kCamStateFrame);
  ASSERT_EQ(Start(0), 1);
  EXPECT_TRUE(WaitForFrames(0, frames + 2));
  Manager().StopStream(0);
}

// Fails its first `g_failuresLeft` posts, as a full queue does.
std::atomic<int> g_failuresLeft{0};
std::atomic<int> g_attempts{0};
BOOL FullForAWhile(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_attempts;
  if (g_failuresLeft.load() > 0) {
    --g_failuresLeft;
    return FALSE;
  }
  return PostMessageA(window, message, wParam, lParam);
}

TEST(PostToControlTest, OncePostsOnceAndRetryingWaitsForTheQueueUntilToldToGiveUp) {
  stream_test::ControlRecorder control;
  const PostFunction previous = SetPostFunction(&FullForAWhile);
  std::atomic<int> giveUp{0};

  g_attempts = 0;
  g_failuresLeft = 1000;
  EXPECT_FALSE(PostToControl(WM_CAM_STATE, 1, 2));
  EXPECT_EQ(g_attempts.load(), 1);

  g_attempts = 0;
  g_failuresLeft = 3;
  EXPECT_TRUE(PostToControlRetrying(WM_CAM_STATE, 1, 4, giveUp));
  EXPECT_EQ(g_attempts.load(), 4);

  g_failuresLeft = 1000000;
  std::thread stopper([&] {
    Sleep(100);
    giveUp = 1;
  });
  EXPECT_FALSE(PostToControlRetrying(WM_CAM_STATE, 1, 0, giveUp));
  stopper.join();
  SetPostFunction(previous);
  PumpFor(20);
  EXPECT_EQ(control.States(1), std::vector<int>{4});
}

TEST(PostToControlTest, GivesUpWhenTheControlWindowIsGone) {
  stream_test::ControlRecorder control;
  PostToControl(WM_CAM_STATE, 1, 2);
  PumpFor(20);
  ASSERT_EQ(control.States(1), std::vector<int>{2});
  DestroyWindow(control.hwnd());
  // Still registered, but gone: the post fails and must not be retried for ever.
  const std::atomic<int> never{0};
  EXPECT_FALSE(PostToControlRetrying(WM_CAM_STATE, 1, 3, never));
  SetControlWindow(nullptr);
  EXPECT_FALSE(PostToControlRetrying(WM_CAM_STATE, 1, 4, never));  // nothing registered
}

}  // namespace
}  // namespace liveview
