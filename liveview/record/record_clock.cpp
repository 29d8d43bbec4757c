#include "liveview/record/record_clock.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>

namespace liveview {
namespace {
uint32_t SystemClock() { return timeGetTime(); }
std::atomic<RecordClockFunction> g_clock{&SystemClock};
}  // namespace

uint32_t RecordClockNow() { return g_clock.load()(); }

void SetRecordClock(RecordClockFunction clock) { g_clock.store(clock ? clock : &SystemClock); }

}  // namespace liveview
