// Finding cameras through the control, in-process: Init, Uninit and Reflesh, the search
// timer, and OnEnumIPCam as hosts receive it, with simulated cameras in the private network.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <thread>
#include <utility>

#include "base/scoped_socket.h"
#include "discovery/control/lumidex_classes.h"
#include "lumidex_fixture.h"
#include "lumidex_h.h"
#include "testing/container/message_pump.h"

namespace lumidex_test {
namespace {

using test_container::PumpFor;
using test_container::PumpUntil;

TEST_F(LumidexTest, InitTwiceAnswersOneBothTimesWithOneListenerTimerAndWindow) {
  responder_.AddCamera(Camera(1));
  responder_.AddCamera(Camera(2));
  EXPECT_EQ(HiddenWindows(), 0u);
  EXPECT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(1));
  ASSERT_TRUE(WaitReported(2));
  const DWORD listener = LastCreated()->ListenerThreadId();
  ASSERT_NE(listener, 0u);
  const size_t threads = ThreadCount();
  EXPECT_EQ(HiddenWindows(), 1u);

  const size_t searchesBefore = Searches(responder_);
  const DWORD start = GetTickCount();
  EXPECT_EQ(Call("Init"), 1);
  // The second Init cleared the list and searched: every camera is reported again.
  EXPECT_TRUE(WaitReported(1, 2));
  EXPECT_TRUE(WaitReported(2, 2));
  EXPECT_EQ(LastCreated()->ListenerThreadId(), listener);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(HiddenWindows(), 1u);
  // One timer: the Init's own search and one a second, not two.
  PumpFor(3300);
  const size_t searches = Searches(responder_) - searchesBefore;
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(searches, 3u);
  EXPECT_LE(searches, 2 + elapsed / 1000) << elapsed << " ms";
  EXPECT_EQ(TimesReported(1), 2u);

  EXPECT_EQ(Call("Uninit"), 1);
  EXPECT_EQ(HiddenWindows(), 0u);
  EXPECT_EQ(LastCreated()->ListenerThreadId(), 0u);
}

TEST_F(LumidexTest, CameraAnsweringEverySecondIsReportedOnceUntilReflesh) {
  responder_.AddCamera(Camera(3));
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(3));
  const size_t searches = Searches(responder_);
  ASSERT_TRUE(PumpUntil([&] { return Searches(responder_) >= searches + 2; }, 5000));
  PumpFor(200);  // the answers to those searches
  EXPECT_EQ(TimesReported(3), 1u);

  EXPECT_EQ(Call("Reflesh"), 1);
  EXPECT_TRUE(WaitReported(3, 2));
  PumpFor(1500);
  EXPECT_EQ(TimesReported(3), 2u);
}

TEST_F(LumidexTest, SearchesEverySecondWhileInitialisedAndNoneAfterUninit) {
  EXPECT_EQ(Call("Reflesh"), 1);
  PumpFor(300);
  EXPECT_EQ(Searches(responder_), 0u) << "Reflesh before Init sends nothing";

  ASSERT_EQ(Call("Init"), 1);
  const DWORD start = GetTickCount();
  PumpFor(3300);
  const size_t during = Searches(responder_);
  EXPECT_GE(during, 3u);
  EXPECT_LE(during, 1 + (GetTickCount() - start) / 1000 + 1);

  EXPECT_EQ(Call("Uninit"), 1);
  const size_t atUninit = Searches(responder_);
  PumpFor(2300);
  EXPECT_EQ(Searches(responder_), atUninit);
  EXPECT_EQ(Call("Uninit"), 1) << "Uninit without Init";
}

TEST_F(LumidexTest, EventCarriesTheCameraAsTheHostSeesIt) {
  struct Case {
    camsim::DiscoveryIdentity camera;
    const wchar_t* mac;
    long ip, mask, gateway;
    std::wstring firmware;
    short port;
  };
  auto camera = [](common::MacAddress mac, uint32_t address, uint32_t mask, uint32_t gateway,
                   uint16_t port, std::string firmware, const char* scheme) {
    camsim::DiscoveryIdentity c;
    c.mac = mac;
    c.address = address;
    c.mask = mask;
    c.gateway = gateway;
    c.webPort = port;
    c.firmware = std::move(firmware);
    if (scheme) {
      c.authScheme = std::string(scheme);
    } else {
      c.authScheme.reset();
    }
    return c;
  };
  const std::string longFirmware(45, 'v');  // fills its 40 bytes without a NUL
  const Case cases[] = {
      {camera({0x00, 0x1A, 0x2B, 0xCD, 0xEF, 0x10}, 0xC0A8010A, 0xFFFFFF00, 0xC0A80101, 80,
              "V2.1 build 7", "BASIC"),
       L"001a2bcdef10", Host("192.168.1.10"), Host("255.255.255.0"), Host("192.168.1.1"),
       L"V2.1 build 7", 80},
      {camera({0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x11}, 0x0AD50063, 0xFFFF0000, 0x0AD50001, 65535,
              "", nullptr),
       L"aabbccddee11", Host("10.213.0.99"), Host("255.255.0.0"), Host("10.213.0.1"), L"", -1},
      {camera({0x00, 0x00, 0x00, 0x00, 0x00, 0x12}, 0xFE000001, 0xFF000000, 0, 32768,
              longFirmware, "DIGEST"),
       L"000000000012", Host("254.0.0.1"), Host("255.0.0.0"), 0,
       std::wstring(39, L'v'), -32768},
  };
  for (const Case& c : cases) responder_.AddCamera(c.camera);
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(PumpUntil([&] { return events_->Count(discovery::kDispidOnEnumIPCam) >= 3; }, 10000));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mac);
    const test_container::RecordedEvent* found = nullptr;
    for (const auto& e : events_->Events())
      if (e.TextArg(0) == c.mac) found = &e;
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->args.size(), 6u);
    EXPECT_EQ(found->types[1], VT_I4);
    EXPECT_EQ(found->types[5], VT_I2);
    EXPECT_EQ(found->LongArg(1), c.ip);
    EXPECT_EQ(found->TextArg(2), c.firmware);
    EXPECT_EQ(found->LongArg(3), c.mask);
    EXPECT_EQ(found->LongArg(4), c.gateway);
    EXPECT_EQ(found->LongArg(5), c.port);
  }
}

// A host connects what it has: a sink of the event interface or a plain IDispatch (scripts,
// pages).
TEST_F(LumidexTest, PlainDispatchSinkReceivesTheEventToo) {
  auto plain = test_container::EventRecorder::Create(IID_IDispatch);
  base::ComPtr<IConnectionPointContainer> container =
      host_.As<IConnectionPointContainer>();
  base::ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__DLumidexEvents, point.Receive()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(plain.Get()), &cookie), S_OK);
  responder_.AddCamera(Camera(4));
  ASSERT_EQ(Call("Init"), 1);
  EXPECT_TRUE(PumpUntil([&] { return plain->Count(discovery::kDispidOnEnumIPCam) == 1; }, 10000));
  EXPECT_TRUE(WaitReported(4));
  point->Unadvise(cookie);
}

// --- what was mended ---

// Each hidden window speaks for its own control: a second control made or destroyed
// meanwhile neither takes the first one's events nor silences them.
TEST_F(LumidexTest, AnotherControlNeitherTakesNorEndsTheEvents) {
  responder_.AddCamera(Camera(5));
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(5));
  {
    base::ComPtr<IUnknown> other;
    ASSERT_EQ(CoCreateInstance(*discovery::kLumidexClass.clsid, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IUnknown, other.ReceiveVoid()),
              S_OK);
    auto otherEvents = test_container::EventRecorder::Create(DIID__DLumidexEvents);
    ASSERT_EQ(otherEvents->Connect(other.Get()), S_OK);
    EXPECT_EQ(Call("Reflesh"), 1);
    EXPECT_TRUE(WaitReported(5, 2));
    PumpFor(300);
    EXPECT_EQ(otherEvents->Count(discovery::kDispidOnEnumIPCam), 0u);
    otherEvents->Disconnect();
  }
  EXPECT_EQ(Call("Reflesh"), 1);
  EXPECT_TRUE(WaitReported(5, 3)) << "the other control's end silenced this one";
}

// The hidden window comes first; a start that fails leaves nothing behind.
TEST_F(LumidexTest, InitThatCannotListenAnswersZeroAndLeavesNothingRunning) {
  base::ScopedSocket holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  responder_.AddCamera(Camera(6));
  const size_t threads = ThreadCount();

  EXPECT_EQ(Call("Init"), 0);
  EXPECT_EQ(HiddenWindows(), 0u);
  EXPECT_EQ(LastCreated()->ListenerThreadId(), 0u);
  PumpFor(1500);
  EXPECT_EQ(Searches(responder_), 0u) << "a timer or a search went on";
  EXPECT_EQ(ThreadCount(), threads);
  test_container::CallArgs free;
  free.OutLong(0).Long(Net("255.255.255.0")).Long(Net("10.213.0.254")).OutLong(-1);
  EXPECT_EQ(Call("GetFreeIP", free, 3), 0) << "not initialised";

  holder.Reset();
  EXPECT_EQ(Call("Init"), 1);
  EXPECT_TRUE(WaitReported(6));
}

// Nothing travels in the messages: what others send as 2135 or 1124 makes the control look
// only at its own queue, and a clear empties that queue.
TEST_F(LumidexTest, ForeignWakeUpsReadNothingAndClearsEmptyTheQueue) {
  responder_.AddCamera(Camera(7));
  responder_.AddCamera(Camera(8));
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(7));
  ASSERT_TRUE(WaitReported(8));
  HWND hidden = nullptr;
  for (HWND w = FindWindowExA(GetDesktopWindow(), nullptr, "Static", nullptr); w;
       w = FindWindowExA(GetDesktopWindow(), w, "Static", nullptr)) {
    if (GetDlgCtrlID(w) == discovery::kNotifyWndId &&
        GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId())
      hidden = w;
  }
  ASSERT_NE(hidden, nullptr);
  PostMessageA(hidden, discovery::WM_CAMFOUND, 0xDEADBEEF, 0x1234);
  SendMessageA(hidden, discovery::WM_CAMFOUND, 0x10, 0);
  if (HWND own = host_.ControlWindow()) SendMessageA(own, discovery::CB_CAMFOUND, 0xDEADBEEF, 0);
  PumpFor(300);
  EXPECT_EQ(TimesReported(7), 1u);
  EXPECT_EQ(TimesReported(8), 1u);

  // Replies queued while the host's thread is busy, then a clear, then more replies: after
  // the clear each camera comes once.
  events_->Clear();
  EXPECT_EQ(Call("Reflesh"), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(Call("Reflesh"), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(Call("Reflesh"), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  ASSERT_TRUE(WaitReported(7));
  ASSERT_TRUE(WaitReported(8));
  PumpFor(300);
  EXPECT_EQ(TimesReported(7), 1u);
  EXPECT_EQ(TimesReported(8), 1u);

  // Queued, then Uninit: nothing fires afterwards.
  events_->Clear();
  EXPECT_EQ(Call("Reflesh"), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(Call("Uninit"), 1);
  PumpFor(500);
  EXPECT_EQ(events_->Count(discovery::kDispidOnEnumIPCam), 0u);
}

// The finder hands a camera over outside its list lock: a reply taken in before a clear may
// reach the queue after it, and the camera's answer to the clear's search follows. Both are
// in the queue and the camera in the list, yet it is reported once.
TEST_F(LumidexTest, CameraQueuedJustAfterAClearIsReportedOnce) {
  responder_.AddCamera(Camera(15));
  LastCreated()->holdMs = 800;
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(PumpUntil([&] { return LastCreated()->holding.load(); }, 5000));
  EXPECT_EQ(Call("Reflesh"), 1);
  ASSERT_TRUE(PumpUntil([&] { return !LastCreated()->holding.load(); }, 5000));
  ASSERT_TRUE(WaitReported(15));
  PumpFor(700);
  EXPECT_EQ(TimesReported(15), 1u);
}

// The host may stop discovery or drop the control from inside the event.
TEST_F(LumidexTest, HostMayUninitOrReleaseTheControlInsideTheEvent) {
  for (uint8_t tag = 10; tag < 14; ++tag) responder_.AddCamera(Camera(tag));
  events_->SetHook([&](DISPID, DISPPARAMS*) {
    test_container::CallArgs args;
    args.OutLong();
    const auto r = test_container::CallByName(Control(), "Uninit", args);
    EXPECT_EQ(r.hr, S_OK) << std::hex << r.hr;
  });
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(PumpUntil([&] { return events_->Count(discovery::kDispidOnEnumIPCam) >= 1; }, 10000));
  PumpFor(1500);
  EXPECT_EQ(events_->Count(discovery::kDispidOnEnumIPCam), 1u) << "events after Uninit";
  EXPECT_EQ(HiddenWindows(), 0u);

  events_->Clear();
  bool dropped = false;
  events_->SetHook([&](DISPID, DISPPARAMS*) {
    if (std::exchange(dropped, true)) return;
    // The host lets go of everything: its sink, its reference, the site's.
    events_->Disconnect();
    dispatch_.Reset();
    host_.Close();
  });
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(PumpUntil([&] { return events_->Count(discovery::kDispidOnEnumIPCam) >= 1; }, 10000));
  PumpFor(1500);
  EXPECT_EQ(events_->Count(discovery::kDispidOnEnumIPCam), 1u);
  EXPECT_EQ(HiddenWindows(), 0u) << "the control is still there";
}

// The control's own state decides GetFreeIP: a finder whose listener ended stays initialised.
TEST_F(LumidexTest, GetFreeIPFollowsInitNotTheListener) {
  responder_.AddCamera(Camera(14));
  LastCreated()->endListenerAfter = Mac(14);
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(14));
  ASSERT_TRUE(PumpUntil([&] { return !LastCreated()->IsStarted(); }, 5000));
  test_container::CallArgs free;
  free.OutLong(0).Long(Net("255.255.255.0")).Long(Net("10.213.0.254")).OutLong();
  EXPECT_EQ(Call("GetFreeIP", free, 3), 1);
  EXPECT_EQ(free.LongAt(0), Net("10.213.0.2")) << "10.213.0.1 is the PC's own address";
  EXPECT_EQ(Call("Uninit"), 1);
  EXPECT_EQ(Call("GetFreeIP", free, 3), 0);
}

}  // namespace
}  // namespace lumidex_test
