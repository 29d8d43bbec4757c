#include "liveview/stream/stream_worker.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <optional>

#include "base/scoped_lock.h"
#include "base/socket_wait.h"
#include "common/log_writer.h"
#include "liveview/cameras/camera_address.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/post_to_control.h"
#include "liveview/record/slot_recording.h"
#include "liveview/stream/part_reader.h"
#include "liveview/stream/stream_socket.h"
#include "liveview/stream/thread_manager.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {
namespace {

constexpr long kPollMicroseconds = 25000;
// The silence after which the request goes out again.
constexpr long kSilenceMicroseconds = static_cast<long>(kStopSeenWithinMs) * 1000;
constexpr int kWritablePolls = 40;
constexpr int kRequestEveryPasses = 10;

enum class ConnectionEnd { Stopped, Failed, NotAuthorised };
// What a step of a connection leaves: nothing to go on, or how the connection ends.
using Step = std::optional<ConnectionEnd>;

std::atomic<HostResolver> g_resolver{&ResolveAddress};

bool StopWanted(const StreamSlot& slot) {
  return slot.running.load() == 0 || slot.stopRequest.load() != 0;
}

void Repaint(StreamSlot& slot) {
  base::CScopedLock hold(slot.lock);
  if (slot.window) slot.window->Invalidate(true);
}

bool Writable(const StreamSlot& slot) {
  return base::WaitSocket(slot.socket.load(), 0, kPollMicroseconds, base::kWaitWrite) > 0;
}

// One select for the whole silence: every select costs several trips through Wine's server.
// It is no longer than a stop may take to be seen (kStopSeenWithinMs).
bool ReadableWithinSilence(const StreamSlot& slot) {
  // A next header begun in what the body read carried over is data as well.
  if (slot.carry.HoldsHeaderStart()) return true;
  if (base::WaitSocket(slot.socket.load(), 0, kSilenceMicroseconds, base::kWaitRead) > 0) {
    return true;
  }
  // So are line ends alone: in the socket they made it readable, and the camera that sent
  // them with the body is not silent; the header read waits for the part behind them.
  return slot.carry.length > 0;
}

bool SendRequest(StreamSlot& slot) {
  return SendStreamRequest(slot.socket.load(), slot.credentials) > 0;
}

// Waits for the connected socket to become writable; state 3 when it stays unwritable.
Step WaitWritable(StreamSlot& slot) {
  for (int poll = 0; poll < kWritablePolls; ++poll) {
    if (slot.stopRequest.load() != 0) {
      Repaint(slot);
      return ConnectionEnd::Stopped;
    }
    if (Writable(slot)) return std::nullopt;
    if (slot.running.load() == 0) return ConnectionEnd::Stopped;
    Sleep(25);
  }
  PostState(slot, kCamStateConnectTimeout);
  return ConnectionEnd::Failed;
}

// Resolves the host, connects, and sends the first request (state 1).
Step Connect(StreamSlot& slot) {
  sockaddr_in address{};
  // A name server that does not answer yet is a network error like any other: with
  // reconnect on, a camera kept under its name at start-up comes back once it resolves.
  if (!g_resolver.load()(slot.host.c_str(), slot.port, &address)) return ConnectionEnd::Failed;

  const SOCKET created = socket(AF_INET, SOCK_STREAM, 0);
  if (created == INVALID_SOCKET) return ConnectionEnd::Failed;
  {
    base::CScopedLock hold(slot.lock);
    slot.socket.store(created);
    // A stop that came before the socket was in the slot could not reach it.
    if (StopWanted(slot)) return ConnectionEnd::Stopped;
    slot.connecting = true;
  }
  const int connected =
      connect(created, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  {
    base::CScopedLock hold(slot.lock);
    slot.connecting = false;
    // A stop during the connect closed the socket and took it from the slot.
    if (slot.socket.load() == 0) return ConnectionEnd::Stopped;
  }
  if (connected == SOCKET_ERROR) return ConnectionEnd::Failed;
  u_long nonBlocking = 1;
  ioctlsocket(slot.socket.load(), FIONBIO, &nonBlocking);

  if (Step end = WaitWritable(slot)) return end;
  SendRequest(slot);
  PostState(slot, kCamStateRequestSent);
  return std::nullopt;
}

// Asks again every 10th pass (the first included: the cameras expect the request twice when
// a connection opens, then now and again) and after about 100 ms of silence, until the
// camera has something to read.
Step WaitForData(StreamSlot& slot, int* pass) {
  for (;;) {
    if (StopWanted(slot)) return ConnectionEnd::Stopped;
    StopStaleRecording(slot);
    if ((*pass)++ % kRequestEveryPasses == 0 && Writable(slot) && SendRequest(slot)) continue;

    if (slot.stopRequest.load() != 0) return ConnectionEnd::Stopped;
    if (ReadableWithinSilence(slot)) return std::nullopt;
    if (StopWanted(slot)) return ConnectionEnd::Stopped;
    if (!Writable(slot) || !SendRequest(slot)) return ConnectionEnd::Failed;
  }
}

// The worker's socket as the part reader's input.
class SocketPartInput final : public PartInput {
 public:
  explicit SocketPartInput(StreamSlot& slot) : slot_(slot) {}
  int ReadHeaderBlock(char* destination, int room) override {
    return liveview::ReadHeaderBlock(slot_, destination, room);
  }
  int WaitReadable(uint32_t milliseconds) override {
    return liveview::WaitReadable(slot_, milliseconds);
  }
  int ReadBody(uint8_t* destination, int n) override {
    return liveview::ReadBody(slot_, destination, n);
  }
  bool StopWanted() override { return liveview::StopWanted(slot_); }

 private:
  StreamSlot& slot_;
};

Step ReadPart(StreamSlot& slot, bool frameSeen) {
  SocketPartInput input(slot);
  switch (ReadStreamPart(slot, input, frameSeen)) {
    case PartResult::kPart:
      return std::nullopt;
    case PartResult::kStopped:
      return ConnectionEnd::Stopped;
    case PartResult::kNotAuthorised:
      return ConnectionEnd::NotAuthorised;
    case PartResult::kFailed:
      break;
  }
  return ConnectionEnd::Failed;
}

// The part to the camera window and the recording, then state 2.
Step Deliver(StreamSlot& slot) {
  {
    base::CScopedLock hold(slot.lock);
    // StopStream clears running under this lock and then waits for the worker: a frame is
    // not drawn for a stream that is being stopped.
    if (slot.running.load() == 0) return ConnectionEnd::Stopped;
    DeliverFrame(slot.frameBuffer.get(), slot.partLength, slot);
  }
  // Outside the slot lock, and once: a frame's state is stale by the next frame, and a full
  // queue must not hold the worker (hosts that count frames lose only what the queue could
  // not take).
  PostStateOnce(slot, kCamStateFrame);
  return std::nullopt;
}

// One connection, from resolving the host to the end of the stream.
ConnectionEnd RunConnection(StreamSlot& slot) {
  Repaint(slot);
  PostState(slot, kCamStateConnecting);
  if (!slot.receiveBuffer) {
    slot.receiveBuffer = std::make_unique<char[]>(StreamSlot::kReceiveCapacity + 1);
  }
  slot.parseState = kParseResponseHeader;
  slot.fill = 0;
  slot.carry.length = 0;
  slot.receiveCapacity = StreamSlot::kReceiveCapacity;
  StopStaleRecording(slot);

  // A stopped stream ends here, after its announced attempt, without a lookup that could
  // keep StopStream waiting for the resolver.
  if (StopWanted(slot)) return ConnectionEnd::Stopped;
  if (Step end = Connect(slot)) return *end;
  int pass = 0;
  for (bool frameSeen = false;; frameSeen = true) {
    if (Step end = WaitForData(slot, &pass)) return *end;
    if (Step end = ReadPart(slot, frameSeen)) return *end;
    if (Step end = Deliver(slot)) return *end;
  }
}

// The slot is free before the host hears the last state, so a host that starts the camera
// again on hearing it gets a new stream, not "already running". The recording's own end
// message still comes first (ResetSlot sends it).
void EndWithState(StreamSlot& slot, int state) {
  std::list<int>::iterator owed;
  {
    base::CScopedLock post(slot.postLock);
    int camera;
    {
      base::CScopedLock hold(slot.lock);
      camera = slot.cameraIndex;
      ResetSlot(slot);  // repaints the window too
    }
    if (PostToControl(WM_CAM_STATE, static_cast<WPARAM>(camera), state)) return;
    // The freed slot no longer has the index; a move of cameras finds it here.
    owed = slot.owedLastStates.insert(slot.owedLastStates.end(), camera);
  }
  // From here on the slot is free; a stop, or a start that would claim the slot, sets
  // `hostWaiting` and waits for this worker.
  for (;;) {
    const bool retry = WaitToRetryPost(slot.hostWaiting);
    base::CScopedLock post(slot.postLock);
    if (!retry || PostToControl(WM_CAM_STATE, static_cast<WPARAM>(*owed), state)) {
      slot.owedLastStates.erase(owed);
      return;
    }
  }
}

void EndStopped(StreamSlot& slot) { EndWithState(slot, kCamStateStopped); }

}  // namespace

bool PostStateOnce(StreamSlot& slot, int state) {
  base::CScopedLock post(slot.postLock);
  return PostToControl(WM_CAM_STATE, static_cast<WPARAM>(slot.cameraIndex), state);
}

void PostState(StreamSlot& slot, int state) {
  // Each attempt under the index of its moment: the camera may move while the queue is full.
  while (!PostStateOnce(slot, state) && WaitToRetryPost(slot.hostWaiting)) {
  }
}

void WakeWorker(StreamSlot& slot) {
  if (slot.connecting) {
    CloseSlotSocket(slot);
    return;
  }
  // The worker closes it itself: a handle closed here could be reused by another connection
  // before the worker's next send, which would carry this camera's credentials there.
  const SOCKET socket = slot.socket.load();
  if (socket != 0) shutdown(socket, SD_BOTH);
}

void CloseSlotSocket(StreamSlot& slot) {
  const SOCKET taken = slot.socket.exchange(0);
  if (taken != 0) closesocket(taken);
}

void DeliverFrame(const uint8_t* frame, int length, StreamSlot& slot) {
  // Written by OnFrame only when the frame decoded: an undecodable frame stays 0 x 0 and is
  // never recorded.
  int width = 0;
  int height = 0;
  if (slot.window) slot.window->OnFrame(frame, length, 1, &width, &height);
  AddRecordFrame(slot.recording, slot.cameraIndex, frame, length, width, height);
}

void StopSlotRecording(StreamSlot& slot) {
  base::CScopedLock hold(slot.lock);
  StopRecording(slot.recording, slot.cameraIndex);
}

void ResetSlot(StreamSlot& slot) {
  // First, while the camera index is still there for the recording's end message.
  StopRecording(slot.recording, slot.cameraIndex);
  CloseSlotSocket(slot);
  if (slot.window) {
    slot.window->ClearPicture();
    slot.window->Invalidate(true);
    slot.window = nullptr;
  }
  slot.receiveBuffer.reset();
  slot.frameBuffer.reset();
  slot.frameCapacity = 0;
  slot.fill = 0;
  slot.carry.length = 0;
  slot.partLength = 0;
  slot.boundary[0] = '\0';
  slot.windowIndex = -1;
  slot.cameraIndex = -1;
  slot.running.store(0);
  slot.stopRequest.store(1);
  slot.parseState = kParseIdle;
  slot.host.clear();
}

void WaitBeforeReconnect(StreamSlot& slot) {
  CloseSlotSocket(slot);
  if (StopWanted(slot)) return;
  Repaint(slot);
  // At least a second: an INTERVAL of 0 would otherwise spin through attempts against a
  // camera that refuses, flooding the host with connecting states.
  const DWORD limit = static_cast<DWORD>(std::max(slot.reconnectInterval.load(), 1)) * 1000;
  const DWORD start = GetTickCount();
  while (!StopWanted(slot) && GetTickCount() - start < limit) {
    StopStaleRecording(slot);
    Sleep(20);
  }
}

void StreamLoop(StreamSlot& slot) {
  // A recorder left from before this worker is ended properly, with its end message.
  StopSlotRecording(slot);
  slot.receiveBuffer.reset();
  for (;;) {
    switch (RunConnection(slot)) {
      case ConnectionEnd::Stopped:
        EndStopped(slot);
        return;
      case ConnectionEnd::NotAuthorised:
        EndWithState(slot, kCamStateNotAuthorised);
        return;
      case ConnectionEnd::Failed:
        // A stop that closed the socket under a read ends the stream here, with 0 alone.
        if (slot.reconnect == 0 || StopWanted(slot)) {
          EndStopped(slot);
          return;
        }
        // A stop during the wait ends it at once; the next attempt is announced (state 4)
        // as hosts have always seen it, and then ends without connecting.
        WaitBeforeReconnect(slot);
        break;
    }
  }
}

void EndAfterException(StreamSlot& slot) noexcept {
  try {
    EndStopped(slot);
  } catch (...) {
  }
}

HostResolver SetHostResolver(HostResolver resolver) {
  return g_resolver.exchange(resolver ? resolver : &ResolveAddress);
}

DWORD WINAPI StreamThreadProc(LPVOID parameter) {
  StreamSlot& slot = *static_cast<StreamSlot*>(parameter);
  const HRESULT com = CoInitialize(nullptr);
  try {
    StreamLoop(slot);
  } catch (...) {
    common::WriteLog("c:\\tessaly.log", 1, "Error Exit ...", "ThreadManager", 211);
    EndAfterException(slot);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace liveview
