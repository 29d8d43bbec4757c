#include "framework/data_exchange.h"

#include <gtest/gtest.h>

namespace {

TEST(DataExchange, DialogIntegersAreDecimalWithOptionalSignAndBlanks) {
  struct Case {
    const char* text;
    std::optional<long> value;
  } cases[] = {
      {"42", 42},
      {" 7 ", 7},
      {"-15", -15},
      {"+3", 3},
      {"0", 0},
      {"", {}},
      {"  ", {}},
      {"-", {}},
      {"12a", {}},
      {"1 2", {}},
      {"0x10", {}},
      {"2147483647", 2147483647L},
      {"2147483648", {}},
      {"-2147483648", -2147483647L - 1},
      {"99999999999999999999", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(fw::ParseDialogInteger(c.text), c.value) << c.text;
}

TEST(DataExchange, StandardMessagesNameTheBounds) {
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE) GTEST_SKIP();
  EXPECT_EQ(fw::RangeMessage(1, 99), "Please enter an integer between 1 and 99.");
  EXPECT_EQ(fw::IntegerMessage(), "Please enter an integer.");
  EXPECT_EQ(fw::MaxCharsMessage(28), "Please enter no more than 28 characters.");
}

}  // namespace
