// The stream client against simulated cameras on loopback: the states the control hears, the
// requests the cameras see, and how starts, stops and faults leave the slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "base/scoped_lock.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/notify/post_to_control.h"
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

  const std::vector<camsim::RecordedRequest> requests = Camera(0).Log().Requests();
  ASSERT_GE(requests.size(), 3u);
  for (const auto& r : requests) {
    EXPECT_EQ(r.block,
              "GET /cgi-bin/sf.cgi HTTP/1.1\r\nConnection: Keep-Alive\r\n"
              "Authorization: Basic dmlld2VyOnBhOnNz\r\n\r\n");
    EXPECT_EQ(r.connection, 1u);
    EXPECT_TRUE(r.authorised);
  }
  // Twice as the connection opens, then every 10th pass: with about a frame a pass, 40
  // frames bring at least three more.
  EXPECT_EQ(requests[0].sequence, 0);
  EXPECT_EQ(requests[1].sequence, 1);
  EXPECT_GE(requests.size(), 5u);
}

TEST_F(StreamClientTest, HostThatDoesNotResolveStopsWithoutReconnecting) {
  SetReconnect(1, 1);
  ASSERT_EQ(Table().Add(0, "no-such-host.invalid", 80, "admin", "admin", "nowhere"), 1);
  ASSERT_EQ(Start(0), 1);
  // The resolver may take its full time-out to give up in the test's private network.
  ASSERT_TRUE(PumpUntil([&] { return SlotFree(0); }, 60000));
  PumpFor(1500);  // past the interval
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateStopped}));
  EXPECT_EQ(Manager().StopStream(0), 1);
}

TEST_F(StreamClientTest, SilenceBringsTheRequestAgainOnTheSameConnection) {
  camsim::StreamFaults faults;
  faults.staySilent = true;
  AddCamera(0).SetFaults(faults);
  ASSERT_EQ(Start(0), 1);
  ASSERT_TRUE(Camera(0).Log().WaitForRequests(RequestKind::Stream, 8, kLogWait));
  Manager().StopStream(0);
  EXPECT_EQ(Camera(0).Log().Connections().size(), 1u);
  for (const auto& r : Camera(0).Log().Requests()) EXPECT_EQ(r.connection, 1u);
  EXPECT_EQ(States(0), (std::vector<int>{kCamStateConnecting, kCamStateRequestSent,
                                         kCamStateStopped}));
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

  ASSERT_EQ(Start(0), 1);
  const HANDLE next = Manager().SlotAt(0)->thread;
  DWORD flags = 0;
  EXPECT_TRUE(next == ended || !GetHandleInformation(ended, &flags));
  Manager().StopStream(0);
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

TEST(PostToControlTest, GivesUpWhenTheControlWindowIsGone) {
  stream_test::ControlRecorder control;
  PostToControl(WM_CAM_STATE, 1, 2);
  PumpFor(20);
  ASSERT_EQ(control.States(1), std::vector<int>{2});
  DestroyWindow(control.hwnd());
  // Still registered, but gone: the post fails and must not be retried for ever.
  PostToControl(WM_CAM_STATE, 1, 3);
  SetControlWindow(nullptr);
  PostToControl(WM_CAM_STATE, 1, 4);  // nothing registered: nothing posted
}

}  // namespace
}  // namespace liveview
