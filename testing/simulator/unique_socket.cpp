#include "simulator/unique_socket.h"

namespace camsim {

void UniqueSocket::Reset(SOCKET s) {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = s;
}

WinsockSession::WinsockSession() {
  WSADATA data;
  ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (ok_) WSACleanup();
}

}  // namespace camsim
