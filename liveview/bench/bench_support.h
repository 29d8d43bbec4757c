// Small pieces the benchmarks share: a millisecond stopwatch, the thread's message queue
// emptied, and a plain window on the display to draw into.
#pragma once

#include <windows.h>

#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Dispatches what is queued for this thread now.
inline void PumpPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// A visible, borderless window of the given size, its first messages handled.
inline HWND CreateBenchWindow(const char* title, int width, int height) {
  HWND window = CreateWindowExA(0, "STATIC", title, WS_POPUP | WS_VISIBLE, 100, 100, width,
                                height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  PumpPending();
  return window;
}

}  // namespace bench
