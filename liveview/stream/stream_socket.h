// The stream worker's socket operations. A stop is seen within kStopSeenWithinMs, whatever a
// wait's length: StopStream and RequestStop shut the socket down, which ends a select on it
// where the peer answers the shutdown or keeps sending, and no select is longer than that.
// The socket is read from the slot before every use, so once StopStream has taken it the
// worker's next call sees 0; only a call already under way can still use the handle that was
// just closed.
#pragma once

#include <winsock2.h>

#include <string>

#include "liveview/stream/header_block.h"
#include "liveview/stream/stream_slot.h"

namespace liveview {

// The longest select of the worker: a stop is seen within it.
constexpr DWORD kStopSeenWithinMs = 100;

// Waits up to `milliseconds` for the socket to become readable: a positive select result
// when it does, -1 when the time passes, a select fails or the stream is being stopped.
int WaitReadable(StreamSlot& slot, DWORD milliseconds);

// Reads one header block, up to and including its blank line, into `room` bytes at
// `destination` (ReadHeaderBlockFrom over the slot's carry, then its socket): a look at what
// has arrived and one receive of exactly the block's bytes, where the block is there whole,
// no receive for what the carry holds. 0 when nothing is readable within 25 ms; the count
// read so far when the peer closes or the receive fails; kHeaderBlockFailed when the block
// would not fit in `room`, when a begun header (not just line ends) gets no byte for
// kStallLimitMs, or when the stream is being stopped.
int ReadHeaderBlock(StreamSlot& slot, char* destination, int room);

// Reads exactly `n` bytes into `destination` unless the peer closes, the receive fails or no
// byte comes for kStallLimitMs, asking each time for all that is missing and, in the same
// receive, for up to the two bytes behind the body, which go to the slot's carry for the next
// ReadHeaderBlock; it waits only when a receive finds nothing. 0 when nothing has come
// within about 125 ms. The count read into `destination`.
int ReadBody(StreamSlot& slot, uint8_t* destination, int n);

// The request for the camera's motion-JPEG stream, exactly as the cameras expect it.
std::string StreamRequestText(const std::string& credentials);
// Sends it in one send call; send's result.
int SendStreamRequest(SOCKET socket, const std::string& credentials);

}  // namespace liveview
