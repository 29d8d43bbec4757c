// Test helpers for the camera window: a plain top-level parent on the test display that
// records what its camera windows send and post it, and a clock the tests drive.
#pragma once

#include <windows.h>

#include <vector>

namespace liveview {
namespace testing_support {

struct ReceivedMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool sent = false;  // arrived by SendMessage rather than from the queue

  bool operator==(const ReceivedMessage& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam && sent == o.sent;
  }
};

// Records WM_USER+12 to WM_USER+19 and WM_COMMAND, in order of arrival.
class RecordingParent {
 public:
  RecordingParent(int width, int height);
  ~RecordingParent();
  RecordingParent(const RecordingParent&) = delete;
  RecordingParent& operator=(const RecordingParent&) = delete;

  HWND Handle() const { return window_; }
  const std::vector<ReceivedMessage>& Received() const { return received_; }
  void Clear() { received_.clear(); }
  // Dispatches what is queued for this thread now; only messages dispatched here count as
  // posted.
  void Pump();

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM w, LPARAM l);
  HWND window_ = nullptr;
  std::vector<ReceivedMessage> received_;
  bool fromQueue_ = false;
};

// A tick count the tests set; hand FakeTick to CWatchWnd::SetTickSource.
void SetFakeTick(DWORD tick);
DWORD FakeTick();

}  // namespace testing_support
}  // namespace liveview
