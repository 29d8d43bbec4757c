// A select on one socket, for the stream workers and the command threads alike.
#pragma once

#include <winsock2.h>

namespace base {

enum SocketWaitKind : int { kWaitRead = 0, kWaitWrite = 1, kWaitExcept = 2 };

// Above 0 ready, 0 timed out, below 0 error; 0 without a select for an unknown kind.
int WaitSocket(SOCKET socket, long seconds, long microseconds, int kind);

}  // namespace base
