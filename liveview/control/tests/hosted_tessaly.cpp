#include "hosted_tessaly.h"

#include <memory>

#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/message_pump.h"
#include "testing/container/popup_menu.h"

#include "liveview/control/tests/camera_activity.h"

namespace tessaly_test {

void HostedTessaly::WriteCameras(const std::vector<Placed>& placed, IniSettings settings) {
  for (const Placed& p : placed) {
    camsim::CameraConfig config = p.config;
    if (config.name == camsim::CameraConfig{}.name) config.name = "Cam" + std::to_string(p.window);
    cameras.push_back(std::make_unique<camsim::HttpCamera>(config));
    ASSERT_TRUE(cameras.back()->Start());
    settings.cameras.push_back(
        {p.window, "127.0.0.1", cameras.back()->Port() + 0, "admin", "admin", config.name});
  }
  WriteSettings(settings);
}

void HostedTessaly::StartCameras(int count, int autoInvite, int splitter) {
  std::vector<Placed> placed;
  for (int i = 0; i < count; ++i) placed.push_back({i, {}});
  IniSettings settings;
  settings.autoInvite = autoInvite;
  settings.splitter = splitter;
  WriteCameras(placed, settings);
}

HRESULT HostedTessaly::Host(int width, int height) {
  SetWindowPos(host.Window(), nullptr, 0, 0, width + 100, height + 100, SWP_NOMOVE | SWP_NOZORDER);
  const HRESULT hr = host.Create(kProgId, width, height);
  if (hr == S_OK) {
    events = test_container::EventRecorder::Create(DIID__DTessalyEvents);
    events->Connect(host.Control());
  }
  return hr;
}

void HostedTessaly::TearDown() {
  // A case's hook holds references to the case's own locals, gone by now.
  if (events) {
    events->SetHook(nullptr);
    events->Disconnect();
  }
  host.Close();
}

long HostedTessaly::Call(const std::string& name,
                         const std::function<void(test_container::CallArgs&)>& fill) {
  test_container::CallArgs args;
  fill(args);
  EXPECT_EQ(test_container::CallByName(host.Dispatch().Get(), name, args).hr, S_OK) << name;
  return args.LongAt(args.Count() - 1);
}

long HostedTessaly::Splitter(long n) {
  return Call("SetSplitterMethod", [n](auto& a) { a.Long(n).OutLong(); });
}

long HostedTessaly::Select(long n) {
  return Call("SetDefaultWnd", [n](auto& a) { a.Long(n).OutLong(); });
}

std::string HostedTessaly::Text(int i) const {
  return "127.0.0.1:" + std::to_string(cameras[i]->Port());
}

std::wstring HostedTessaly::WideText(int i) const {
  return L"127.0.0.1:" + std::to_wstring(cameras[i]->Port());
}

bool HostedTessaly::HeardState(int i, long state, unsigned long waitMs) {
  return HeardState(WideText(i), state, waitMs);
}

bool HostedTessaly::HeardState(const std::wstring& text, long state, unsigned long waitMs) {
  return test_container::PumpUntil(
      [&] {
        if (!events) return false;
        for (const auto& e : events->Events()) {
          if (e.id == kFireReConnect && e.TextArg(0) == text && e.LongArg(1) == state) {
            return true;
          }
        }
        return false;
      },
      waitMs);
}

std::function<void()> HostedTessaly::ChooseFromMenu(test_container::ModalScript& script,
                                                    int window, char key) {
  auto menu = std::make_shared<HWND>(nullptr);
  script.Then("the menu is open", [menu] {
    return (*menu = test_container::OpenPopupMenuOfThisThread()) != nullptr;
  });
  script.Then(std::string("the item of ") + key, [menu, key] {
    PostMessageA(*menu, WM_CHAR, static_cast<WPARAM>(key), 0);
    return true;
  });
  const HWND target = CameraWindows(host.ControlWindow()).at(static_cast<size_t>(window));
  return [target] {
    PostMessageA(target, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    PostMessageA(target, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
  };
}

}  // namespace tessaly_test
