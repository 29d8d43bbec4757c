#include "simulator/basic_credentials.h"

#include <cctype>
#include <cstdint>

namespace camsim {
namespace {

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 == 0 && !text.empty()) {
    size_t pad = 0;
    while (pad < 2 && text[text.size() - 1 - pad] == '=') ++pad;
    text.remove_suffix(pad);
  }
  // A lone sextet in the last group cannot come from any byte count.
  if (text.size() % 4 == 1) return std::nullopt;

  std::string out;
  out.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int bitCount = 0;
  for (char c : text) {
    const int sextet = SextetOf(c);
    if (sextet < 0) return std::nullopt;
    bits = bits << 6 | static_cast<uint32_t>(sextet);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
    }
  }
  return out;
}

std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view headerValue) {
  headerValue = TrimBlanks(headerValue);
  constexpr std::string_view kScheme = "basic";
  if (headerValue.size() <= kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(headerValue[i])) != kScheme[i]) return std::nullopt;
  }
  if (headerValue[kScheme.size()] != ' ' && headerValue[kScheme.size()] != '\t') return std::nullopt;

  const auto decoded = DecodeBase64(TrimBlanks(headerValue.substr(kScheme.size())));
  if (!decoded) return std::nullopt;
  const size_t colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

}  // namespace camsim
