// The camera's half of the UDP discovery protocol, byte by byte: a little-endian 8-byte
// header (message type, payload length) and a big-endian body. The simulator keeps its own
// code for it, apart from the PC side's, so that a fault on one side is not mirrored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

constexpr uint32_t kSearchRequestType = 2;
constexpr uint32_t kSearchReplyType = 3;
constexpr uint32_t kSetAddressRequestType = 4;

constexpr size_t kDiscoveryHeaderSize = 8;
constexpr uint32_t kReplyPayloadWithAuthScheme = 76;     // 84-byte reply
constexpr uint32_t kReplyPayloadWithoutAuthScheme = 60;  // 68-byte reply
constexpr size_t kSetAddressRequestSize = 64;

constexpr uint16_t kDiscoveryCameraPort = 13000;
constexpr uint16_t kDiscoveryPcPort = 13001;

using MacAddress = std::array<uint8_t, 6>;

// One camera as discovery shows it. Addresses in host byte order (0x7F000001 = 127.0.0.1).
struct DiscoveryIdentity {
  MacAddress mac{};
  uint32_t address = 0;
  uint32_t mask = 0xFFFFFF00;
  uint32_t gateway = 0;
  uint16_t webPort = 80;
  // Kept NUL-terminated within its 40-byte field when shorter than 40 characters; a longer
  // text fills the field with no NUL, as a faulty camera's would.
  std::string firmware = "camsim 1.0";
  // Likewise within 16 bytes. None: the short reply, payloadLen 60.
  std::optional<std::string> authScheme = std::string("BASIC");
  // 0: the reply goes in one datagram. Otherwise the first datagram carries this many bytes
  // and a second the rest, with no header of its own.
  size_t splitAt = 0;
  // Claims another payloadLen than the bytes sent, for testing a receiver's limits.
  std::optional<uint32_t> payloadLenOverride;
};

std::vector<uint8_t> EncodeSearchReply(const DiscoveryIdentity& camera);

// msgType of a datagram, or nothing when it is shorter than the header.
std::optional<uint32_t> DatagramType(const std::vector<uint8_t>& datagram);

struct SetAddressFields {
  uint32_t address = 0;  // host byte order
  uint32_t mask = 0;
  uint32_t gateway = 0;
  MacAddress mac{};
  std::string user;                     // up to its NUL, at most 20 bytes
  std::array<uint8_t, 16> password{};   // the field as sent
  std::string PasswordText() const;     // the field up to its first NUL, at most 16 bytes
};

// Nothing unless the datagram is a SetAddressRequest long enough to carry the password
// field (62 bytes; the 2 padding bytes may be missing).
std::optional<SetAddressFields> DecodeSetAddressRequest(const std::vector<uint8_t>& datagram);

// "%02x" six times, the form users see as the serial number.
std::string FormatMac(const MacAddress& mac);
// 12 hex digits, optionally in pairs separated by ':' or '-'.
std::optional<MacAddress> ParseMac(const std::string& text);

}  // namespace camsim
