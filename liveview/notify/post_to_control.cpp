#include "liveview/notify/post_to_control.h"

#include "liveview/notify/control_registry.h"

namespace liveview {

void PostToControl(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = GetControlWindow();
  if (!window) return;
  while (!PostMessageA(window, message, wParam, lParam)) {
    Sleep(10);
    // A full queue drains; a window that is gone never takes the message.
    window = GetControlWindow();
    if (!window || !IsWindow(window)) return;
  }
}

}  // namespace liveview
