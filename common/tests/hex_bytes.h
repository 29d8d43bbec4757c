// Hex text of byte sequences, so message tests can state exact wire bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace common::testing {

inline std::string ToHex(const uint8_t* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
  return ToHex(bytes.data(), bytes.size());
}

// Spaces are ignored, so expectations can be grouped by field.
inline std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    const int v = c <= '9' ? c - '0' : c - 'a' + 10;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return out;
}

}  // namespace common::testing
