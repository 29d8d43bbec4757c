// The HTTP Basic credentials text a camera's stream and commands carry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace liveview {

// Longest "%s:%s" of user and password that travels; the credentials area holds 128 bytes
// with its NUL.
constexpr size_t kMaxCredentialsText = 127;

// Base64 of "%s:%s" of user and password, one line, no breaks, into *credentials: 1. When
// that text is longer than kMaxCredentialsText bytes the result is 0 and *credentials is
// left as it was.
int MakeBasicCredentials(std::string_view user, std::string_view password,
                         std::string* credentials);

}  // namespace liveview
