#include "common/search_reply_receiver.h"

#include <cstring>

namespace common {
namespace {

// The bytes of one datagram that carried some, kDatagramTooLong, or kReceiveFailed; empty
// receives are waited past. A count the function over-reports is held to the room it was
// given.
int ReceiveInto(const ReceiveDatagram& receive, uint8_t* dest, size_t room,
                DatagramOrigin& origin) {
  for (;;) {
    const int got = receive(dest, room, origin);
    if (got == kNothingReceived) continue;
    if (got == kDatagramTooLong) return kDatagramTooLong;
    if (got < 0) return kReceiveFailed;
    return static_cast<size_t>(got) > room ? static_cast<int>(room) : got;
  }
}

bool Continues(const DatagramOrigin& first, const DatagramOrigin& next) {
  // Unsigned difference: right across the tick count's wrap.
  return next.address == first.address && next.port == first.port &&
         next.tick - first.tick <= kContinuationWindowMs;
}

}  // namespace

ReceiveOutcome SearchReplyReceiver::Receive(const ReceiveDatagram& receive, SearchReply& reply) {
  uint8_t* const buffer = buffer_.data();
  DatagramOrigin origin;
  int first = 0;
  // A datagram that came where a continuation was awaited, moved to the buffer's start: it
  // is the next one to begin a reply.
  bool pending = false;
  for (;;) {
    if (!pending) first = ReceiveInto(receive, buffer, kReplyBufferSize, origin);
    pending = false;
    if (first == kDatagramTooLong) continue;
    if (first < 0) return ReceiveOutcome::kFirstReceiveFailed;
    size_t total = static_cast<size_t>(first);
    const DatagramOrigin firstOrigin = origin;

    const auto header = ReadMessageHeader(buffer, total);
    if (!header || header->msgType != kMsgSearchReply) continue;
    // Dropped at its header: waiting for the rest would need room the buffer does not have.
    if (header->payloadLen > kReplyBufferSize - kMessageHeaderSize) continue;

    bool overflowed = false;
    while (!pending && total - kMessageHeaderSize < header->payloadLen) {
      const int more = ReceiveInto(receive, buffer + total, kReplyBufferSize - total, origin);
      if (more == kDatagramTooLong) {
        overflowed = true;
        break;
      }
      if (more < 0) return ReceiveOutcome::kContinuationFailed;
      if (Continues(firstOrigin, origin)) {
        total += static_cast<size_t>(more);
      } else {
        std::memmove(buffer, buffer + total, static_cast<size_t>(more));
        first = more;
        pending = true;
      }
    }
    if (overflowed || pending) continue;

    if (const auto decoded = DecodeSearchReply(buffer, total)) {
      reply = *decoded;
      return ReceiveOutcome::kReply;
    }
  }
}

}  // namespace common
