#include <gtest/gtest.h>

#include <climits>

#include "liveview/cameras/camera_text.h"

namespace liveview {
namespace {

TEST(ParseCameraText, TrimsThenSplitsAtTheLastColon) {
  struct Case {
    const char* text;
    const char* host;
    bool hasPort;
    const char* portText;
    int port;
  };
  const Case cases[] = {
      {" 192.168.0.20:80 \t", "192.168.0.20", true, "80", 80},
      {"gate.example:8080", "gate.example", true, "8080", 8080},
      {"a:b:81", "a:b", true, "81", 81},  // only the last colon separates the port
      {"gate:0080", "gate", true, "0080", 80},
      {"gate:80x", "gate", true, "80x", 80},  // atoi stops at the first non-digit
      {"gate:", "gate", true, "", 0},
      {"gate", "gate", false, "", 0},
      {"", "", false, "", 0},
  };
  for (const Case& c : cases) {
    const CameraTextParts parts = ParseCameraText(c.text);
    EXPECT_EQ(parts.host, c.host) << c.text;
    EXPECT_EQ(parts.hasPort, c.hasPort) << c.text;
    EXPECT_EQ(parts.portText, c.portText) << c.text;
    EXPECT_EQ(parts.port, c.port) << c.text;
  }
}

TEST(ParseLeadingInt, ReadsLikeAtoiButSaturates) {
  EXPECT_EQ(ParseLeadingInt(" 42"), 42);
  EXPECT_EQ(ParseLeadingInt("-7"), -7);
  EXPECT_EQ(ParseLeadingInt("+5z"), 5);
  EXPECT_EQ(ParseLeadingInt("z5"), 0);
  EXPECT_EQ(ParseLeadingInt("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), INT_MIN);
}

TEST(CameraTextRules, TrimmingAndCaselessComparison) {
  EXPECT_EQ(TrimWhiteSpace(" \t front door \r\n"), "front door");
  EXPECT_EQ(TrimWhiteSpace("   "), "");
  EXPECT_TRUE(EqualsIgnoreCase("Gate.EXAMPLE", "gate.example"));
  EXPECT_FALSE(EqualsIgnoreCase("gate", "gates"));
  EXPECT_FALSE(EqualsIgnoreCase("gate1", "gate2"));
}

}  // namespace
}  // namespace liveview
