#include "liveview/window/tests/watch_test_support.h"

#include <atomic>

namespace liveview {
namespace testing_support {
namespace {

constexpr char kParentClass[] = "WatchTestParent";
std::atomic<DWORD> g_fakeTick{100000};

bool Recorded(UINT msg) {
  return (msg >= WM_USER + 12 && msg <= WM_USER + 19) || msg == WM_COMMAND;
}

}  // namespace

RecordingParent::RecordingParent(int width, int height) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &RecordingParent::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = kParentClass;
    return RegisterClassA(&wc) != 0;
  }();
  if (!registered) return;
  window_ = CreateWindowExA(WS_EX_TOPMOST, kParentClass, "watch test", WS_POPUP | WS_VISIBLE, 0, 0,
                            width, height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  Pump();
}

RecordingParent::~RecordingParent() {
  if (window_) DestroyWindow(window_);
}

void RecordingParent::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    const bool ours = msg.hwnd == window_ && Recorded(msg.message);
    if (ours) received_.push_back({msg.message, msg.wParam, msg.lParam, false});
    fromQueue_ = ours;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    fromQueue_ = false;
  }
}

LRESULT CALLBACK RecordingParent::Proc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingParent*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Queued arrivals are recorded by Pump, which dispatches them; the rest were sent.
  if (self && Recorded(msg) && !self->fromQueue_) self->received_.push_back({msg, w, l, true});
  return DefWindowProcA(window, msg, w, l);
}

void SetFakeTick(DWORD tick) { g_fakeTick.store(tick); }
DWORD FakeTick() { return g_fakeTick.load(); }

}  // namespace testing_support
}  // namespace liveview
