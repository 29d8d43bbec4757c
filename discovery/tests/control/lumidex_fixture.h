// The Lumidex control served from this test program: its class registered with COM for the
// process, every new control given the IP Helper double of the running case, hosted by class
// id in the test container, with simulated cameras answering its searches.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "common/discovery_messages.h"
#include "discovery/control/lumidex_ctrl.h"
#include "framework/ansi_text.h"
#include "simulator/discovery_responder.h"
#include "simulator/simulated_ip_helper.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"

namespace lumidex_test {

// Network-order value of a dotted text, as hosts pass addresses.
inline long Net(const char* text) { return static_cast<long>(inet_addr(text)); }
// Host-order value, as the event gives them.
inline long Host(const char* text) { return static_cast<long>(ntohl(inet_addr(text))); }

// The control with the finder's test hooks opened up.
class ProbedLumidex : public discovery::CLumidexCtrl {
 public:
  using CLumidexCtrl::CLumidexCtrl;
  using CCameraFinder::ListenerThreadId;
  // The first reply from this MAC ends the listener after it was queued, as a failing
  // receive would: the control stays initialised with a finder that is no longer started.
  std::optional<common::MacAddress> endListenerAfter;
  // While set, the listener waits this long before it hands a new camera to the control, as
  // a listener may that the system preempts between its list and the hand-over.
  std::atomic<DWORD> holdMs{0};
  std::atomic<bool> holding{false};

 protected:
  void OnCameraFound(const common::SearchReply& reply) override;
};

// The control the factory made last (the case's own, unless it made more).
ProbedLumidex* LastCreated();

camsim::DiscoveryIdentity Camera(uint8_t tag, const char* authScheme = "BASIC");
common::MacAddress Mac(uint8_t tag);
std::string MacText(uint8_t tag);

// Search requests the responder has received so far.
size_t Searches(const camsim::DiscoveryResponder& responder);
size_t SetAddressRequests(const camsim::DiscoveryResponder& responder);

// Hidden discovery windows of this thread: static windows with id 0xFFFF under the desktop.
size_t HiddenWindows();
// Threads of this process.
size_t ThreadCount();

class LumidexTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  IDispatch* Control() const { return dispatch_.Get(); }
  // Calls a member whose only argument is lRetCode; its value.
  long Call(const char* name);
  long Call(const char* name, test_container::CallArgs& args, size_t retIndex);
  // Pumps messages until `mac` has been reported `times` times.
  bool WaitReported(uint8_t tag, size_t times = 1, DWORD timeoutMs = 10000);
  size_t TimesReported(uint8_t tag) const;

  // Declared first: the double reads it, the control uses the double.
  camsim::DiscoveryResponder responder_;
  camsim::SimulatedIpHelper ip_{responder_};
  // One container window for the suite: each case's control comes and goes in it (a
  // window of its own would cost each case its slow destruction under Wine).
  test_container::ControlHost& host_ = *sharedHost_;
  static inline test_container::ControlHost* sharedHost_ = nullptr;
  base::ComPtr<IDispatch> dispatch_;
  base::ComPtr<test_container::EventRecorder> events_;
};

}  // namespace lumidex_test
