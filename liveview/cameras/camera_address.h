// The socket address of a camera's host and port, for the stream workers and the commands.
#pragma once

#include <winsock2.h>

#include <cstdint>

namespace liveview {

// An IPv4 socket address for `host` (dotted text, else the first address gethostbyname
// gives) and `port`. False when the host does not resolve; `out` is then unspecified.
// Blocking: a DNS name may take as long as the resolver's time-out.
bool ResolveAddress(const char* host, uint16_t port, sockaddr_in* out);

}  // namespace liveview
