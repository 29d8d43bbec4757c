#include <gtest/gtest.h>

#include <utility>

#include "common/pc_address.h"
#include "common/tests/fake_ip_helper.h"

namespace common {
namespace {

using testing::FakeIpHelper;
using testing::Ip;

constexpr uint32_t kLoopbackType = 24;
constexpr DWORD kNotSupported = ERROR_NOT_SUPPORTED;  // Wine's answer to SendARP

// A PC whose first Ethernet adapter has no address, with a loopback adapter in between that
// must be passed over, and 192.168.1.5/24 on its second Ethernet adapter.
FakeIpHelper PcOn192168() {
  FakeIpHelper ip;
  ip.AddEthernet(3, {{Ip("0.0.0.0"), Ip("0.0.0.0")}}, Ip("10.0.0.1"));
  ip.AddEthernet(1, {{Ip("127.0.0.1"), Ip("255.0.0.0")}}, 0, kLoopbackType);
  ip.AddEthernet(7, {{Ip("192.168.1.5"), Ip("255.255.255.0")}}, Ip("192.168.1.1"));
  return ip;
}

TEST(PcAddress, LocalAddressIsTheFirstNonzeroEthernetEntry) {
  FakeIpHelper ip = PcOn192168();
  const auto local = GetLocalIP(ip);
  ASSERT_TRUE(local);
  EXPECT_EQ(local->address, Ip("192.168.1.5"));
  EXPECT_EQ(local->mask, Ip("255.255.255.0"));
  EXPECT_EQ(local->gateway, Ip("192.168.1.1"));

  FakeIpHelper none;  // also what a failed adapter-list fetch looks like
  EXPECT_FALSE(GetLocalIP(none));
  none.AddEthernet(1, {{Ip("127.0.0.1"), Ip("255.0.0.0")}}, 0, kLoopbackType);
  EXPECT_FALSE(GetLocalIP(none)) << "only Ethernet adapters count";
}

TEST(PcAddress, LocalSubnetNeedsTheSameMask) {
  FakeIpHelper ip = PcOn192168();
  ip.adapters[2].addresses.push_back({Ip("172.16.4.9"), Ip("255.255.0.0")});
  EXPECT_TRUE(IsLocalSubnet(ip, Ip("192.168.1.77"), Ip("255.255.255.0")));
  EXPECT_FALSE(IsLocalSubnet(ip, Ip("192.168.1.77"), Ip("255.255.0.0")));
  EXPECT_TRUE(IsLocalSubnet(ip, Ip("172.16.200.1"), Ip("255.255.0.0"))) << "a later entry";
  EXPECT_FALSE(IsLocalSubnet(ip, Ip("192.168.2.77"), Ip("255.255.255.0")));
  EXPECT_FALSE(IsLocalSubnet(ip, Ip("127.0.0.9"), Ip("255.0.0.0"))) << "loopback is no Ethernet";
  FakeIpHelper none;
  EXPECT_FALSE(IsLocalSubnet(none, Ip("192.168.1.77"), Ip("255.255.255.0")));
}

TEST(PcAddress, TemporaryAddressSitsBelowTheBroadcastAddress) {
  EXPECT_EQ(TempAddressFor(Ip("192.168.7.77"), Ip("255.255.255.0"), kSetAddressTempOffset),
            Ip("192.168.7.253"));
  EXPECT_EQ(TempAddressFor(Ip("192.168.7.77"), Ip("255.255.255.0"), kProbeTempOffset),
            Ip("192.168.7.251"));
  EXPECT_EQ(TempAddressFor(Ip("172.16.4.9"), Ip("255.255.0.0"), kProbeTempOffset),
            Ip("172.16.255.251"));
}

TEST(PcAddress, TemporaryAddressOnlyStrictlyInsideAProperSubnet) {
  struct Case {
    const char* what;
    const char* target;
    const char* mask;
    uint32_t belowBroadcast;
    const char* added;  // nullptr: none
  };
  constexpr Case kCases[] = {
      {"/24, probe", "10.9.8.7", "255.255.255.0", kProbeTempOffset, "10.9.8.251"},
      {"/24, set address", "10.9.8.7", "255.255.255.0", kSetAddressTempOffset, "10.9.8.253"},
      {"mask 0", "10.9.8.7", "0.0.0.0", kProbeTempOffset, nullptr},
      {"/30, probe: the neighbour's broadcast", "10.9.8.6", "255.255.255.252", kProbeTempOffset,
       nullptr},
      {"/30, set address", "10.9.8.6", "255.255.255.252", kSetAddressTempOffset, "10.9.8.5"},
      {"/31", "10.9.8.4", "255.255.255.254", kSetAddressTempOffset, nullptr},
      {"/32", "10.9.8.4", "255.255.255.255", kSetAddressTempOffset, nullptr},
      {"subnet 0", "0.0.0.77", "255.255.255.0", kProbeTempOffset, nullptr},
      {"subnet 0 of a wider mask", "0.9.8.7", "255.0.0.0", kProbeTempOffset, nullptr},
      {"mask with a gap", "10.9.8.7", "255.0.255.0", kProbeTempOffset, nullptr},
      {"mask of trailing ones", "10.9.8.7", "0.0.0.255", kProbeTempOffset, nullptr},
      // The target itself would be picked: the one above it, still below the broadcast.
      {"target is the probe's pick", "10.9.8.251", "255.255.255.0", kProbeTempOffset,
       "10.9.8.252"},
      {"target is the set pick", "10.9.8.253", "255.255.255.0", kSetAddressTempOffset,
       "10.9.8.254"},
      {"/30, target is the set pick", "10.9.8.5", "255.255.255.252", kSetAddressTempOffset,
       "10.9.8.6"},
      {"/29, target is the probe's pick", "10.9.8.3", "255.255.255.248", kProbeTempOffset,
       "10.9.8.4"},
  };
  for (const auto& c : kCases) {
    FakeIpHelper ip;  // one Ethernet adapter, in none of the subnets above
    ip.AddEthernet(7, {{Ip("192.168.1.5"), Ip("255.255.255.0")}});
    { TempAddressScope temp(ip, Ip(c.target), Ip(c.mask), c.belowBroadcast); }
    if (c.added == nullptr) {
      EXPECT_TRUE(ip.added.empty()) << c.what << ": added " << ip.added[0].address;
      continue;
    }
    ASSERT_EQ(ip.added.size(), 1u) << c.what;
    EXPECT_EQ(ip.added[0].address, Ip(c.added)) << c.what;
    EXPECT_EQ(ip.added[0].mask, Ip(c.mask)) << c.what;
    EXPECT_EQ(ip.deleted.size(), 1u) << c.what;
  }
}

TEST(PcAddress, NoTemporaryAddressThatIsNoHostOfItsSubnet) {
  for (const auto& [address, mask] : {std::pair{"10.1.1.0", "255.255.255.0"},
                                     std::pair{"10.1.1.255", "255.255.255.0"},
                                     std::pair{"10.1.1.253", "0.0.0.0"},
                                     std::pair{"10.1.1.253", "255.0.255.0"},
                                     std::pair{"0.0.0.253", "255.255.255.0"}}) {
    FakeIpHelper ip = PcOn192168();
    TempAddresses temp;
    EXPECT_EQ(AddTempIPAddress(ip, Ip(address), Ip(mask), temp), 0u) << address << "/" << mask;
    EXPECT_TRUE(ip.added.empty()) << address << "/" << mask;
    EXPECT_EQ(temp.count, 0u);
  }
}

TEST(PcAddress, TemporaryAddressGoesOnEveryEthernetAdapterThatTakesIt) {
  FakeIpHelper ip = PcOn192168();
  ip.refuseAdd[7] = ERROR_INVALID_PARAMETER;
  ip.AddEthernet(9, {{Ip("0.0.0.0"), Ip("0.0.0.0")}});
  TempAddresses temp;
  EXPECT_EQ(AddTempIPAddress(ip, Ip("10.1.1.253"), Ip("255.255.255.0"), temp), 2u);
  ASSERT_EQ(ip.added.size(), 3u) << "the loopback adapter is not asked";
  EXPECT_EQ(ip.added[0].adapterIndex, 3u);
  EXPECT_EQ(ip.added[0].address, Ip("10.1.1.253"));
  EXPECT_EQ(ip.added[0].mask, Ip("255.255.255.0"));
  EXPECT_EQ(ip.added[1].adapterIndex, 7u);
  EXPECT_EQ(ip.added[2].adapterIndex, 9u);
  ASSERT_EQ(temp.count, 2u);

  DeleteTempIPAddress(ip, temp);
  EXPECT_EQ(ip.deleted, (std::vector<ULONG>{1003, 1009}));
  EXPECT_EQ(temp.count, 0u);
  DeleteTempIPAddress(ip, temp);
  EXPECT_EQ(ip.deleted.size(), 2u) << "an emptied record deletes nothing twice";

  FakeIpHelper none;  // no adapter list
  EXPECT_EQ(AddTempIPAddress(none, Ip("10.1.1.253"), Ip("255.255.255.0"), temp), 0u);
  EXPECT_EQ(temp.count, 0u);
  EXPECT_TRUE(none.added.empty());
}

TEST(PcAddress, TemporaryAddressesStopAtTwentyAdapters) {
  FakeIpHelper ip;
  for (uint32_t i = 1; i <= 25; ++i) ip.AddEthernet(i, {{Ip("0.0.0.0"), Ip("0.0.0.0")}});
  TempAddresses temp;
  EXPECT_EQ(AddTempIPAddress(ip, Ip("10.1.1.253"), Ip("255.255.255.0"), temp), 20u);
  EXPECT_EQ(ip.added.size(), 20u) << "no address is added that could not be taken away";
  DeleteTempIPAddress(ip, temp);
  EXPECT_EQ(ip.deleted.size(), 20u);
  EXPECT_EQ(ip.deleted.back(), 1020u);
}

TEST(PcAddress, ArpResultCodes) {
  EXPECT_EQ(ClassifyArpResult(NO_ERROR), ArpResult::kAnswered);
  EXPECT_EQ(ClassifyArpResult(ERROR_BAD_NET_NAME), ArpResult::kSilent);
  EXPECT_EQ(ClassifyArpResult(ERROR_GEN_FAILURE), ArpResult::kSilent);
  EXPECT_EQ(ClassifyArpResult(kNotSupported), ArpResult::kFailed);
  EXPECT_EQ(ClassifyArpResult(ERROR_INVALID_PARAMETER), ArpResult::kFailed);

  FakeIpHelper ip;
  ip.Answer(Ip("10.0.0.8"), {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e});
  MacAddress mac{};
  EXPECT_EQ(ProbeAddress(ip, Ip("10.0.0.8"), &mac), ArpResult::kAnswered);
  EXPECT_EQ(mac, (MacAddress{0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
  EXPECT_TRUE(ArpProbe(ip, Ip("10.0.0.8")));
  EXPECT_FALSE(ArpProbe(ip, Ip("10.0.0.9")));
}

TEST(PcAddress, IdleScanGoesDownFromNotMaskLessFive) {
  FakeIpHelper ip = PcOn192168();
  ip.Answer(Ip("192.168.1.250"));
  const auto idle = FindIdleAddress(ip);
  ASSERT_TRUE(idle);
  EXPECT_EQ(idle->address, Ip("192.168.1.249"));
  EXPECT_EQ(idle->mask, Ip("255.255.255.0"));
  EXPECT_EQ(idle->gateway, Ip("192.168.1.1"));
  EXPECT_EQ(ip.probes, (std::vector<uint32_t>{Ip("192.168.1.250"), Ip("192.168.1.249")}));
  EXPECT_TRUE(ip.added.empty());
}

TEST(PcAddress, IdleScanOnSixteenBitSubnetStartsAt65530) {
  FakeIpHelper ip;
  ip.AddEthernet(1, {{Ip("172.16.4.9"), Ip("255.255.0.0")}}, Ip("172.16.0.1"));
  const auto idle = FindIdleAddress(ip);
  ASSERT_TRUE(idle);
  EXPECT_EQ(idle->address, Ip("172.16.255.250"));
}

TEST(PcAddress, IdleScanEndsOnlyAtSilence) {
  struct Case {
    const char* what;
    DWORD codeAt250;
    bool found;
  };
  constexpr Case kCases[] = {
      {"no answer", ERROR_BAD_NET_NAME, true},
      {"no answer, older systems", ERROR_GEN_FAILURE, true},
      {"probing not supported (Wine)", kNotSupported, false},
      {"any other failure", ERROR_INVALID_PARAMETER, false},
  };
  for (const auto& c : kCases) {
    FakeIpHelper ip = PcOn192168();
    ip.ArpCode(Ip("192.168.1.250"), c.codeAt250);
    const auto idle = FindIdleAddress(ip);
    EXPECT_EQ(idle.has_value(), c.found) << c.what;
    if (idle) {
      EXPECT_EQ(idle->address, Ip("192.168.1.250")) << c.what;
    }
    EXPECT_EQ(ip.probes.size(), 1u) << c.what;
  }
}

TEST(PcAddress, IdleScanOffersNothingWhenThereIsNothingToOffer) {
  FakeIpHelper slash30;
  slash30.AddEthernet(1, {{Ip("192.168.1.5"), Ip("255.255.255.252")}});
  EXPECT_FALSE(FindIdleAddress(slash30));
  EXPECT_TRUE(slash30.probes.empty());

  FakeIpHelper allAnswer = PcOn192168();
  allAnswer.defaultArpCode = NO_ERROR;
  EXPECT_FALSE(FindIdleAddress(allAnswer));
  EXPECT_EQ(allAnswer.probes.size(), 250u);
  EXPECT_EQ(allAnswer.probes.back(), Ip("192.168.1.1"));

  FakeIpHelper noAddress;
  EXPECT_FALSE(FindIdleAddress(noAddress));
  EXPECT_TRUE(noAddress.probes.empty());
}

TEST(PcAddress, FreeScanGoesUpFromTheFirstHost) {
  FakeIpHelper ip = PcOn192168();
  for (int i = 1; i <= 9; ++i)
    ip.Answer(Ip(("192.168.1." + std::to_string(i)).c_str()));
  EXPECT_EQ(FindFreeAddress(ip, Ip("192.168.1.77"), Ip("192.168.1.1"), Ip("255.255.255.0")),
            Ip("192.168.1.10"));
  EXPECT_EQ(ip.probes.size(), 10u);
  EXPECT_EQ(ip.probes.front(), Ip("192.168.1.1"));
  EXPECT_TRUE(ip.added.empty()) << "the PC has an address in that subnet";
}

TEST(PcAddress, FreeScanOfAForeignSubnetHoldsATemporaryAddress) {
  FakeIpHelper ip = PcOn192168();
  ip.Answer(Ip("10.9.8.1"));
  // Start 0: the gateway names the subnet.
  EXPECT_EQ(FindFreeAddress(ip, 0, Ip("10.9.8.1"), Ip("255.255.255.0")), Ip("10.9.8.2"));
  ASSERT_EQ(ip.added.size(), 2u);
  EXPECT_EQ(ip.added[0].address, Ip("10.9.8.251"));
  EXPECT_EQ(ip.deleted, (std::vector<ULONG>{1003, 1007}));
}

TEST(PcAddress, FreeScanEndsWithoutResultWhenTheSystemCannotProbe) {
  FakeIpHelper ip = PcOn192168();
  ip.defaultArpCode = kNotSupported;
  EXPECT_FALSE(FindFreeAddress(ip, Ip("10.9.8.7"), 0, Ip("255.255.255.0")));
  EXPECT_EQ(ip.probes.size(), 1u);
  EXPECT_EQ(ip.deleted.size(), 2u) << "the temporary addresses are still taken away";
}

TEST(PcAddress, FreeScanNeverOffersNetworkOrBroadcastAddress) {
  FakeIpHelper ip = PcOn192168();
  ip.defaultArpCode = NO_ERROR;
  EXPECT_FALSE(FindFreeAddress(ip, Ip("192.168.1.77"), 0, Ip("255.255.255.0")));
  ASSERT_EQ(ip.probes.size(), 254u);
  EXPECT_EQ(ip.probes.back(), Ip("192.168.1.254"));
  for (const char* mask : {"0.0.0.0", "255.255.255.255"}) {
    FakeIpHelper none = PcOn192168();
    EXPECT_FALSE(FindFreeAddress(none, Ip("192.168.1.77"), 0, Ip(mask))) << mask;
    EXPECT_TRUE(none.probes.empty()) << mask;
  }
}

TEST(PcAddress, ConflictIsAnAnswerOnly) {
  struct Case {
    const char* what;
    DWORD code;
    bool inUse;
  };
  constexpr Case kCases[] = {
      {"answered", NO_ERROR, true},
      {"no answer", ERROR_BAD_NET_NAME, false},
      {"probing not supported (Wine)", kNotSupported, false},
  };
  for (const auto& c : kCases) {
    FakeIpHelper ip = PcOn192168();
    ip.ArpCode(Ip("10.9.8.7"), c.code);
    ip.ArpCode(Ip("192.168.1.7"), c.code);
    EXPECT_EQ(IsAddressInUse(ip, Ip("10.9.8.7"), Ip("255.255.255.0")), c.inUse) << c.what;
    ASSERT_EQ(ip.added.size(), 2u) << c.what;
    EXPECT_EQ(ip.added[0].address, Ip("10.9.8.251")) << c.what;
    EXPECT_EQ(ip.deleted.size(), 2u) << c.what;

    EXPECT_EQ(IsAddressInUse(ip, Ip("192.168.1.7"), Ip("255.255.255.0")), c.inUse) << c.what;
    EXPECT_EQ(ip.added.size(), 2u) << c.what << ": no temporary address in the PC's subnet";
  }
}

TEST(PcAddress, OctetAndMaskChecks) {
  EXPECT_TRUE(CheckIPOctet(0xC0A8010A));
  EXPECT_FALSE(CheckIPOctet(0xC0A80100));
  EXPECT_FALSE(CheckIPOctet(0xC0A801FF));
  EXPECT_FALSE(CheckIPOctet(Ip("0.168.1.10"))) << "network order: the first octet";
  EXPECT_FALSE(CheckIPOctet(Ip("255.168.1.10")));
  EXPECT_TRUE(CheckIPOctet(Ip("192.168.1.0")));

  EXPECT_TRUE(CheckIPMask(0xFFFFFF00));
  EXPECT_TRUE(CheckIPMask(0xFFFFFFFE));
  EXPECT_FALSE(CheckIPMask(0));
  EXPECT_FALSE(CheckIPMask(0xFFFFFFFF));
  EXPECT_FALSE(CheckIPMask(0x00FF00FF));
}

TEST(PcAddress, MacTexts) {
  struct Case {
    const char* text;
    bool ok;
  };
  constexpr Case kCases[] = {
      {"001A2b3C4d5E", true},
      {"001a2b3c4d5e", true},
      {"001A2B3C4D5Etrailing", true},
      {"00:1a:2b:3c:4d:5e", false},
      {"001a2b3c4d5", false},
      {"001a2b3c4d5g", false},
      {"", false},
  };
  for (const auto& c : kCases) {
    MacAddress mac{};
    EXPECT_EQ(ParseMacAddr(c.text, mac), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(mac, (MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e})) << c.text;
    }
  }
}

TEST(PcAddress, CameraPageOfAHostOrderAddress) {
  FakeIpHelper ip;
  OpenCamPage(ip, 0xC0A8010A, 80);
  OpenCamPage(ip, 0x0A01A8C0, 65535);
  EXPECT_EQ(ip.opened, (std::vector<std::string>{"http://192.168.1.10:80",
                                                  "http://10.1.168.192:65535"}));
}

}  // namespace
}  // namespace common
