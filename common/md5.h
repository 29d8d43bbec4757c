// MD5 (RFC 1321) through the platform's CryptoAPI.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

using Md5Digest = std::array<uint8_t, 16>;

// The digest of `bytes`, or nothing when no CryptoAPI provider could be had.
std::optional<Md5Digest> ComputeMd5(std::string_view bytes);

}  // namespace common
