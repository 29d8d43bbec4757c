// One part of a camera's multipart answer, from its header block to the last byte of its body,
// over whatever delivers the bytes: the worker's socket, or a test's scripted arrivals.
#pragma once

#include <cstdint>

#include "liveview/stream/stream_parse_state.h"

namespace liveview {

// How the bytes come in. The contracts are those of the socket reads in stream_socket.h.
class PartInput {
 public:
  // One header block, up to and including its blank line, into `room` bytes; 0 when nothing
  // is readable, the count so far when the peer closes, a negative value when it fails.
  virtual int ReadHeaderBlock(char* destination, int room) = 0;
  // Positive once something is readable within `milliseconds`, else 0 or below.
  virtual int WaitReadable(uint32_t milliseconds) = 0;
  // Up to `n` bytes of a body, waiting by itself when none has come yet; the count read.
  virtual int ReadBody(uint8_t* destination, int n) = 0;
  // The stream is being stopped.
  virtual bool StopWanted() = 0;

 protected:
  ~PartInput() = default;
};

enum class PartResult { kPart, kStopped, kFailed, kNotAuthorised };

// A camera at one or two frames a second, or one still starting its encoder, sends its first
// part well after the response header.
constexpr uint32_t kFirstPartWaitMs = 5000;

// Reads one part into the frame buffer: on a connection's first pass (`frameSeen` false) the
// response header and the first part's header, afterwards the part's own header, then the
// body. The receive buffer must be there; kPart leaves `partLength` bytes in the frame buffer.
PartResult ReadStreamPart(StreamParse& parse, PartInput& input, bool frameSeen);

}  // namespace liveview
