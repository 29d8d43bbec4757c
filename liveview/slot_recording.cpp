#include "slot_recording.h"

#include "scoped_lock.h"

// Placeholder until the AVI recorder lands: a slot never holds a recorder yet.
namespace liveview {

bool StartRecording(StreamSlot&, int, int, int, int, const char*) { return false; }

int AddRecordFrame(StreamSlot& slot, const uint8_t*, int, int, int) {
  return slot.recorder ? 1 : 0;
}

int StopRecording(StreamSlot& slot) {
  slot.recorder.reset();
  return 1;
}

int StopRecordingLocked(StreamSlot& slot) {
  common::CScopedLock hold(slot.lock);
  return StopRecording(slot);
}

}  // namespace liveview
