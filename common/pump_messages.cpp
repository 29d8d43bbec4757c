#include "common/pump_messages.h"

namespace common {

bool PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    // Unsigned difference: the deadline stays right across the 49.7-day wrap of the tick count.
    const DWORD passed = GetTickCount() - start;
    if (passed >= milliseconds) return true;
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // Sleeps until input comes or the time is up. MWMO_INPUTAVAILABLE: input a handler's
      // own peek has already seen still wakes it.
      MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - passed, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
      continue;
    }
    if (msg.message == WM_QUIT) {
      // Swallowing it here would leave the thread's loop running after its owner asked to stop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace common
