// HTTP Basic credentials as the camera checks them. Decoded with a Base64 of its own, so that
// a fault in the product's encoder is caught rather than mirrored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace camsim {

// Standard alphabet; the "=" padding may be present or left out. Nothing for any other
// character, a misplaced "=", or a length no encoder produces.
std::optional<std::string> DecodeBase64(std::string_view text);

struct BasicCredentials {
  std::string user;
  std::string password;
};

// The value of an Authorization header, "Basic <base64 of user:password>" (scheme in any
// letter case). Nothing when it is another scheme, bad Base64, or lacks the colon.
std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view headerValue);

}  // namespace camsim
