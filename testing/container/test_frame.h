// A plain top-level window on the test display for a test to put a form in, the way an
// application's main window would hold it.
#pragma once

#include <windows.h>

namespace test_container {

// A visible overlapped window with the window rectangle `outer`; null when it cannot be made.
// The caller destroys it.
HWND CreateTestFrame(const char* caption, const RECT& outer);

// The window rectangle at (x, y) whose client area is `width` x `height`.
RECT FrameAroundClient(int x, int y, int width, int height);

}  // namespace test_container
