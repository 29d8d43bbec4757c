#include "simulator/discovery_wire.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

std::vector<uint8_t> SetAddressBytes(size_t size) {
  std::vector<uint8_t> bytes(size, 0);
  bytes[0] = 4;
  bytes[4] = 56;
  const uint8_t body[] = {192, 168, 7, 9, 255, 255, 0, 0, 192, 168, 7, 1, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  std::copy(std::begin(body), std::end(body), bytes.begin() + 8);
  return bytes;
}

TEST(DecodeSetAddressRequest, ReadsTheFieldsInNetworkOrder) {
  std::vector<uint8_t> bytes = SetAddressBytes(kSetAddressRequestSize);
  const std::string user = "administrator_name_X";  // 20 characters: no NUL fits
  std::copy(user.begin(), user.end(), bytes.begin() + 26);
  const std::string password = "$1$abcdefghijklm";  // 16 characters: no NUL
  std::copy(password.begin(), password.end(), bytes.begin() + 46);
  bytes[62] = 0x5A;  // padding is ignored

  const auto fields = DecodeSetAddressRequest(bytes);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->address, 0xC0A80709u);
  EXPECT_EQ(fields->mask, 0xFFFF0000u);
  EXPECT_EQ(fields->gateway, 0xC0A80701u);
  EXPECT_EQ(FormatMac(fields->mac), "aabbccddeeff");
  EXPECT_EQ(fields->user, user);
  EXPECT_EQ(fields->PasswordText(), password);
}

TEST(DecodeSetAddressRequest, NeedsTheTypeAndTheBytesUpToThePasswordField) {
  EXPECT_TRUE(DecodeSetAddressRequest(SetAddressBytes(62)));
  EXPECT_FALSE(DecodeSetAddressRequest(SetAddressBytes(61)));
  std::vector<uint8_t> search = SetAddressBytes(64);
  search[0] = 2;
  EXPECT_FALSE(DecodeSetAddressRequest(search));
  EXPECT_FALSE(DecodeSetAddressRequest({}));
}

TEST(EncodeSearchReply, FillsOverlongTextsWithoutTheirNulAndCanMisstatePayloadLen) {
  DiscoveryIdentity camera;
  camera.firmware = std::string(45, 'F');
  camera.authScheme = std::string(20, 'S');
  camera.payloadLenOverride = 5000;
  const std::vector<uint8_t> reply = EncodeSearchReply(camera);
  ASSERT_EQ(reply.size(), 84u);
  EXPECT_EQ(reply[4] | reply[5] << 8, 5000);
  EXPECT_EQ(reply[67], 'F');  // the firmware field's last byte
  EXPECT_EQ(reply[83], 'S');
}

TEST(ParseMac, TakesTwelveDigitsWithOrWithoutSeparators) {
  const MacAddress expected{0x00, 0x1a, 0x2B, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(ParseMac("001a2b3c4d5e"), expected);
  EXPECT_EQ(ParseMac("00:1A:2b:3C:4d:5E"), expected);
  EXPECT_EQ(ParseMac("00-1a-2b-3c-4d-5e"), expected);
  for (const char* bad : {"001a2b3c4d5", "001a2b3c4d5e0", "00:1a:2b:3c:4d:5g", "0:01a2b3c4d5e", ""})
    EXPECT_FALSE(ParseMac(bad)) << bad;
}

}  // namespace
}  // namespace camsim
