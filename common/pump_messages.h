// Waits while the thread's window messages keep flowing, so host calls and posted messages
// can run inside the wait.
#pragma once

#include <windows.h>

namespace common {

// Removes, translates and dispatches this thread's messages until `milliseconds` have passed
// on the GetTickCount clock, sleeping while there are none. A WM_QUIT met on the way is
// posted again and ends the wait early, so the caller's own message loop still sees it.
// Returns false when the wait ended that way, true when the full time passed.
bool PumpMessages(DWORD milliseconds);

}  // namespace common
