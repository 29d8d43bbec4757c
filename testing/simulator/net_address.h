// IPv4 text and socket-address helpers. Addresses are held in host byte order
// (0x7F000001 is 127.0.0.1) everywhere except inside sockaddr_in.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>

namespace camsim {

// Dotted-quad text only; no name lookup, since the simulator lives on loopback.
std::optional<uint32_t> ParseIPv4(const std::string& text);
std::string FormatIPv4(uint32_t address);

sockaddr_in MakeSockaddr(uint32_t address, uint16_t port);

// The port a bound socket got, or 0.
uint16_t LocalPort(SOCKET s);

bool SetNonBlocking(SOCKET s);

}  // namespace camsim
