// Puts SearchReply messages together from the datagrams that carry them. A reply may come in
// several datagrams: the later ones have no header and simply continue the bytes, until
// payloadLen bytes follow the header. The socket stays the caller's: it hands in a function
// that makes one receive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "discovery_messages.h"

namespace common {

constexpr size_t kReplyBufferSize = 4096;

// A ReceiveDatagram result: the datagram was longer than the room given (recv's WSAEMSGSIZE).
constexpr int kDatagramTooLong = -2;

// Receives one datagram into dest[0..room) and returns its byte count. 0, or any other value
// below 1, means the receive failed or the socket was closed, and ends the receiver.
using ReceiveDatagram = std::function<int(uint8_t* dest, size_t room)>;

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
  // that end before the MAC, and replies that cannot fit the 4096-byte buffer.
  ReceiveOutcome Receive(const ReceiveDatagram& receive, SearchReply& reply);

 private:
  std::vector<uint8_t> buffer_;  // reused for every reply
};

}  // namespace common
