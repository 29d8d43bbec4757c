#include "base/winsock_session.h"

namespace base {

WinsockSession::WinsockSession(WORD version) {
  WSADATA data;
  result_ = WSAStartup(version, &data);
}

WinsockSession::~WinsockSession() {
  if (Started()) WSACleanup();
}

}  // namespace base
