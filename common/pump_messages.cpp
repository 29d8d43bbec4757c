#include "common/pump_messages.h"

namespace common {

bool PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  // Unsigned difference: the deadline stays right across the 49.7-day wrap of the tick count.
  while (GetTickCount() - start < milliseconds) {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) {
      // Swallowing it here would leave the thread's loop running after its owner asked to stop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return true;
}

}  // namespace common
