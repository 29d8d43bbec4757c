// Waiting in tests on the user-interface thread: messages keep flowing (posted events,
// timers, window painting) while a condition is awaited, and every wait has a time-out.
#pragma once

#include <windows.h>

#include <functional>

namespace test_container {

// Dispatches this thread's messages until `done` is true or `timeoutMs` passed; the last
// value of `done`. Wakes on every message, so it ends as soon as the condition holds.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Dispatches this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);

// Dispatches what is queued now, without waiting.
void PumpPending();

}  // namespace test_container
