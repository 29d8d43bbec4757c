// The window of the live view control, registered when the control is created, so that camera
// windows, stream workers and recorders on any thread can reach it by posted messages.
// One control per process is supported; the last one registered wins.
#pragma once

#include <windows.h>

namespace liveview {

// nullptr unregisters. Tests register a window of their own that records what it receives.
void SetControlWindow(HWND window);
// The registered window, or nullptr. Read it again before every use: the control may go.
HWND GetControlWindow();

}  // namespace liveview
