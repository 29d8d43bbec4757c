// Tessaly.ocx hosted in the test container with simulated cameras: the cameras written into
// Tessaly.ini, the control created and its events recorded, members called by name, and the
// camera windows' context menu opened by a real right click.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "simulator/http_camera.h"
#include "tessaly_fixture.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/event_recorder.h"
#include "testing/container/modal_script.h"

namespace tessaly_test {

class HostedTessaly : public RegisteredTessaly {
 protected:
  static constexpr unsigned long kWaitMs = 10000;

  // A simulated camera, started, with the window it is configured for.
  struct Placed {
    int window = 0;
    camsim::CameraConfig config;
  };
  // Writes Tessaly.ini with one camera per entry (nick "Cam<window>" unless the config names
  // one) and the given settings; the cameras are cameras[0], [1]... in the order given.
  void WriteCameras(const std::vector<Placed>& placed, IniSettings settings);
  // `count` cameras in windows 0 to count - 1.
  void StartCameras(int count, int autoInvite = 0, int splitter = 2);

  HRESULT Host(int width = 642, int height = 482);
  void TearDown() override;

  long Call(const std::string& name, const std::function<void(test_container::CallArgs&)>& fill);
  long Splitter(long n);
  long Select(long n);
  long LookPic(int camera) { return Call("LookPic", [&](auto& a) { a.Text(Text(camera)).OutLong(); }); }

  // "127.0.0.1:port" of cameras[i].
  std::string Text(int i) const;
  std::wstring WideText(int i) const;
  // The host has heard state `state` of cameras[i], or of the camera text `text` (since the
  // last Clear of the events).
  bool HeardState(int i, long state, unsigned long waitMs = kWaitMs);
  bool HeardState(const std::wstring& text, long state, unsigned long waitMs = kWaitMs);

  // Adds to `script` the steps that choose the item of mnemonic `key` from the context menu
  // of camera window `window`, and returns the action that makes the right click; run it
  // after script.Start().
  std::function<void()> ChooseFromMenu(test_container::ModalScript& script, int window, char key);

  std::vector<std::unique_ptr<camsim::HttpCamera>> cameras;
  test_container::ControlHost host;
  base::ComPtr<test_container::EventRecorder> events;
};

}  // namespace tessaly_test
