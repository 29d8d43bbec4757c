// One of the stream client's 16 slots: the camera it streams, its worker, its buffers and its
// recording. The manager owns the slots; a slot lives as long as the manager.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/critical_section.h"
#include "base/scoped_lock.h"
#include "liveview/record/slot_recording.h"

namespace liveview {

class CWatchWnd;

// Parse states of a slot's receive buffer.
enum ParseState : int {
  kParseIdle = 0,
  kParseResponseHeader = 1,  // a response header is expected
  kParsePartHeader = 2,      // a part header is expected
  kParsePartLength = 3,      // the current part's length is known
};

struct StreamSlot {
  static constexpr int kReceiveCapacity = 1228800;
  static constexpr int kFrameCapacity = 0x80000;
  static constexpr int kBoundarySize = 52;

  StreamSlot() = default;
  StreamSlot(const StreamSlot&) = delete;
  StreamSlot& operator=(const StreamSlot&) = delete;

  // Empty: the slot is free. Claimed and emptied under `lock`.
  std::string host;
  HANDLE thread = nullptr;
  CWatchWnd* window = nullptr;  // not owned
  // The user-interface thread and the worker share these three without the lock.
  std::atomic<int> stopRequest{0};
  int parseState = kParseIdle;
  int boundarySeen = 0;
  std::unique_ptr<char[]> receiveBuffer;  // kReceiveCapacity + 1 bytes, NUL after the data
  int fill = 0;
  char boundary[kBoundarySize] = {};
  int receiveCapacity = kReceiveCapacity;
  int partLength = 0;
  std::unique_ptr<uint8_t[]> frameBuffer;  // kFrameCapacity bytes, from the first part header
  int frameCapacity = 0;
  int windowIndex = -1;
  int cameraIndex = -1;  // wParam of every message the slot posts

  // Guarded by `lock`.
  SlotRecording recording;

  std::atomic<int> running{0};
  // Set by StopStream before it waits for the worker: the worker's posts then no longer
  // wait for the host's queue, which only the waiting thread drains. Cleared at a claim.
  std::atomic<int> hostWaiting{0};
  // Whoever closes the socket first exchanges it for 0 and closes only a nonzero value. Only
  // the worker closes it once connected; a stop during the blocking connect (`connecting`,
  // changed under `lock`) closes it, as nothing else ends that call.
  std::atomic<SOCKET> socket{0};
  bool connecting = false;
  uint16_t port = 0;
  // Read by the worker, may be changed by the control while it runs.
  std::atomic<int> reconnect{1};
  std::string credentials;
  std::atomic<int> reconnectInterval{0};  // seconds
  base::CriticalSection lock;
};

// Ends the slot's recording when its feed has brought no frame for kStaleFeedMs; takes the
// slot lock. Checked wherever a worker waits for a camera, so a camera that stays connected
// but sends nothing does not keep its recording for ever.
inline void StopStaleRecording(StreamSlot& slot) {
  base::CScopedLock hold(slot.lock);
  StopRecordingIfStale(slot.recording, slot.cameraIndex);
}

}  // namespace liveview
