#include "stream_connect.h"

#include <ws2tcpip.h>

#include <cstring>
#include <optional>

#include "base64.h"

namespace liveview {
namespace {
// Base64 of 127 bytes takes 172 characters; the area the cameras were built against has 192.
constexpr size_t kMaxCredentialsChars = 192;
}  // namespace

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

int MakeBasicCredentials(std::string_view user, std::string_view password,
                         std::string* credentials) {
  if (credentials == nullptr) return 0;
  std::string text;
  text.reserve(user.size() + 1 + password.size());
  text.append(user).append(1, ':').append(password);
  // A cut text would send another account's name, or half a password: refuse instead.
  if (text.size() > kMaxCredentialsText) return 0;
  std::optional<std::string> encoded = common::Base64Encode(text, kMaxCredentialsChars);
  if (!encoded) return 0;
  *credentials = std::move(*encoded);
  return 1;
}

}  // namespace liveview
