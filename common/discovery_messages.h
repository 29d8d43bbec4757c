// The UDP messages with which the PC finds cameras and sets their addresses. Every message
// starts with an 8-byte little-endian header (msgType, payloadLen); the body's addresses,
// masks, gateways and port are big-endian. These functions only build and read bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/code_page_chars.h"

namespace common {

constexpr uint16_t kCameraSearchPort = 13000;  // cameras listen here, PC sends to broadcast
constexpr uint16_t kReplyListenPort = 13001;   // PC listens here for replies

constexpr uint32_t kMsgSearchRequest = 2;
constexpr uint32_t kMsgSearchReply = 3;
constexpr uint32_t kMsgSetAddressRequest = 4;

constexpr size_t kMessageHeaderSize = 8;
constexpr size_t kSearchRequestSize = 8;
constexpr size_t kSearchReplySize = 84;
constexpr size_t kSetAddressRequestSize = 64;

// payloadLen of a reply that carries authScheme; one below it carries none.
constexpr uint32_t kFullReplyPayload = 76;
// A reply must reach at least through the MAC to be of any use.
constexpr uint32_t kMinReplyPayload = 20;

constexpr size_t kMacSize = 6;
constexpr size_t kFirmwareFieldSize = 40;
constexpr size_t kAuthSchemeFieldSize = 16;
constexpr size_t kUserNameFieldSize = 20;
constexpr size_t kPasswordFieldSize = 16;

using MacAddress = std::array<uint8_t, kMacSize>;

struct MessageHeader {
  uint32_t msgType;
  uint32_t payloadLen;
};

// A decoded SearchReply. Its layout is the reply's 84 bytes with the numbers turned into host
// byte order, the form the finder keeps and hands on.
struct SearchReply {
  uint32_t msgType;
  uint32_t payloadLen;
  uint32_t address;
  uint32_t mask;
  uint32_t gateway;
  uint16_t port;
  MacAddress mac;  // as sent; also the camera's serial number
  std::array<char, kFirmwareFieldSize> firmware;      // always NUL-terminated
  std::array<char, kAuthSchemeFieldSize> authScheme;  // always NUL-terminated; "BASIC" if none came
};
static_assert(sizeof(SearchReply) == kSearchReplySize);
static_assert(offsetof(SearchReply, port) == 20 && offsetof(SearchReply, mac) == 22 &&
              offsetof(SearchReply, firmware) == 28 && offsetof(SearchReply, authScheme) == 68);

// The header of the first kMessageHeaderSize bytes; nothing when fewer arrived.
std::optional<MessageHeader> ReadMessageHeader(const uint8_t* bytes, size_t size);

std::array<uint8_t, kSearchRequestSize> BuildSearchRequest();

struct SetAddressParams {
  uint32_t address;  // host byte order, as are mask and gateway
  uint32_t mask;
  uint32_t gateway;
  MacAddress mac;               // of the camera that is to take the settings
  // Cut to 19 bytes to keep the field's NUL, never inside a double-byte character of
  // `codePage` (the user's ANSI code page unless a test says otherwise).
  std::string_view userName;
  std::string_view passwordText;  // the "$1$" text; only its first 16 characters travel
  unsigned codePage = kAnsiCodePage;
};

std::array<uint8_t, kSetAddressRequestSize> BuildSetAddressRequest(const SetAddressParams& params);

// Decodes the `size` bytes of a SearchReply put together from its datagrams. Nothing when it is
// not a SearchReply, is shorter than its payloadLen, or ends before the MAC. Bytes the reply
// does not carry read as zero, texts are cut to their fields, and a reply without authScheme
// gets "BASIC".
std::optional<SearchReply> DecodeSearchReply(const uint8_t* bytes, size_t size);

}  // namespace common
