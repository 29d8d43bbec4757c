// The discovery receiver's reassembly of SearchReply messages with their decoding. The input
// is a run of datagrams, each a 4-byte record and its bytes: a control byte (bits 0-1 the
// sender of four, bits 2-3 what the receive gives: 0 the datagram, 1 an empty receive, 2 a
// datagram too long for the room, 3 a count over the room), a time step in 4 ms units, and a
// 2-byte little-endian length. The receive fails once the datagrams are used up.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/search_reply_receiver.h"
#include "support/fuzz_check.h"

using namespace common;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint32_t kSenders[4] = {0x0A00D50Au, 0x0B00D50Au, 0x0A00D50Au, 0x0C00D50Au};
  static const uint16_t kPorts[4] = {0x8932, 0x8932, 0x1027, 0x8932};
  size_t pos = 0;
  uint32_t tick = 0xFFFFF000u;  // the tick count wraps during a run
  const ReceiveDatagram receive = [&](uint8_t* dest, size_t room, DatagramOrigin& origin) {
    if (size - pos < 4) return kReceiveFailed;
    const uint8_t control = data[pos];
    tick += data[pos + 1] * 4u;
    size_t length = data[pos + 2] | size_t(data[pos + 3]) << 8;
    pos += 4;
    if (length > size - pos) length = size - pos;
    const uint8_t* bytes = data + pos;
    pos += length;
    origin.address = kSenders[control & 3];
    origin.port = kPorts[control & 3];
    origin.tick = tick;
    switch ((control >> 2) & 3) {
      case 1:
        return kNothingReceived;
      case 2:
        return kDatagramTooLong;
      case 3:
        std::memcpy(dest, bytes, std::min(length, room));
        return static_cast<int>(room + length + 1);
    }
    if (length > room) return kDatagramTooLong;
    std::memcpy(dest, bytes, length);
    return static_cast<int>(length);
  };

  SearchReplyReceiver receiver;
  for (;;) {
    SearchReply reply;
    std::memset(&reply, 0xA5, sizeof reply);
    const ReceiveOutcome outcome = receiver.Receive(receive, reply);
    if (outcome != ReceiveOutcome::kReply) break;
    FUZZ_CHECK(reply.msgType == kMsgSearchReply);
    FUZZ_CHECK(reply.payloadLen >= kMinReplyPayload);
    FUZZ_CHECK(std::memchr(reply.firmware.data(), '\0', reply.firmware.size()));
    FUZZ_CHECK(std::memchr(reply.authScheme.data(), '\0', reply.authScheme.size()));
    if (reply.payloadLen < kFullReplyPayload)
      FUZZ_CHECK(std::strcmp(reply.authScheme.data(), "BASIC") == 0);
  }
  FUZZ_CHECK(size - pos < 4);  // only a failed receive ends the receiver
  return 0;
}
