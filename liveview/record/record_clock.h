// The millisecond clock a recording measures its frame rate with (timeGetTime), behind a seam
// so tests can drive a recording's length without waiting for it.
#pragma once

#include <cstdint>

namespace liveview {

using RecordClockFunction = uint32_t (*)();

uint32_t RecordClockNow();
// nullptr restores timeGetTime.
void SetRecordClock(RecordClockFunction clock);

}  // namespace liveview
