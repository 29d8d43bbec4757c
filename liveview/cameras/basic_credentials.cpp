#include "liveview/cameras/basic_credentials.h"

#include <optional>

#include "common/base64.h"

namespace liveview {
namespace {
// Base64 of 127 bytes takes 172 characters; the area the cameras were built against has 192.
constexpr size_t kMaxCredentialsChars = 192;
}  // namespace

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
