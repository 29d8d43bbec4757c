#include "common/datagram_socket.h"

namespace common {

int ReceiveDatagramUntilStopped(SOCKET s, HANDLE readable, HANDLE stop, uint8_t* dest,
                                size_t room, DatagramOrigin& origin) {
  for (;;) {
    if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return kReceiveFailed;
    sockaddr_in from{};
    int fromLength = sizeof from;
    const int got = recvfrom(s, reinterpret_cast<char*>(dest), static_cast<int>(room), 0,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got >= 0) {
      origin.address = from.sin_addr.s_addr;
      origin.port = from.sin_port;
      origin.tick = GetTickCount();
      return got;  // 0: an empty datagram, which the receiver skips
    }
    switch (WSAGetLastError()) {
      case WSAEMSGSIZE:
        return kDatagramTooLong;
      // A datagram socket reports an ICMP message about an earlier send this way; the
      // socket itself is fine.
      case WSAECONNRESET:
      case WSAENETRESET:
        return kNothingReceived;
      case WSAEWOULDBLOCK:
        break;
      default:
        return kReceiveFailed;
    }
    const HANDLE waits[] = {stop, readable};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
      return kReceiveFailed;
    }
    WSAResetEvent(readable);
  }
}

}  // namespace common
