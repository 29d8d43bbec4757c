// Puts SearchReply messages together from the datagrams that carry them. A reply may come in
// several datagrams: the later ones have no header and simply continue the bytes, until
// payloadLen bytes follow the header. The socket stays the caller's: it hands in a function
// that makes one receive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/discovery_messages.h"

namespace common {

constexpr size_t kReplyBufferSize = 4096;

// ReceiveDatagram results besides a byte count.
constexpr int kNothingReceived = 0;   // an empty datagram, or a passing socket error
constexpr int kReceiveFailed = -1;    // the socket is closed or broken: the receiver ends
constexpr int kDatagramTooLong = -2;  // longer than the room given (recv's WSAEMSGSIZE)

// Receives one datagram into dest[0..room) and returns its byte count or one of the results
// above; any other negative value counts as kReceiveFailed. Nothing that arrives can end the
// receiver: only a failing socket does.
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
  // that end before the MAC, and replies that cannot fit the 4096-byte buffer. Empty
  // datagrams are skipped, also between the parts of a reply.
  ReceiveOutcome Receive(const ReceiveDatagram& receive, SearchReply& reply);

 private:
  std::vector<uint8_t> buffer_;  // reused for every reply
};

}  // namespace common
