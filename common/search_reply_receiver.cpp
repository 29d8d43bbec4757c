#include "common/search_reply_receiver.h"

namespace common {
namespace {

// The bytes of one datagram that carried some, kDatagramTooLong, or kReceiveFailed; empty
// receives are waited past. A count the function over-reports is held to the room it was
// given.
int ReceiveInto(const ReceiveDatagram& receive, uint8_t* dest, size_t room) {
  for (;;) {
    const int got = receive(dest, room);
    if (got == kNothingReceived) continue;
    if (got == kDatagramTooLong) return kDatagramTooLong;
    if (got < 0) return kReceiveFailed;
    return static_cast<size_t>(got) > room ? static_cast<int>(room) : got;
  }
}

}  // namespace

ReceiveOutcome SearchReplyReceiver::Receive(const ReceiveDatagram& receive, SearchReply& reply) {
  uint8_t* const buffer = buffer_.data();
  for (;;) {
    const int first = ReceiveInto(receive, buffer, kReplyBufferSize);
    if (first == kDatagramTooLong) continue;
    if (first < 0) return ReceiveOutcome::kFirstReceiveFailed;
    size_t total = static_cast<size_t>(first);

    const auto header = ReadMessageHeader(buffer, total);
    if (!header || header->msgType != kMsgSearchReply) continue;
    // Dropped at its header: waiting for the rest would need room the buffer does not have.
    if (header->payloadLen > kReplyBufferSize - kMessageHeaderSize) continue;

    bool overflowed = false;
    while (total - kMessageHeaderSize < header->payloadLen) {
      const int more = ReceiveInto(receive, buffer + total, kReplyBufferSize - total);
      if (more == kDatagramTooLong) {
        overflowed = true;
        break;
      }
      if (more < 0) return ReceiveOutcome::kContinuationFailed;
      total += static_cast<size_t>(more);
    }
    if (overflowed) continue;

    if (const auto decoded = DecodeSearchReply(buffer, total)) {
      reply = *decoded;
      return ReceiveOutcome::kReply;
    }
  }
}

}  // namespace common
