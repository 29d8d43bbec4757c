#include "record_post.h"

#include <windows.h>

#include "control_messages.h"
#include "control_window.h"

namespace liveview {

void PostRecordState(int cameraIndex, bool started) {
  // A full queue is worth waiting for; a control that went away is not.
  for (HWND window = GetControlWindow(); window; window = GetControlWindow()) {
    if (PostMessageA(window, WM_CAM_RECORD, static_cast<WPARAM>(cameraIndex), started ? 1 : 0))
      return;
    Sleep(10);
  }
}

}  // namespace liveview
