// Receiving search replies on a UDP socket, for the listeners of the discovery control and
// the address-setup tool.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/search_reply_receiver.h"

namespace common {

// Ties the socket's read events to an event for as long as it lives. Declare it after the
// event, so however the listener ends the selection goes first: left behind, it would hold
// the socket to an event already closed and keep it from ever blocking again.
class ReadSelection {
 public:
  ReadSelection(SOCKET s, HANDLE event)
      : socket_(s), selected_(WSAEventSelect(s, event, FD_READ) == 0) {}
  ~ReadSelection() {
    if (selected_) WSAEventSelect(socket_, nullptr, 0);
  }
  ReadSelection(const ReadSelection&) = delete;
  ReadSelection& operator=(const ReadSelection&) = delete;

  explicit operator bool() const { return selected_; }

 private:
  SOCKET socket_;
  bool selected_;
};

// One receive for a SearchReplyReceiver from a socket whose reads are selected into
// `readable`: the datagram's byte count with its origin, or a result of
// search_reply_receiver.h. Waits for a datagram until `stop` is signalled, which counts as a
// failed receive (the receiver ends).
int ReceiveDatagramUntilStopped(SOCKET s, HANDLE readable, HANDLE stop, uint8_t* dest,
                                size_t room, DatagramOrigin& origin);

}  // namespace common
