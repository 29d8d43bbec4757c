#include <gtest/gtest.h>

#include <string>

#include "common/base64.h"
#include "common/encode64.h"

namespace common {
namespace {

using A = Encode64Alphabet;
using G = Encode64ShortGroup;

struct Case {
  const char* bytes;
  A alphabet;
  G shortGroup;
  const char* letters;
};

constexpr Case kCases[] = {
    {"", A::kStandard, G::kHighBits, ""},
    {"", A::kCrypt, G::kLowBits, ""},
    {"abc", A::kStandard, G::kHighBits, "YWJj"},
    {"abc", A::kCrypt, G::kHighBits, "ywjJ"},
    // A full group is the same in both placements.
    {"abc", A::kStandard, G::kLowBits, "YWJj"},
    {"abc", A::kCrypt, G::kLowBits, "ywjJ"},
    // Short last groups: letter 0 stands where Base64 would pad, and nothing is dropped.
    {"a", A::kStandard, G::kHighBits, "YQAA"},
    {"a", A::kCrypt, G::kHighBits, "yqaa"},
    {"ab", A::kStandard, G::kHighBits, "YWIA"},
    {"ab", A::kCrypt, G::kHighBits, "ywia"},
    {"\xff", A::kStandard, G::kHighBits, "/wAA"},
    {"\xff\xfe", A::kCrypt, G::kHighBits, "//4a"},
    // The tool's placement keeps the bytes as a plain number in the low bits.
    {"a", A::kStandard, G::kLowBits, "AABh"},
    {"a", A::kCrypt, G::kLowBits, "aabH"},
    {"ab", A::kStandard, G::kLowBits, "AGFi"},
    {"ab", A::kCrypt, G::kLowBits, "agfI"},
    {"\xff", A::kCrypt, G::kLowBits, "aad/"},
    {"\xff\xfe", A::kStandard, G::kLowBits, "AP/+"},
    {"abcd", A::kStandard, G::kLowBits, "YWJjAABk"},
};

TEST(Encode64, LettersForEachAlphabetAndShortGroupPlacement) {
  for (const auto& c : kCases) {
    EXPECT_EQ(Encode64(c.bytes, c.alphabet, c.shortGroup), c.letters)
        << '"' << c.bytes << "\" alphabet " << static_cast<int>(c.alphabet) << " placement "
        << static_cast<int>(c.shortGroup);
  }
}

TEST(Encode64, StandardAlphabetIsBase64WithLetterAForPadding) {
  std::string bytes;
  for (int length = 0; length <= 64; ++length) {
    const auto base64 = Base64Encode(bytes, 200);
    ASSERT_TRUE(base64);
    std::string expected = *base64;
    for (char& c : expected)
      if (c == '=') c = 'A';
    EXPECT_EQ(Encode64(bytes, A::kStandard), expected) << "length " << length;
    bytes += static_cast<char>(length * 37);  // spread over all byte values, NUL first
  }
}

}  // namespace
}  // namespace common
