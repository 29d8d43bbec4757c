// A stand-in for the control window: a message-only window on the test's thread, registered
// as the control window for its life, that keeps every message of the control's range posted
// to it by camera windows, stream workers and recordings.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace liveview {
namespace testing_support {

struct PostedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class ControlRecorder {
 public:
  ControlRecorder();
  ~ControlRecorder();
  ControlRecorder(const ControlRecorder&) = delete;
  ControlRecorder& operator=(const ControlRecorder&) = delete;

  HWND hwnd() const { return window_; }
  // Everything posted so far, oldest first; posts still in the queue count.
  std::vector<PostedMessage> Messages();
  // Connection states posted for one camera index, in order.
  std::vector<int> States(int camera);
  int CountState(int camera, int state);
  // (camera index, 1 started / 0 stopped) of the recording posts since the last call.
  std::vector<std::pair<int, int>> TakeRecordPosts();

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
  void Collect();

  HWND window_ = nullptr;
  std::vector<PostedMessage> messages_;
  size_t recordPostsTaken_ = 0;  // index into messages_ of the next post to take
};

}  // namespace testing_support
}  // namespace liveview
