#include "simulator/basic_credentials.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

TEST(DecodeBase64, DecodesPaddedUnpaddedAndRejectsWhatNoEncoderMakes) {
  struct Case {
    const char* text;
    std::optional<std::string> bytes;
  } cases[] = {
      {"YWRtaW46YWRtaW4=", std::string("admin:admin")},
      {"YWRtaW46YWRtaW4", std::string("admin:admin")},
      {"cm9vdDphZG1pbg==", std::string("root:admin")},
      {"dTpw", std::string("u:p")},
      {"", std::string()},
      {"/+8=", std::string("\xff\xef")},
      {"YWRtaW4*", std::nullopt},     // outside the alphabet
      {"YW=taW4=", std::nullopt},     // padding in the middle
      {"YWRtaW46Y", std::nullopt},    // a lone sextet at the end
      {"YWRt aW4=", std::nullopt},    // a blank inside
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
}

TEST(ParseBasicAuthorization, SplitsUserAndPasswordAtTheFirstColon) {
  const auto both = ParseBasicAuthorization("Basic dXNlcjpwYTpzcw==");
  ASSERT_TRUE(both);
  EXPECT_EQ(both->user, "user");
  EXPECT_EQ(both->password, "pa:ss");

  const auto empty = ParseBasicAuthorization("bAsIc Og==");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->user, "");
  EXPECT_EQ(empty->password, "");
}

TEST(ParseBasicAuthorization, RefusesOtherSchemesBadBase64AndMissingColon) {
  for (const char* value : {"Digest YWRtaW46YWRtaW4=", "Basic", "Basic ", "BasicYWRtaW46YWRtaW4=",
                            "Basic YWRtaW4=", "Basic ###", ""}) {
    EXPECT_FALSE(ParseBasicAuthorization(value)) << value;
  }
}

}  // namespace
}  // namespace camsim
