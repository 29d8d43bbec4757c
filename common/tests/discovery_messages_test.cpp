#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/discovery_messages.h"
#include "common/tests/hex_bytes.h"

namespace common {
namespace {

using testing::FromHex;
using testing::ToHex;

// A full reply as a camera sends it: 192.168.1.100/24, gateway .1, web port 80,
// MAC 00:1a:2b:3c:4d:5e, firmware "V2.1.3", authScheme "DIGEST".
std::vector<uint8_t> FullReply() {
  std::vector<uint8_t> bytes = FromHex(
      "03000000 4c000000 c0a80164 ffffff00 c0a80101 0050 001a2b3c4d5e");
  std::vector<uint8_t> firmware(kFirmwareFieldSize, 0);
  std::memcpy(firmware.data(), "V2.1.3", 6);
  std::vector<uint8_t> scheme(kAuthSchemeFieldSize, 0);
  std::memcpy(scheme.data(), "DIGEST", 6);
  bytes.insert(bytes.end(), firmware.begin(), firmware.end());
  bytes.insert(bytes.end(), scheme.begin(), scheme.end());
  return bytes;
}

void SetPayloadLen(std::vector<uint8_t>& bytes, uint32_t payloadLen) {
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(payloadLen >> (8 * i));
}

TEST(DiscoveryMessages, SearchRequestIsEightBytes) {
  EXPECT_EQ(ToHex(BuildSearchRequest()), "0200000000000000");
}

TEST(DiscoveryMessages, SetAddressRequestBytes) {
  SetAddressParams params{};
  params.address = 0xC0A80164;
  params.mask = 0xFFFFFF00;
  params.gateway = 0xC0A80101;
  params.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  params.userName = "admin";
  params.passwordText = "$1$YWJj";
  const std::string expected =
      "04000000" "38000000"                           // header, little-endian
      "c0a80164" "ffffff00" "c0a80101"                // address, mask, gateway, big-endian
      "001a2b3c4d5e"                                  // target MAC
      "61646d696e000000000000000000000000000000"      // "admin", zero-filled to 20
      "2431245957" "4a6a000000000000000000"           // "$1$YWJj", zero-filled to 16
      "0000";                                         // padding
  EXPECT_EQ(ToHex(BuildSetAddressRequest(params)), expected);
}

TEST(DiscoveryMessages, SetAddressRequestCutsFieldsToFit) {
  SetAddressParams params{};
  params.userName = "abcdefghijklmnopqrstuvwxyz";        // 26 characters
  params.passwordText = "$1$1b2m2y8aSGtPGaMy7pHcFGaa";   // 27 characters
  const auto message = BuildSetAddressRequest(params);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&message[26]), 20),
            std::string("abcdefghijklmnopqrs") + '\0')
      << "19 characters and the field's NUL";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&message[46]), 16), "$1$1b2m2y8aSGtPG");
  EXPECT_EQ(message[62], 0);
  EXPECT_EQ(message[63], 0);
}

TEST(DiscoveryMessages, UserNameIsNeverCutInsideADoubleByteCharacter) {
  constexpr unsigned kChinese = 936;
  ASSERT_TRUE(IsDBCSLeadByteEx(kChinese, 0xD6)) << "code page 936 is not available";
  struct Case {
    const char* what;
    std::string user;
    unsigned codePage;
    std::string kept;
  };
  const std::string zhong = "\xD6\xD0";  // one double-byte character of code page 936
  std::string tenChars;
  for (int i = 0; i < 10; ++i) tenChars += zhong;
  const Case kCases[] = {
      {"a character across the 19th byte is left out", tenChars, kChinese, tenChars.substr(0, 18)},
      {"one that ends on it is kept", "a" + tenChars, kChinese, "a" + tenChars.substr(0, 18)},
      {"single-byte code page cuts at 19", tenChars, 1252, tenChars.substr(0, 19)},
      {"a trail byte that looks like ASCII goes with its lead byte",
       "abcdefghijklmnopqr\x81\x5C", kChinese, "abcdefghijklmnopqr"},
  };
  for (const auto& c : kCases) {
    SetAddressParams params{};
    params.userName = c.user;
    params.codePage = c.codePage;
    const auto message = BuildSetAddressRequest(params);
    std::string field(reinterpret_cast<const char*>(&message[26]), 20);
    EXPECT_EQ(field, c.kept + std::string(20 - c.kept.size(), '\0')) << c.what;
  }
}

TEST(DiscoveryMessages, DecodeFullReplyIntoHostOrder) {
  const auto bytes = FullReply();
  ASSERT_EQ(bytes.size(), kSearchReplySize);
  const auto reply = DecodeSearchReply(bytes.data(), bytes.size());
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->msgType, kMsgSearchReply);
  EXPECT_EQ(reply->payloadLen, 76u);
  EXPECT_EQ(reply->address, 0xC0A80164u);
  EXPECT_EQ(reply->mask, 0xFFFFFF00u);
  EXPECT_EQ(reply->gateway, 0xC0A80101u);
  EXPECT_EQ(reply->port, 80);
  EXPECT_EQ(ToHex(reply->mac), "001a2b3c4d5e");
  EXPECT_STREQ(reply->firmware.data(), "V2.1.3");
  EXPECT_STREQ(reply->authScheme.data(), "DIGEST");
}

TEST(DiscoveryMessages, ReplyWithoutAuthSchemeIsBasicAndMissingBytesAreZero) {
  struct Case {
    uint32_t payloadLen;
    const char* firmware;
  };
  // The buffer behind a short reply still holds a full one: none of it may show through.
  constexpr Case kCases[] = {{60, "V2.1.3"}, {40, "V2.1.3"}, {22, "V2"}, {20, ""}};
  for (const auto& c : kCases) {
    auto bytes = FullReply();
    SetPayloadLen(bytes, c.payloadLen);
    const auto reply = DecodeSearchReply(bytes.data(), bytes.size());
    ASSERT_TRUE(reply) << c.payloadLen;
    EXPECT_EQ(reply->address, 0xC0A80164u);
    EXPECT_EQ(ToHex(reply->mac), "001a2b3c4d5e");
    EXPECT_STREQ(reply->firmware.data(), c.firmware) << c.payloadLen;
    EXPECT_EQ(std::string(reply->authScheme.data(), kAuthSchemeFieldSize),
              std::string("BASIC") + std::string(11, '\0'))
        << c.payloadLen;
  }
}

TEST(DiscoveryMessages, DecodeRefusesWhatIsNoUsableReply) {
  auto bytes = FullReply();
  EXPECT_FALSE(DecodeSearchReply(bytes.data(), 7)) << "shorter than the header";
  EXPECT_FALSE(DecodeSearchReply(bytes.data(), 83)) << "shorter than its payloadLen";
  SetPayloadLen(bytes, 19);
  EXPECT_FALSE(DecodeSearchReply(bytes.data(), bytes.size())) << "ends before the MAC";
  bytes = FullReply();
  bytes[0] = 2;
  EXPECT_FALSE(DecodeSearchReply(bytes.data(), bytes.size())) << "not a SearchReply";
}

TEST(DiscoveryMessages, UnterminatedTextsAreCutToTheirFields) {
  auto bytes = FullReply();
  std::memset(&bytes[28], 'F', kFirmwareFieldSize);
  std::memset(&bytes[68], 'S', kAuthSchemeFieldSize);
  bytes.push_back('!');  // a longer reply must not run into the texts either
  SetPayloadLen(bytes, 77);
  const auto reply = DecodeSearchReply(bytes.data(), bytes.size());
  ASSERT_TRUE(reply);
  EXPECT_EQ(std::string(reply->firmware.data()), std::string(39, 'F'));
  EXPECT_EQ(std::string(reply->authScheme.data()), std::string(15, 'S'));
}

}  // namespace
}  // namespace common
