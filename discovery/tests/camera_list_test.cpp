// The found list and the address operations without any socket: nothing here sends.
#include <gtest/gtest.h>

#include <cstring>

#include "camera_finder.h"
#include "common/tests/fake_ip_helper.h"
#include "recording_finder.h"

namespace discovery {
namespace {

using common::testing::FakeIpHelper;
using common::testing::Ip;

common::SearchReply Reply(uint8_t tag, uint32_t address, const char* firmware) {
  common::SearchReply reply{};
  reply.msgType = common::kMsgSearchReply;
  reply.payloadLen = common::kFullReplyPayload;
  reply.address = address;
  reply.mask = 0xFFFFFF00;
  reply.port = 80;
  reply.mac = {0, 0x1a, 0x2b, 0x3c, 0x4d, tag};
  std::strncpy(reply.firmware.data(), firmware, reply.firmware.size() - 1);
  std::strcpy(reply.authScheme.data(), "DIGEST");
  return reply;
}

TEST(CameraList, KnownMacIsNeverAddedOrChangedAgain) {
  FakeIpHelper ip;
  testing::RecordingFinder finder(ip);
  const std::string longest(39, 'f');
  EXPECT_TRUE(finder.AddIntoCamList(Reply(1, 0xC0A8010A, longest.c_str())));
  EXPECT_TRUE(finder.AddIntoCamList(Reply(2, 0xC0A8010B, "two")));
  EXPECT_FALSE(finder.AddIntoCamList(Reply(1, 0xC0A80163, "moved")));

  const auto list = finder.CamList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].address, 0xC0A8010Bu);
  const auto first = finder.FindInCamList(Reply(1, 0, "").mac);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->address, 0xC0A8010Au);
  EXPECT_EQ(first->firmware.data(), longest);
  EXPECT_STREQ(first->authScheme.data(), "DIGEST");
  EXPECT_FALSE(finder.FindInCamList(Reply(3, 0, "").mac));
  EXPECT_TRUE(finder.Reported().empty()) << "only the listener reports";
}

TEST(CameraList, ClearingBeforeAStartOnlyEmptiesTheList) {
  FakeIpHelper ip;
  testing::RecordingFinder finder(ip);
  finder.AddIntoCamList(Reply(1, 0xC0A8010A, "one"));
  finder.ClearCamList();  // no socket yet: no search goes out
  EXPECT_TRUE(finder.CamList().empty());
  EXPECT_FALSE(finder.IsStarted());
  EXPECT_FALSE(finder.MakePwdField(Reply(1, 0, "").mac, "pw"));
}

TEST(CameraList, AddressOperationsUseTheFindersHelper) {
  FakeIpHelper ip;
  ip.AddEthernet(4, {{Ip("192.168.1.5"), Ip("255.255.255.0")}}, Ip("192.168.1.1"));
  ip.Answer(Ip("192.168.1.250"));
  testing::RecordingFinder finder(ip);
  EXPECT_TRUE(finder.IsLocalSubnet(Ip("192.168.1.77"), Ip("255.255.255.0")));
  const auto idle = finder.FindIdleAddress();
  ASSERT_TRUE(idle);
  EXPECT_EQ(idle->address, Ip("192.168.1.249"));
  finder.OpenCamPage(0xC0A8010A, 80);
  EXPECT_EQ(ip.opened, std::vector<std::string>{"http://192.168.1.10:80"});
}

}  // namespace
}  // namespace discovery
