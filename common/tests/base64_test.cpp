#include <gtest/gtest.h>

#include <cstring>

#include "common/base64.h"

namespace common {
namespace {

struct Vector {
  const char* plain;
  const char* encoded;
};

// RFC 4648, section 10.
constexpr Vector kRfcVectors[] = {
    {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

TEST(Base64, RfcVectorsEncodeAndDecode) {
  for (const auto& v : kRfcVectors) {
    EXPECT_EQ(Base64Encode(v.plain, 100), v.encoded) << v.plain;
    EXPECT_EQ(Base64Decode(v.encoded, 100), v.plain) << v.encoded;
  }
}

TEST(Base64, BasicCredentialsAndBinaryBytesRoundTrip) {
  EXPECT_EQ(Base64Encode("admin:admin", 192), "YWRtaW46YWRtaW4=");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const auto text = Base64Encode(all, 400);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(Base64Decode(*text, 256), all);
}

TEST(Base64, EncodeRespectsTheCallersLimit) {
  // 95 bytes take exactly 128 characters: fits a 129-byte area with its NUL, not a 128-byte one.
  const std::string bytes(95, 'x');
  EXPECT_TRUE(Base64Encode(bytes, 128));
  EXPECT_FALSE(Base64Encode(bytes, 127));

  char area[129];
  std::memset(area, '#', sizeof area);
  EXPECT_TRUE(Base64EncodeTo(bytes, area, sizeof area));
  EXPECT_EQ(std::strlen(area), 128u);

  char small[128];
  std::memset(small, '#', sizeof small);
  EXPECT_FALSE(Base64EncodeTo(bytes, small, sizeof small));
  EXPECT_EQ(small[0], '#') << "a failed encoding must leave the area untouched";
  EXPECT_FALSE(Base64EncodeTo("a", nullptr, 10));
  EXPECT_FALSE(Base64EncodeTo("a", small, 0));
}

TEST(Base64, DecodeRespectsTheCallersLimit) {
  EXPECT_EQ(Base64Decode("Zm9vYmFy", 6), "foobar");
  EXPECT_FALSE(Base64Decode("Zm9vYmFy", 5));
  EXPECT_EQ(Base64Decode("Zm9vYg==", 4), "foob");
  EXPECT_FALSE(Base64Decode("Zm9vYg==", 3));
}

TEST(Base64, TextThatIsNotBase64IsRefused) {
  const char* notBase64[] = {
      "admin",      // length not a multiple of four
      "Zm9",        // truncated group
      "Zm9v\n",     // line break
      "Zm 9",       // space
      "Zm9v!A==",   // outside the alphabet
      "Z===",       // three pad characters
      "Zg==Zm8=",   // padding before the last group
      "Zm=v",       // padding inside a group
      "====",
  };
  for (const char* text : notBase64) EXPECT_FALSE(Base64Decode(text, 100)) << text;
}

// Found by the fuzzer: "YWJjZAz=" decoded to "abcd\x0c", though that encodes as "YWJjZAw=".
TEST(Base64, TextWithBitsPastItsLastByteIsRefused) {
  const char* loose[] = {"YWJjZAz=", "Zh==", "Zm9=", "Zn==", "AB=="};
  for (const char* text : loose) EXPECT_FALSE(Base64Decode(text, 100)) << text;
  EXPECT_EQ(Base64Decode("YWJjZAw=", 100), std::string("abcd\x0c"));
  EXPECT_EQ(Base64Decode("Zg==", 100), "f");
  EXPECT_EQ(Base64Decode("Zm8=", 100), "fo");
}

}  // namespace
}  // namespace common
