#include "lumidex_fixture.h"

#include <ole2.h>
#include <tlhelp32.h>

#include <new>
#include <stdexcept>

#include "discovery/control/lumidex_classes.h"
#include "isolated_network.h"
#include "lumidex_h.h"
#include "testing/container/message_pump.h"
#include "testing/container/ole_environment.h"

namespace lumidex_test {
namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new test_container::OleEnvironment);

common::IpHelper* g_ipForNewControls = nullptr;
ProbedLumidex* g_lastCreated = nullptr;

// Serves the class as the module would, but each control gets the double of the case.
class TestFactory final : public fw::ClassFactory {
 public:
  TestFactory() : ClassFactory(*discovery::kLumidexClass.clsid) {}
  HRESULT UpdateRegistry(bool) override { return S_OK; }

 protected:
  HRESULT CreateObject(REFIID iid, void** out) override {
    if (!g_ipForNewControls) return E_UNEXPECTED;
    auto* object = new (std::nothrow) ProbedLumidex(*g_ipForNewControls);
    if (!object) return E_OUTOFMEMORY;
    g_lastCreated = object;
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
};

TestFactory g_factory;
DWORD g_cookie = 0;

}  // namespace

void ProbedLumidex::OnCameraFound(const common::SearchReply& reply) {
  if (const DWORD hold = holdMs.exchange(0)) {
    holding = true;
    Sleep(hold);
    holding = false;
  }
  CLumidexCtrl::OnCameraFound(reply);
  if (endListenerAfter && reply.mac == *endListenerAfter) throw std::runtime_error("listener ends");
}

ProbedLumidex* LastCreated() { return g_lastCreated; }

camsim::DiscoveryIdentity Camera(uint8_t tag, const char* authScheme) {
  camsim::DiscoveryIdentity camera;
  camera.mac = Mac(tag);
  camera.address = 0x0AD50032 + tag;  // 10.213.0.50 + tag
  camera.mask = 0xFFFFFF00;
  camera.gateway = 0x0AD500FE;
  camera.webPort = 8000 + tag;
  camera.firmware = "camsim " + std::to_string(tag);
  if (authScheme) {
    camera.authScheme = std::string(authScheme);
  } else {
    camera.authScheme.reset();
  }
  return camera;
}

common::MacAddress Mac(uint8_t tag) { return {0x00, 0x1a, 0x2b, 0xcd, 0xef, tag}; }

std::string MacText(uint8_t tag) { return camsim::FormatMac(Mac(tag)); }

size_t Searches(const camsim::DiscoveryResponder& responder) {
  return responder.Snapshot().Count(camsim::ReceivedDatagram::Kind::Search);
}

size_t SetAddressRequests(const camsim::DiscoveryResponder& responder) {
  return responder.Snapshot().Count(camsim::ReceivedDatagram::Kind::SetAddress);
}

size_t HiddenWindows() {
  size_t count = 0;
  for (HWND w = FindWindowExA(GetDesktopWindow(), nullptr, "Static", nullptr); w;
       w = FindWindowExA(GetDesktopWindow(), w, "Static", nullptr)) {
    if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
        GetDlgCtrlID(w) == discovery::kNotifyWndId)
      ++count;
  }
  return count;
}

size_t ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

void LumidexTest::SetUpTestSuite() {
  sharedHost_ = new test_container::ControlHost;
  ASSERT_EQ(CoRegisterClassObject(*discovery::kLumidexClass.clsid, &g_factory,
                                  CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &g_cookie),
            S_OK);
}

void LumidexTest::TearDownTestSuite() {
  if (g_cookie) CoRevokeClassObject(g_cookie);
  g_cookie = 0;
  delete sharedHost_;
  sharedHost_ = nullptr;
}

void LumidexTest::SetUp() {
  ASSERT_TRUE(testing_support::InIsolatedNetwork());
  ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
  // The PC as the double shows it: one Ethernet adapter in the test segment, and a modem
  // that never takes part.
  ip_.AddAdapter(7, {{inet_addr("10.213.0.1"), inet_addr("255.255.255.0")}},
                 inet_addr("10.213.0.254"));
  ip_.AddAdapter(9, {{inet_addr("172.16.5.5"), inet_addr("255.255.0.0")}}, 0, 23);
  ip_.AddAdapter(8, {{0, 0}});
  g_ipForNewControls = &ip_;
  ASSERT_EQ(host_.Create(*discovery::kLumidexClass.clsid, 120, 90), S_OK);
  dispatch_ = host_.Dispatch();
  ASSERT_TRUE(dispatch_);
  events_ = test_container::EventRecorder::Create(DIID__DLumidexEvents);
  ASSERT_EQ(events_->Connect(host_.Control()), S_OK);
}

void LumidexTest::TearDown() {
  if (events_) events_->Disconnect();
  dispatch_.Reset();
  host_.Close();
  test_container::PumpPending();
  g_ipForNewControls = nullptr;
  g_lastCreated = nullptr;
  responder_.Stop();
}

long LumidexTest::Call(const char* name) {
  test_container::CallArgs args;
  args.OutLong(-99);
  return Call(name, args, 0);
}

long LumidexTest::Call(const char* name, test_container::CallArgs& args, size_t retIndex) {
  const auto result = test_container::CallByName(Control(), name, args);
  EXPECT_EQ(result.hr, S_OK) << name;
  return args.LongAt(retIndex);
}

size_t LumidexTest::TimesReported(uint8_t tag) const {
  const std::wstring mac = fw::AnsiToWide(MacText(tag));
  size_t n = 0;
  for (const auto& e : events_->Events()) {
    if (e.id == discovery::kDispidOnEnumIPCam && e.TextArg(0) == mac) ++n;
  }
  return n;
}

bool LumidexTest::WaitReported(uint8_t tag, size_t times, DWORD timeoutMs) {
  return test_container::PumpUntil([&] { return TimesReported(tag) >= times; }, timeoutMs);
}

}  // namespace lumidex_test
