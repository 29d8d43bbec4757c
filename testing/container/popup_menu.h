// Finding the popup menu a test opened. Popup menus are top-level windows of class "#32768"
// on the shared test display, so FindWindow may find another test process's menu; the one
// this thread tracks is among this thread's windows.
#pragma once

#include <windows.h>

namespace test_container {

// The visible popup menu window of the calling thread, or nullptr.
HWND OpenPopupMenuOfThisThread();

}  // namespace test_container
