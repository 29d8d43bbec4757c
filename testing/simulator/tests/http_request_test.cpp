#include "simulator/http_request.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

TEST(TakeHeaderBlock, CutsOneBlockAtATimeAndWaitsForAnIncompleteOne) {
  std::string pending =
      "\r\nGET /a HTTP/1.1\r\nX: 1\r\n\r\nGET /b HTTP/1.1\r\n\r\nGET /c HTTP/1.1\r\nY: 2\r\n\r";
  EXPECT_EQ(TakeHeaderBlock(pending), "GET /a HTTP/1.1\r\nX: 1\r\n\r\n");
  EXPECT_EQ(TakeHeaderBlock(pending), "GET /b HTTP/1.1\r\n\r\n");
  EXPECT_EQ(TakeHeaderBlock(pending), std::nullopt);
  EXPECT_EQ(pending, "GET /c HTTP/1.1\r\nY: 2\r\n\r");
  pending += "\n";
  EXPECT_EQ(TakeHeaderBlock(pending), "GET /c HTTP/1.1\r\nY: 2\r\n\r\n");
  EXPECT_TRUE(pending.empty());
}

TEST(TakeHeaderBlock, TakesBareLineFeedsAsTypedByHand) {
  std::string pending = "GET /x\nA: b\n\nrest";
  EXPECT_EQ(TakeHeaderBlock(pending), "GET /x\nA: b\n\n");
  EXPECT_EQ(pending, "rest");
}

TEST(ParseRequest, ReadsTheCommandRequestAsTheControlSendsIt) {
  const auto request = ParseRequest(
      "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=add HTTP/1.1\r\n"
      "Authorization: Basic YWRtaW46YWRtaW4=\r\n"
      "Credentials:admin:admin\r\n\r\n");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->method, "GET");
  EXPECT_EQ(request->Path(), "/cgi-bin/action");
  EXPECT_EQ(request->version, "HTTP/1.1");
  EXPECT_EQ(request->QueryValue("action"), "bright_chg");
  EXPECT_EQ(request->QueryValue("CamInfo_Brightness"), "add");
  EXPECT_EQ(request->QueryValue("missing"), std::nullopt);
  ASSERT_NE(request->Header("authorization"), nullptr);
  EXPECT_EQ(*request->Header("AUTHORIZATION"), "Basic YWRtaW46YWRtaW4=");
  ASSERT_NE(request->Header("Credentials"), nullptr);
  EXPECT_EQ(*request->Header("Credentials"), "admin:admin");
}

TEST(ParseRequest, RefusesLinesThatAreNotRequests) {
  for (const char* block : {"GARBAGE\r\n\r\n", " GET / HTTP/1.1\r\n\r\n", "GET \r\n\r\n", "\r\n"})
    EXPECT_FALSE(ParseRequest(block)) << block;
  const auto old = ParseRequest("GET /cgi-bin/sf.cgi\r\n\r\n");
  ASSERT_TRUE(old);
  EXPECT_EQ(old->version, "");
}

}  // namespace
}  // namespace camsim
