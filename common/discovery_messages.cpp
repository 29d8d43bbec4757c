#include "common/discovery_messages.h"

#include "base/byte_order.h"

#include <cstring>

namespace common {
namespace {

constexpr char kDefaultAuthScheme[] = "BASIC";

constexpr size_t kSetAddressAddressAt = 8;
constexpr size_t kSetAddressMaskAt = 12;
constexpr size_t kSetAddressGatewayAt = 16;
constexpr size_t kSetAddressMacAt = 20;
constexpr size_t kSetAddressUserAt = 26;
constexpr size_t kSetAddressPasswordAt = 46;

// Copies at most field.size() - 1 characters so the field always ends in a NUL.
template <size_t N>
void CopyTextField(std::array<char, N>& field, const uint8_t* from) {
  std::memcpy(field.data(), from, N - 1);
  field[N - 1] = '\0';
}

}  // namespace

std::optional<MessageHeader> ReadMessageHeader(const uint8_t* bytes, size_t size) {
  if (size < kMessageHeaderSize) return std::nullopt;
  return MessageHeader{base::ReadLe32(bytes), base::ReadLe32(bytes + 4)};
}

std::array<uint8_t, kSearchRequestSize> BuildSearchRequest() {
  std::array<uint8_t, kSearchRequestSize> message{};
  base::WriteLe32(message.data(), kMsgSearchRequest);
  base::WriteLe32(message.data() + 4, 0);
  return message;
}

std::array<uint8_t, kSetAddressRequestSize> BuildSetAddressRequest(const SetAddressParams& params) {
  std::array<uint8_t, kSetAddressRequestSize> message{};  // also zeroes the two padding bytes
  uint8_t* p = message.data();
  base::WriteLe32(p, kMsgSetAddressRequest);
  base::WriteLe32(p + 4, kSetAddressRequestSize - kMessageHeaderSize);
  base::WriteBe32(p + kSetAddressAddressAt, params.address);
  base::WriteBe32(p + kSetAddressMaskAt, params.mask);
  base::WriteBe32(p + kSetAddressGatewayAt, params.gateway);
  std::memcpy(p + kSetAddressMacAt, params.mac.data(), kMacSize);
  const std::string_view user =
      CutToCharBoundary(params.userName, kUserNameFieldSize - 1, params.codePage);
  std::memcpy(p + kSetAddressUserAt, user.data(), user.size());
  const std::string_view password = params.passwordText.substr(0, kPasswordFieldSize);
  std::memcpy(p + kSetAddressPasswordAt, password.data(), password.size());
  return message;
}

std::optional<SearchReply> DecodeSearchReply(const uint8_t* bytes, size_t size) {
  const auto header = ReadMessageHeader(bytes, size);
  if (!header || header->msgType != kMsgSearchReply) return std::nullopt;
  if (header->payloadLen < kMinReplyPayload) return std::nullopt;
  if (size - kMessageHeaderSize < header->payloadLen) return std::nullopt;

  // Only the bytes the reply declares count; the rest of the 84 read as zero, never as
  // whatever an earlier reply left in the receive buffer.
  std::array<uint8_t, kSearchReplySize> raw{};
  const size_t carried = kMessageHeaderSize + header->payloadLen;
  std::memcpy(raw.data(), bytes, carried < raw.size() ? carried : raw.size());

  SearchReply reply{};
  reply.msgType = header->msgType;
  reply.payloadLen = header->payloadLen;
  reply.address = base::ReadBe32(&raw[8]);
  reply.mask = base::ReadBe32(&raw[12]);
  reply.gateway = base::ReadBe32(&raw[16]);
  reply.port = base::ReadBe16(&raw[20]);
  std::memcpy(reply.mac.data(), &raw[22], kMacSize);
  CopyTextField(reply.firmware, &raw[28]);
  if (header->payloadLen < kFullReplyPayload)
    std::memcpy(reply.authScheme.data(), kDefaultAuthScheme, sizeof kDefaultAuthScheme);
  else
    CopyTextField(reply.authScheme, &raw[68]);
  return reply;
}

}  // namespace common
