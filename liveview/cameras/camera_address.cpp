#include "liveview/cameras/camera_address.h"

#include <ws2tcpip.h>

#include <cstring>

namespace liveview {

bool ResolveAddress(const char* host, uint16_t port, sockaddr_in* out) {
  if (host == nullptr || out == nullptr || *host == '\0') return false;
  std::memset(out, 0, sizeof(*out));
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  unsigned long address = inet_addr(host);
  if (address == INADDR_NONE) {
    const hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
        entry->h_addr_list[0] == nullptr) {
      return false;
    }
    std::memcpy(&address, entry->h_addr_list[0], sizeof(address));
  }
  out->sin_addr.s_addr = address;
  return true;
}

}  // namespace liveview
