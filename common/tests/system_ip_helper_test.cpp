// The real IP Helper, inside the suite's private network: the walk must find the segment's
// own Ethernet address and pass over loopback.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "common/ip_helper.h"
#include "common/pc_address.h"
#include "isolated_network.h"

namespace common {
namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

TEST(SystemIpHelper, FindsThePrivateSegmentAsTheLocalAddress) {
  ASSERT_TRUE(testing_support::InIsolatedNetwork());
  IpHelper& ip = SystemIpHelper();
  const auto local = GetLocalIP(ip);
  ASSERT_TRUE(local);
  EXPECT_EQ(local->address, Ip("10.213.0.1"));
  EXPECT_EQ(local->mask, Ip("255.255.255.0"));
  EXPECT_TRUE(IsLocalSubnet(ip, Ip("10.213.0.77"), Ip("255.255.255.0")));
  EXPECT_FALSE(IsLocalSubnet(ip, Ip("10.213.0.77"), Ip("255.255.0.0")));
  EXPECT_FALSE(IsLocalSubnet(ip, Ip("127.0.0.1"), Ip("255.0.0.0")));
  EXPECT_EQ(local->gateway, 0u) << "the segment's default route has no next hop";
}

TEST(SystemIpHelper, AddressTexts) {
  struct Case {
    const char* text;
    uint32_t value;
  };
  const Case kCases[] = {
      {"", 0},  // a missing gateway
      {"0.0.0.0", 0},
      {"10.213.0.254", Ip("10.213.0.254")},
      {"255.255.255.255", 0xFFFFFFFF},  // a mask of all ones
  };
  for (const auto& c : kCases) EXPECT_EQ(AddressOfText(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace common
