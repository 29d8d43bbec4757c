#include "simulator/net_address.h"

#include <cstdio>

namespace camsim {

std::optional<uint32_t> ParseIPv4(const std::string& text) {
  unsigned parts[4];
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                  &tail) != 4)
    return std::nullopt;
  uint32_t value = 0;
  for (unsigned part : parts) {
    if (part > 255) return std::nullopt;
    value = value << 8 | part;
  }
  return value;
}

std::string FormatIPv4(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                (address >> 8) & 0xFF, address & 0xFF);
  return text;
}

sockaddr_in MakeSockaddr(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(address);
  sa.sin_port = htons(port);
  return sa;
}

uint16_t LocalPort(SOCKET s) {
  sockaddr_in sa{};
  int size = sizeof sa;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&sa), &size) != 0) return 0;
  return ntohs(sa.sin_port);
}

bool SetNonBlocking(SOCKET s) {
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
}

}  // namespace camsim
