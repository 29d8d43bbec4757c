#include "liveview/notify/tests/control_recorder.h"

#include <algorithm>

#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"

namespace liveview {
namespace testing_support {
namespace {

constexpr char kRecorderClass[] = "TestControlRecorder";

bool InControlRange(UINT message) { return message >= WM_USER && message < WM_USER + 0x100; }

}  // namespace

ControlRecorder::ControlRecorder() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ControlRecorder::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kRecorderClass;
    return RegisterClassA(&wc) != 0;
  }();
  if (!registered) return;
  window_ = CreateWindowExA(0, kRecorderClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetControlWindow(window_);
}

ControlRecorder::~ControlRecorder() {
  SetControlWindow(nullptr);
  if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK ControlRecorder::Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (InControlRange(message)) {
    auto* self = reinterpret_cast<ControlRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self) self->messages_.push_back({message, w, l});
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

void ControlRecorder::Collect() {
  MSG msg;
  while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

std::vector<PostedMessage> ControlRecorder::Messages() {
  Collect();
  return messages_;
}

std::vector<int> ControlRecorder::States(int camera) {
  Collect();
  std::vector<int> states;
  for (const PostedMessage& m : messages_) {
    if (m.message == WM_CAM_STATE && static_cast<int>(m.wParam) == camera) {
      states.push_back(static_cast<int>(m.lParam));
    }
  }
  return states;
}

int ControlRecorder::CountState(int camera, int state) {
  const std::vector<int> states = States(camera);
  return static_cast<int>(std::count(states.begin(), states.end(), state));
}

std::vector<std::pair<int, int>> ControlRecorder::TakeRecordPosts() {
  Collect();
  std::vector<std::pair<int, int>> posts;
  for (; recordPostsTaken_ < messages_.size(); ++recordPostsTaken_) {
    const PostedMessage& m = messages_[recordPostsTaken_];
    if (m.message == WM_CAM_RECORD) {
      posts.emplace_back(static_cast<int>(m.wParam), static_cast<int>(m.lParam));
    }
  }
  return posts;
}

}  // namespace testing_support
}  // namespace liveview
