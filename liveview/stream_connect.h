// What the stream client and the camera commands share to reach a camera: the socket address
// of a host and port, and the HTTP Basic credentials text.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace liveview {

// Longest "%s:%s" of user and password that travels; the credentials area holds 128 bytes
// with its NUL.
constexpr size_t kMaxCredentialsText = 127;

// An IPv4 socket address for `host` (dotted text, else the first address gethostbyname
// gives) and `port`. False when the host does not resolve; `out` is then unspecified.
// Blocking: a DNS name may take as long as the resolver's time-out.
bool ResolveAddress(const char* host, uint16_t port, sockaddr_in* out);

// Base64 of "%s:%s" of user and password, one line, no breaks, into *credentials: 1. When
// that text is longer than kMaxCredentialsText bytes the result is 0 and *credentials is
// left as it was.
int MakeBasicCredentials(std::string_view user, std::string_view password,
                         std::string* credentials);

}  // namespace liveview
