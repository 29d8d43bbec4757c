#include <gtest/gtest.h>

#include <string>

#include "common/password_text.h"

namespace common {
namespace {

// The 16 field bytes as a string, zeros included, so failures show every byte.
std::string FieldBytes(const std::array<uint8_t, kPasswordFieldSize>& field) {
  return std::string(field.begin(), field.end());
}

std::string Zeros(size_t n) { return std::string(n, '\0'); }

TEST(EncodePwd, Md5FormIsDollarOneDollarAndCryptLettersOfTheDigest) {
  struct Vector {
    const char* password;
    const char* text;      // discovery control
    const char* toolText;  // address-setup tool: differs only in the last four letters
  };
  constexpr Vector kVectors[] = {
      {"", "$1$1b2m2y8aSGtPGaMy7pHcFGaa", "$1$1b2m2y8aSGtPGaMy7pHcaab."},
      {"a", "$1$dmf1UCdXTQGXW5NIAxCMyqaa", "$1$dmf1UCdXTQGXW5NIAxCMaabH"},
      {"abc", "$1$KafqMdZst7dwLJ99kof/CGaa", "$1$KafqMdZst7dwLJ99kof/aabY"},
      {"admin", "$1$ismVkxPxPADdIuOosOaFWWaa", "$1$ismVkxPxPADdIuOosOaFaadd"},
  };
  for (const auto& v : kVectors) {
    const auto text = EncodePwd(v.password);
    const auto toolText = EncodePwd(v.password, Encode64ShortGroup::kLowBits);
    ASSERT_TRUE(text && toolText) << v.password;
    EXPECT_EQ(*text, v.text) << v.password;
    EXPECT_EQ(*toolText, v.toolText) << v.password;
    EXPECT_EQ(text->size(), kPasswordTextMax);
    EXPECT_EQ(FieldBytes(PasswordField(*text)), FieldBytes(PasswordField(*toolText)))
        << "both programs must put the same 16 bytes on the wire";
  }
}

TEST(EncodePwd, Base64FormEncodesOnlyTheBytesThatCanTravel) {
  EXPECT_EQ(EncodePwdBase64(""), "$1$");
  EXPECT_EQ(EncodePwdBase64("a"), "$1$YQAA");
  EXPECT_EQ(EncodePwdBase64("abc"), "$1$YWJj");
  EXPECT_EQ(EncodePwdBase64("123456789"), "$1$MTIzNDU2Nzg5");
  EXPECT_EQ(EncodePwdBase64("1234567890"), "$1$MTIzNDU2Nzg5MAAA");
  // 43 bytes and more would have overrun the 60-byte area the text is built in.
  const std::string longPassword = "1234567890" + std::string(200, 'z');
  EXPECT_EQ(EncodePwdBase64(longPassword), "$1$MTIzNDU2Nzg5MAAA");
}

TEST(PasswordText, FormFollowsAuthSchemeIgnoringCase) {
  for (const char* scheme : {"DIGEST", "digest", "Digest", "dIgEsT"})
    EXPECT_EQ(ChoosePasswordForm(scheme), PasswordForm::kBase64) << scheme;
  for (const char* scheme : {"BASIC", "", "DIGES", "DIGEST ", "XDIGEST", "basic", "D1GEST"})
    EXPECT_EQ(ChoosePasswordForm(scheme), PasswordForm::kMd5) << '"' << scheme << '"';

  EXPECT_EQ(MakePasswordText("abc", "digest"), "$1$YWJj");
  EXPECT_EQ(MakePasswordText("abc", "BASIC"), EncodePwd("abc"));
  EXPECT_EQ(MakePasswordText("abc", ""), EncodePwd("abc"));
}

TEST(PasswordText, FieldHoldsTheFirstSixteenCharacters) {
  struct Case {
    std::string password;
    const char* scheme;
    std::string field;
  };
  const std::string longPassword = "1234567890" + std::string(100, 'z');
  const Case kCases[] = {
      {"", "DIGEST", "$1$" + Zeros(13)},
      {"", "BASIC", "$1$1b2m2y8aSGtPG"},
      {"a", "DIGEST", "$1$YQAA" + Zeros(9)},  // letter 0 where Base64 pads, never "="
      {"123456789", "DIGEST", "$1$MTIzNDU2Nzg5" + Zeros(1)},
      {"1234567890", "DIGEST", "$1$MTIzNDU2Nzg5M"},  // all 16 bytes, no NUL
      {longPassword, "DIGEST", "$1$MTIzNDU2Nzg5M"},
  };
  for (const auto& c : kCases) {
    const auto text = MakePasswordText(c.password, c.scheme);
    ASSERT_TRUE(text);
    EXPECT_LE(text->size(), kPasswordTextMax);
    EXPECT_EQ(FieldBytes(PasswordField(*text)), c.field)
        << c.password.size() << "-byte password, " << c.scheme;
  }
}

}  // namespace
}  // namespace common
