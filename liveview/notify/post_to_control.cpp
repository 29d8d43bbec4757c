#include "liveview/notify/post_to_control.h"

#include "liveview/notify/control_registry.h"

namespace liveview {
namespace {

BOOL PostWithTheSystem(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(window, message, wParam, lParam);
}

std::atomic<PostFunction> g_post{&PostWithTheSystem};

}  // namespace

PostFunction SetPostFunction(PostFunction post) {
  return g_post.exchange(post ? post : &PostWithTheSystem);
}

bool PostToControl(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = GetControlWindow();
  return window && g_post.load()(window, message, wParam, lParam);
}

bool PostToControlRetrying(UINT message, WPARAM wParam, LPARAM lParam,
                           const std::atomic<int>& giveUp) {
  for (;;) {
    if (PostToControl(message, wParam, lParam)) return true;
    if (!WaitToRetryPost(giveUp)) return false;
  }
}

bool WaitToRetryPost(const std::atomic<int>& giveUp) {
  // A window that is gone never takes the message; a full queue drains.
  HWND window = GetControlWindow();
  if (!window || !IsWindow(window) || giveUp.load() != 0) return false;
  Sleep(10);
  return true;
}

}  // namespace liveview
