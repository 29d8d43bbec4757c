#include "base/socket_wait.h"

namespace base {

int WaitSocket(SOCKET socket, long seconds, long microseconds, int kind) {
  if (kind != kWaitRead && kind != kWaitWrite && kind != kWaitExcept) return 0;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval timeout{seconds, microseconds};
  return select(0, kind == kWaitRead ? &set : nullptr, kind == kWaitWrite ? &set : nullptr,
                kind == kWaitExcept ? &set : nullptr, &timeout);
}

}  // namespace base
