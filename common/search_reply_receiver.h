// Puts SearchReply messages together from the datagrams that carry them. A reply may come in
// several datagrams: the later ones have no header and simply continue the bytes, until
// payloadLen bytes follow the header. Nothing in a continuation says whose it is, so only its
// sender and its timing tie it to the first part. The socket stays the caller's: it hands in
// a function that makes one receive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/discovery_messages.h"

namespace common {

constexpr size_t kReplyBufferSize = 4096;

// A continuation is taken only from the first part's sender and within this many
// milliseconds of it; anything else starts a reply of its own. The parts of a reply leave a
// camera back to back, while its next reply answers the next search, which the control sends
// a second later: half that keeps a camera's fresh reply from completing its lost one, with
// room for a slow machine between two parts.
constexpr uint32_t kContinuationWindowMs = 500;

// Where a datagram came from and when it was taken from the socket.
struct DatagramOrigin {
  uint32_t address = 0;  // IPv4 address and port as the socket gives them (network order)
  uint16_t port = 0;
  uint32_t tick = 0;     // milliseconds on a clock that may wrap (GetTickCount's)
};

// ReceiveDatagram results besides a byte count.
constexpr int kNothingReceived = 0;   // an empty datagram, or a passing socket error
constexpr int kReceiveFailed = -1;    // the socket is closed or broken: the receiver ends
constexpr int kDatagramTooLong = -2;  // longer than the room given (recv's WSAEMSGSIZE)

// Receives one datagram into dest[0..room), fills `origin` for it, and returns its byte count
// or one of the results above; any other negative value counts as kReceiveFailed. Nothing
// that arrives can end the receiver: only a failing socket does.
using ReceiveDatagram = std::function<int(uint8_t* dest, size_t room, DatagramOrigin& origin)>;

enum class ReceiveOutcome {
  kReply,               // a complete reply was decoded
  kFirstReceiveFailed,  // the receive that should start a reply failed
  kContinuationFailed,  // a receive failed inside a reply
};

class SearchReplyReceiver {
 public:
  SearchReplyReceiver() : buffer_(kReplyBufferSize) {}

  // Receives until one complete SearchReply is decoded into `reply`, or a receive fails.
  // Dropped on the way, silently: datagrams of other types or shorter than a header, replies
  // that end before the MAC, replies that cannot fit the 4096-byte buffer, and a part reply
  // whose rest does not come in time from its sender (the datagram that came instead starts
  // the next reply). Empty datagrams are skipped, also between the parts of a reply.
  ReceiveOutcome Receive(const ReceiveDatagram& receive, SearchReply& reply);

 private:
  std::vector<uint8_t> buffer_;  // reused for every reply
};

}  // namespace common
