// The one way worker threads and recordings reach the control window: a posted message.
#pragma once

#include <windows.h>

namespace liveview {

// Posts to the registered control window, retrying every 10 ms while the post fails and
// the window still exists. Nothing without a registered window. Safe from any thread.
void PostToControl(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace liveview
