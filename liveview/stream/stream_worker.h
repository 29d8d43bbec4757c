// The worker of one stream slot: it connects to the camera, asks for its motion-JPEG stream,
// reads it part by part, hands every frame to the camera window and the recorder, reports
// its connection state, and reconnects after a network error when the slot says so.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "liveview/stream/stream_slot.h"

namespace liveview {

// Thread entry; the argument is the slot. No exception leaves it; the exit code is 0.
DWORD WINAPI StreamThreadProc(LPVOID slot);

// Runs the slot's stream until it is stopped, refused (401) or cannot reconnect; the slot is
// reset and free when it returns.
void StreamLoop(StreamSlot& slot);

// What an exception inside the worker leaves behind: state 0 posted and the slot reset.
void EndAfterException(StreamSlot& slot) noexcept;

// With the slot lock held: one frame to the camera window, then to the recorder, which
// takes it only when it decoded at the recording size.
void DeliverFrame(const uint8_t* frame, int length, StreamSlot& slot);

// With the slot lock held: ends the recording, closes the socket, clears and unbinds the
// camera window, frees the buffers and empties the host last, so the slot is free only once
// it is wholly reset. The thread handle stays for StopStream (or the next start) to close.
void ResetSlot(StreamSlot& slot);

// Ends the slot's recording, if one runs; takes the slot lock itself.
void StopSlotRecording(StreamSlot& slot);

// With the slot lock held, from the thread that stops the stream: ends whatever socket call
// the worker is in. A blocking connect is ended by closing the socket; once connected the
// socket is shut down and the worker closes it.
void WakeWorker(StreamSlot& slot);

// Closes the slot's socket unless another thread took it first.
void CloseSlotSocket(StreamSlot& slot);

// Closes the socket and waits the slot's reconnect interval, ending early when the stream is
// stopped; a feed gone stale meanwhile ends the recording.
void WaitBeforeReconnect(StreamSlot& slot);

// How workers resolve their camera's host: ResolveAddress unless a test puts a resolver of
// its own here (nullptr restores it). Returns the previous one.
using HostResolver = bool (*)(const char* host, uint16_t port, sockaddr_in* out);
HostResolver SetHostResolver(HostResolver resolver);

// Posts WM_CAM_STATE once, under the slot's camera index as it is at the post; false when
// the queue did not take it.
bool PostStateOnce(StreamSlot& slot, int state);

// PostStateOnce, waiting out a full queue unless the host's thread waits for this worker.
void PostState(StreamSlot& slot, int state);

}  // namespace liveview
