// Test helpers for the stream client: a control window that records what the workers post,
// camera windows in a top-level parent, simulated cameras entered in the camera table.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "liveview/cameras/camera_table.h"
#include "liveview/notify/tests/control_recorder.h"
#include "liveview/stream/thread_manager.h"
#include "liveview/window/watch_wnd.h"
#include "simulator/http_camera.h"
#include "testing/container/message_pump.h"

namespace liveview {
namespace stream_test {

constexpr DWORD kWaitMs = 20000;

using testing_support::ControlRecorder;
using testing_support::PostedMessage;

// Dispatches this thread's messages until `done` or the time-out; the last value of `done`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return test_container::PumpUntil(done, timeoutMs);
}
using test_container::PumpFor;

// The camera table, the manager, a parent window with 16 camera windows and a recorder of
// the control's messages; everything released at the end.
class StreamFixture {
 public:
  StreamFixture();
  ~StreamFixture();

  CThreadManager& Manager() { return *CThreadManager::Instance(); }
  CCameraTable& Table() { return *CCameraTable::Instance(); }
  CWatchWnd& Window(int number) { return *windows_[number]; }
  ControlRecorder& Control() { return *control_; }

  // A started simulator camera entered as record `index` (reconnect and interval as given).
  camsim::HttpCamera& AddCamera(int index, camsim::CameraConfig config = {});
  camsim::HttpCamera& Camera(int index) { return *cameras_[index]; }
  std::string CameraText(int index) { return Table().CameraText(index); }

  void SetReconnect(int reconnect, int intervalSeconds) {
    Table().Settings().reconnect = reconnect;
    Table().Settings().interval = intervalSeconds;
  }

  // Starts record `index` in the camera window of the same number.
  int Start(int index) { return Manager().StartStream(&Window(index), CameraText(index)); }
  // Waits until the camera has posted `count` frames (state 2).
  bool WaitForFrames(int camera, int count, DWORD timeoutMs = kWaitMs);
  // True when no slot is bound to that window number any more.
  bool WindowFree(int windowIndex) { return Manager().SlotIndexByWindow(windowIndex) < 0; }
  bool SlotFree(int slotIndex);

 private:
  HWND parent_ = nullptr;
  std::unique_ptr<CWatchWnd> windows_[16];
  std::unique_ptr<ControlRecorder> control_;
  std::unique_ptr<camsim::HttpCamera> cameras_[16];
};

}  // namespace stream_test
}  // namespace liveview
