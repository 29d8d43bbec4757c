#include "common/base64.h"

#include <cstring>

namespace common {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::string> Base64Encode(std::string_view bytes, size_t maxChars) {
  if (Base64EncodedLength(bytes.size()) > maxChars) return std::nullopt;
  std::string out;
  out.reserve(Base64EncodedLength(bytes.size()));
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += kAlphabet[v >> 6 & 63];
    out += kAlphabet[v & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64EncodeTo(std::string_view bytes, char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return false;
  const auto text = Base64Encode(bytes, outSize - 1);
  if (!text) return false;
  std::memcpy(out, text->c_str(), text->size() + 1);
  return true;
}

std::optional<std::string> Base64Decode(std::string_view text, size_t maxBytes) {
  if (text.size() % 4 != 0) return std::nullopt;
  size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text.size() >= 2 && text[text.size() - 2] == '=' ? 2 : 1;
  if (text.size() / 4 * 3 - padding > maxBytes) return std::nullopt;

  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool lastGroup = i + 4 == text.size();
    int v[4];
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const bool padSlot = lastGroup && k >= 4 - static_cast<int>(padding);
      if (padSlot) {
        v[k] = 0;
        continue;
      }
      v[k] = DecodeChar(c);
      if (v[k] < 0) return std::nullopt;
    }
    const unsigned bits = v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3];
    // Bits past the last byte must be zero, or two texts would decode to the same bytes and
    // a hand-written password such as "Zh==" would be taken for an encoded one.
    if (lastGroup && (bits & ((1u << (8 * padding)) - 1)) != 0) return std::nullopt;
    out += static_cast<char>(bits >> 16 & 0xFF);
    if (!lastGroup || padding < 2) out += static_cast<char>(bits >> 8 & 0xFF);
    if (!lastGroup || padding < 1) out += static_cast<char>(bits & 0xFF);
  }
  return out;
}

}  // namespace common
