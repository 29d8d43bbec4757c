// One of the stream client's 16 slots: the camera it streams, its worker, its buffers and its
// recording. The manager owns the slots; a slot lives as long as the manager.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "base/critical_section.h"
#include "base/scoped_lock.h"
#include "liveview/record/slot_recording.h"
#include "liveview/stream/header_block.h"
#include "liveview/stream/stream_parse_state.h"

namespace liveview {

class CWatchWnd;

// The parse state and buffers come first (StreamParse), then the rest of the slot.
struct StreamSlot : StreamParse {
  StreamSlot() = default;
  StreamSlot(const StreamSlot&) = delete;
  StreamSlot& operator=(const StreamSlot&) = delete;

  // Empty: the slot is free. Claimed and emptied under `lock`.
  std::string host;
  HANDLE thread = nullptr;
  CWatchWnd* window = nullptr;  // not owned
  // The user-interface thread and the worker share this and the parse state without the lock.
  std::atomic<int> stopRequest{0};
  int windowIndex = -1;
  // wParam of every message the slot posts. Changed for a running stream only with both
  // `postLock` and `lock` held; read under either.
  int cameraIndex = -1;

  // Guarded by `lock`.
  SlotRecording recording;

  std::atomic<int> running{0};
  // Set by StopStream before it waits for the worker, and by a claim of the freed slot before
  // it waits for the worker still retrying its last state: the worker's posts then no longer
  // wait for the host's queue, which only the waiting thread drains. Cleared at a claim.
  std::atomic<int> hostWaiting{0};
  // Whoever closes the socket first exchanges it for 0 and closes only a nonzero value. Only
  // the worker closes it once connected; a stop during the blocking connect (`connecting`,
  // changed under `lock`) closes it, as nothing else ends that call.
  std::atomic<SOCKET> socket{0};
  bool connecting = false;
  // What the body read took past its body for the next header read (worker only; emptied
  // with each connection).
  HeaderCarry carry;
  uint16_t port = 0;
  // Read by the worker, may be changed by the control while it runs.
  std::atomic<int> reconnect{1};
  std::string credentials;
  std::atomic<int> reconnectInterval{0};  // seconds
  base::CriticalSection lock;

  // Held around each state post together with the read of the index it goes under, and by
  // the control, with `lock`, while it moves cameras to other indexes: every post is queued
  // either before the control's note of the move, under the index that note maps, or after
  // it under the new index. Not `lock` itself: a frame's state must not keep the slot locked.
  // Taken before `lock` where both are.
  base::CriticalSection postLock;
  // Guarded by `postLock`: the camera indexes under which workers that have already freed
  // the slot still owe their last state (a full queue did not take it at once). A move of
  // cameras changes them as it changes `cameraIndex`.
  std::list<int> owedLastStates;
};

// Ends the slot's recording when its feed has brought no frame for kStaleFeedMs; takes the
// slot lock. Checked wherever a worker waits for a camera, so a camera that stays connected
// but sends nothing does not keep its recording for ever.
inline void StopStaleRecording(StreamSlot& slot) {
  base::CScopedLock hold(slot.lock);
  StopRecordingIfStale(slot.recording, slot.cameraIndex);
}

}  // namespace liveview
