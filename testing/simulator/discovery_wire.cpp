#include "simulator/discovery_wire.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace camsim {
namespace {

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutBe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

void PutBe16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v >> 8);
  out[at + 1] = static_cast<uint8_t>(v);
}

void PutText(std::vector<uint8_t>& out, size_t at, size_t fieldSize, const std::string& text) {
  std::copy_n(text.begin(), std::min(text.size(), fieldSize), out.begin() + at);
}

uint32_t GetLe32(const std::vector<uint8_t>& in, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | in[at + i];
  return v;
}

uint32_t GetBe32(const std::vector<uint8_t>& in, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | in[at + i];
  return v;
}

std::string GetText(const std::vector<uint8_t>& in, size_t at, size_t fieldSize) {
  std::string text;
  for (size_t i = 0; i < fieldSize && in[at + i] != 0; ++i) text.push_back(static_cast<char>(in[at + i]));
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::vector<uint8_t> EncodeSearchReply(const DiscoveryIdentity& camera) {
  const uint32_t payload =
      camera.authScheme ? kReplyPayloadWithAuthScheme : kReplyPayloadWithoutAuthScheme;
  std::vector<uint8_t> reply(kDiscoveryHeaderSize + payload, 0);
  PutLe32(reply, 0, kSearchReplyType);
  PutLe32(reply, 4, camera.payloadLenOverride.value_or(payload));
  PutBe32(reply, 8, camera.address);
  PutBe32(reply, 12, camera.mask);
  PutBe32(reply, 16, camera.gateway);
  PutBe16(reply, 20, camera.webPort);
  std::copy(camera.mac.begin(), camera.mac.end(), reply.begin() + 22);
  PutText(reply, 28, 40, camera.firmware);
  if (camera.authScheme) PutText(reply, 68, 16, *camera.authScheme);
  return reply;
}

std::optional<uint32_t> DatagramType(const std::vector<uint8_t>& datagram) {
  if (datagram.size() < kDiscoveryHeaderSize) return std::nullopt;
  return GetLe32(datagram, 0);
}

std::string SetAddressFields::PasswordText() const {
  std::string text;
  for (uint8_t b : password) {
    if (b == 0) break;
    text.push_back(static_cast<char>(b));
  }
  return text;
}

std::optional<SetAddressFields> DecodeSetAddressRequest(const std::vector<uint8_t>& datagram) {
  if (datagram.size() < 62 || DatagramType(datagram) != kSetAddressRequestType) return std::nullopt;
  SetAddressFields fields;
  fields.address = GetBe32(datagram, 8);
  fields.mask = GetBe32(datagram, 12);
  fields.gateway = GetBe32(datagram, 16);
  std::copy_n(datagram.begin() + 20, 6, fields.mac.begin());
  fields.user = GetText(datagram, 26, 20);
  std::copy_n(datagram.begin() + 46, 16, fields.password.begin());
  return fields;
}

std::string FormatMac(const MacAddress& mac) {
  char text[13];
  std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::optional<MacAddress> ParseMac(const std::string& text) {
  std::string digits;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == ':' || c == '-') && i % 3 == 2) continue;
    if (HexValue(c) < 0) return std::nullopt;
    digits.push_back(c);
  }
  if (digits.size() != 12) return std::nullopt;
  MacAddress mac{};
  for (size_t i = 0; i < 6; ++i)
    mac[i] = static_cast<uint8_t>(HexValue(digits[2 * i]) << 4 | HexValue(digits[2 * i + 1]));
  return mac;
}

}  // namespace camsim
