#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "liveview/cameras/name_checks.h"

namespace liveview {
namespace {

constexpr unsigned kWestern = 1252;
constexpr unsigned kChinese = 936;  // GBK: trail bytes 0x40 to 0xFE, so 0x5C and 0x7C occur

class NameChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(IsDBCSLeadByteEx(kChinese, 0x81)) << "code page 936 is not available";
  }
};

TEST_F(NameChecksTest, EachOfTheNineCharactersIsFoundAndStripped) {
  ASSERT_EQ(std::string(InvalidNameChars).size(), 9u);
  for (const char c : std::string(InvalidNameChars)) {
    const std::string name = std::string("Front") + c + "Door" + c;
    EXPECT_TRUE(HasInvalidChar(name, InvalidNameChars, kWestern)) << c;
    EXPECT_EQ(StripInvalidChars(name, kWestern), "FrontDoor") << c;
  }
}

TEST_F(NameChecksTest, CleanAndEmptyTextsPassUnchanged) {
  for (const char* text : {"", "Front door_2 (east) #1", "a;b,c=d'e"}) {
    EXPECT_FALSE(HasInvalidChar(text, InvalidNameChars, kWestern)) << text;
    EXPECT_EQ(StripInvalidChars(text, kWestern), text);
  }
}

TEST_F(NameChecksTest, TrailBytesOfDoubleByteCharactersNeverCount) {
  // 0x81 0x5C and 0x95 0x7C are one character each in 936; in 1252 they hold '\' and '|'.
  for (const char* text : {"cam\x81\x5C", "\x95\x7C" "door"}) {
    EXPECT_FALSE(HasInvalidChar(text, InvalidNameChars, kChinese)) << text;
    EXPECT_EQ(StripInvalidChars(text, kChinese), text);
    EXPECT_TRUE(HasInvalidChar(text, InvalidNameChars, kWestern)) << text;
  }
  // A real backslash after a double-byte character still goes.
  EXPECT_TRUE(HasInvalidChar("\x81\x5C\\x", InvalidNameChars, kChinese));
  EXPECT_EQ(StripInvalidChars("\x81\x5C\\x|", kChinese), "\x81\x5Cx");
  // A lead byte at the very end stands alone and is kept.
  EXPECT_EQ(StripInvalidChars("ab\x81", kChinese), "ab\x81");
}

TEST_F(NameChecksTest, WhatStrippingKeepsTheCheckAccepts) {
  const char* const names[] = {"\\\\", "a\x81\\\\b", "\x81", "\x81\x7C|\x81", "x:\x95\x5C/\x95"};
  for (const unsigned codePage : {kWestern, kChinese}) {
    for (const char* name : names) {
      EXPECT_FALSE(HasInvalidChar(StripInvalidChars(name, codePage), InvalidNameChars, codePage))
          << name << " in code page " << codePage;
    }
  }
}

}  // namespace
}  // namespace liveview
