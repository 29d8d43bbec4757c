// Setting, testing and proposing addresses through the control, in-process, with the IP
// Helper double whose ARP answers follow the simulated cameras; and the address texts.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "lumidex_fixture.h"
#include "lumidex_h.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"

namespace lumidex_test {
namespace {

using test_container::CallArgs;
using test_container::PumpFor;
using test_container::PumpUntil;

class LumidexAddressTest : public LumidexTest {
 protected:
  long SetIP(const char* ip, const char* mask, const char* gateway, const std::string& mac,
             const std::string& user, const std::string& pwd) {
    CallArgs args;
    args.Long(Net(ip)).Long(Net(mask)).Long(Net(gateway)).Text(mac).Text(user).Text(pwd).OutLong(
        -99);
    return Call("SetIP", args, 6);
  }
  // The adapters of the double that take temporary addresses: its two Ethernet ones.
  static std::vector<uint32_t> EthernetIndexes() { return {7, 8}; }

  void ExpectTemporaryAddress(const char* address, const char* mask) {
    const auto added = ip_.AddedAddresses();
    std::vector<uint32_t> adapters;
    std::vector<ULONG> contexts;
    for (const auto& a : added) {
      EXPECT_EQ(a.address, inet_addr(address));
      EXPECT_EQ(a.mask, inet_addr(mask));
      adapters.push_back(a.adapterIndex);
      contexts.push_back(a.context);
    }
    EXPECT_EQ(adapters, EthernetIndexes());
    EXPECT_EQ(ip_.DeletedContexts(), contexts) << "every temporary address is taken away";
  }
};

TEST_F(LumidexAddressTest, SetIPRefusesBeforeSendingAnything) {
  responder_.AddCamera(Camera(20));
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(20));
  struct Case {
    const char* name;
    const char* ip;
    const char* mask;
    const char* gateway;
    std::string mac;
    long result;
  };
  const Case cases[] = {
      {"gateway outside the new subnet", "10.213.0.80", "255.255.255.0", "10.213.1.1",
       MacText(20), -2},
      {"gateway outside, other subnet", "192.168.3.9", "255.255.255.0", "192.168.4.1",
       MacText(20), -2},
      {"first octet 0", "0.213.0.80", "255.255.255.0", "0.213.0.1", MacText(20), 0},
      {"first octet 255", "255.213.0.80", "255.255.255.0", "255.213.0.1", MacText(20), 0},
      {"MAC with separators", "10.213.0.80", "255.255.255.0", "10.213.0.1",
       "00:1a:2b:cd:ef:14", 0},
      {"MAC of 11 digits", "10.213.0.80", "255.255.255.0", "10.213.0.1", "001a2bcdef1", 0},
      {"MAC not found since the clear", "10.213.0.80", "255.255.255.0", "10.213.0.1",
       MacText(99), 0},
      {"MAC not found, other subnet", "192.168.3.9", "255.255.255.0", "192.168.3.1",
       MacText(98), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ip_.ClearRecords();
    const DWORD start = GetTickCount();
    EXPECT_EQ(SetIP(c.ip, c.mask, c.gateway, c.mac, "admin", "admin"), c.result);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(SetAddressRequests(responder_), 0u);
    EXPECT_TRUE(ip_.AddedAddresses().empty());
    EXPECT_TRUE(ip_.Probes().empty());
  }
  PumpFor(300);  // a datagram still on its way
  EXPECT_EQ(SetAddressRequests(responder_), 0u);
}

TEST_F(LumidexAddressTest, SetIPSucceedsWhenTheCameraAnswersOnItsNewAddress) {
  struct Case {
    const char* name;
    uint8_t tag;
    const char* scheme;
    const char* ip;
    const char* mask;
    const char* gateway;
    const char* user;
    const char* pwd;
    const char* passwordField;  // what the camera receives
    const char* temporary;      // null: the PC already has an address there
  };
  const Case cases[] = {
      {"BASIC, in the PC's subnet", 21, "BASIC", "10.213.0.121", "255.255.255.0", "10.213.0.254",
       "admin", "admin", "$1$ismVkxPxPADdI", nullptr},
      {"DIGEST, in another subnet", 22, "DIGEST", "192.168.7.22", "255.255.255.0",
       "192.168.7.1", "root", "s3cret-pass", "$1$czNjcmV0LXBhc", "192.168.7.253"},
      {"digest in small letters, a /16", 23, "digest", "172.20.9.23", "255.255.0.0",
       "172.20.0.1", "admin", "admin", "$1$YWRtaW4A", "172.20.255.253"},
  };
  for (const Case& c : cases) responder_.AddCamera(Camera(c.tag, c.scheme));
  ASSERT_EQ(Call("Init"), 1);
  for (const Case& c : cases) ASSERT_TRUE(WaitReported(c.tag));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ip_.ClearRecords();
    responder_.ClearLog();
    EXPECT_EQ(SetIP(c.ip, c.mask, c.gateway, MacText(c.tag), c.user, c.pwd), 1);
    const auto activity = responder_.Snapshot();
    ASSERT_EQ(activity.Count(camsim::ReceivedDatagram::Kind::SetAddress), 1u);
    for (const auto& d : activity.datagrams) {
      if (d.kind != camsim::ReceivedDatagram::Kind::SetAddress) continue;
      EXPECT_EQ(d.bytes.size(), 64u);
      ASSERT_TRUE(d.setAddress.has_value());
      EXPECT_EQ(d.setAddress->address, static_cast<uint32_t>(Host(c.ip)));
      EXPECT_EQ(d.setAddress->mask, static_cast<uint32_t>(Host(c.mask)));
      EXPECT_EQ(d.setAddress->gateway, static_cast<uint32_t>(Host(c.gateway)));
      EXPECT_EQ(d.setAddress->mac, Mac(c.tag));
      EXPECT_EQ(d.setAddress->user, c.user);
      EXPECT_EQ(d.setAddress->PasswordText(), c.passwordField);
      EXPECT_EQ(d.matchedCamera >= 0, true);
    }
    EXPECT_FALSE(ip_.Probes().empty());
    EXPECT_EQ(ip_.Probes().back(), inet_addr(c.ip));
    if (c.temporary) {
      ExpectTemporaryAddress(c.temporary, c.mask);
    } else {
      EXPECT_TRUE(ip_.AddedAddresses().empty());
    }
  }
}

// Only the camera's own hardware counts: another device at the new address is no success.
// Events and timer searches go on while SetIP waits.
TEST_F(LumidexAddressTest, SetIPWaitsTenSecondsWhenAnotherDeviceAnswersAndEventsGoOn) {
  const size_t index = responder_.AddCamera(Camera(24));
  ASSERT_EQ(Call("Init"), 1);
  ASSERT_TRUE(WaitReported(24));
  // The camera stays where it is (the request names a MAC the responder no longer has) and
  // something else holds the address.
  camsim::DiscoveryIdentity moved = Camera(24);
  moved.mac = Mac(124);
  responder_.SetCamera(index, moved);
  ip_.PlaceDevice(inet_addr("10.213.0.124"), Mac(200));
  bool waiting = false;
  bool newcomerDuringWait = false;
  events_->SetHook([&](DISPID, DISPPARAMS* p) {
    const VARIANT& mac = p->rgvarg[p->cArgs - 1];
    if (waiting && mac.vt == VT_BSTR && fw::WideToAnsi(mac.bstrVal) == MacText(25))
      newcomerDuringWait = true;
  });
  responder_.AddCamera(Camera(25));

  waiting = true;
  const DWORD start = GetTickCount();
  EXPECT_EQ(SetIP("10.213.0.124", "255.255.255.0", "10.213.0.254", MacText(24), "admin", "x"),
            0);
  const DWORD elapsed = GetTickCount() - start;
  waiting = false;
  EXPECT_GE(elapsed, 10000u);
  EXPECT_LT(elapsed, 13000u);
  EXPECT_TRUE(newcomerDuringWait) << "no event came during the wait";
  EXPECT_GE(ip_.Probes().size(), 20u) << "probes about every 100 ms";
  EXPECT_EQ(SetAddressRequests(responder_), 1u);

  // A WM_QUIT ends the wait with 0 and is left for the host's own loop; the temporary
  // address goes on that way too.
  ip_.ClearRecords();
  PostQuitMessage(3);
  const DWORD quitStart = GetTickCount();
  EXPECT_EQ(SetIP("192.168.8.24", "255.255.255.0", "192.168.8.1", MacText(24), "admin", "x"), 0);
  EXPECT_LT(GetTickCount() - quitStart, 2000u);
  MSG msg{};
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(responder_.WaitForDatagrams(camsim::ReceivedDatagram::Kind::SetAddress, 2,
                                          std::chrono::seconds(2)));
  ExpectTemporaryAddress("192.168.8.253", "255.255.255.0");
}

TEST_F(LumidexAddressTest, GetFreeIPScansTheSubnetOfTheAddressOrElseOfTheGateway) {
  CallArgs before;
  before.OutLong(12345).Long(Net("255.255.255.0")).Long(Net("10.213.0.254")).OutLong(-1);
  EXPECT_EQ(Call("GetFreeIP", before, 3), 0) << "before Init";
  EXPECT_EQ(before.LongAt(0), 12345);
  EXPECT_TRUE(ip_.Probes().empty());

  ASSERT_EQ(Call("Init"), 1);
  ip_.PlaceDevice(inet_addr("192.168.9.1"), Mac(201));
  ip_.PlaceDevice(inet_addr("192.168.9.2"), Mac(202));
  ip_.ClearRecords();
  CallArgs byGateway;
  byGateway.OutLong(0).Long(Net("255.255.255.0")).Long(Net("192.168.9.1")).OutLong();
  EXPECT_EQ(Call("GetFreeIP", byGateway, 3), 1);
  EXPECT_EQ(byGateway.LongAt(0), Net("192.168.9.3"));
  EXPECT_EQ(ip_.Probes(), (std::vector<uint32_t>{inet_addr("192.168.9.1"),
                                                 inet_addr("192.168.9.2"),
                                                 inet_addr("192.168.9.3")}));
  ExpectTemporaryAddress("192.168.9.251", "255.255.255.0");

  // Its own subnet: the PC is there (.1 answers), so no temporary address.
  ip_.PlaceDevice(inet_addr("10.213.0.2"), Mac(203));
  ip_.ClearRecords();
  CallArgs byAddress;
  byAddress.OutLong(Net("10.213.0.77")).Long(Net("255.255.255.0")).Long(Net("192.168.9.1"))
      .OutLong();
  EXPECT_EQ(Call("GetFreeIP", byAddress, 3), 1);
  EXPECT_EQ(byAddress.LongAt(0), Net("10.213.0.3"));
  EXPECT_TRUE(ip_.AddedAddresses().empty());
}

TEST_F(LumidexAddressTest, AutoAllocateProposesAnIdleAddressOfThePCsSubnetWithoutInit) {
  ip_.PlaceDevice(inet_addr("10.213.0.250"), Mac(204));
  CallArgs args;
  args.OutLong().OutLong().OutLong().OutLong(-1);
  EXPECT_EQ(Call("AutoAllocate", args, 3), 1);
  EXPECT_EQ(args.LongAt(0), Net("10.213.0.249"));
  EXPECT_EQ(args.LongAt(1), Net("255.255.255.0"));
  EXPECT_EQ(args.LongAt(2), Net("10.213.0.254"));
  EXPECT_EQ(ip_.Probes().front(), inet_addr("10.213.0.250")) << "the scan starts at NOT mask - 5";
  EXPECT_TRUE(ip_.AddedAddresses().empty());
}

TEST_F(LumidexAddressTest, IsIPConflictAndIsLocalIPWorkWithoutInit) {
  responder_.AddCamera(Camera(26));  // 10.213.0.76
  ip_.PlaceDevice(inet_addr("192.168.50.9"), Mac(205));
  struct Case {
    const char* member;
    const char* ip;
    const char* mask;
    long result;
  };
  const Case cases[] = {
      {"IsIPConflict", "10.213.0.76", "255.255.255.0", 1},
      {"IsIPConflict", "10.213.0.1", "255.255.255.0", 1},
      {"IsIPConflict", "10.213.0.200", "255.255.255.0", 0},
      {"IsIPConflict", "192.168.50.9", "255.255.255.0", 1},
      {"IsLocalIP", "10.213.0.77", "255.255.255.0", 1},
      {"IsLocalIP", "10.213.0.0", "255.255.255.0", 1},
      {"IsLocalIP", "10.213.0.77", "255.255.0.0", 0},
      {"IsLocalIP", "10.213.1.5", "255.255.255.0", 0},
      {"IsLocalIP", "172.16.5.5", "255.255.0.0", 0},  // not an Ethernet adapter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.member) + " " + c.ip + "/" + c.mask);
    CallArgs args;
    args.Long(Net(c.ip)).Long(Net(c.mask)).OutLong(-1);
    EXPECT_EQ(Call(c.member, args, 2), c.result);
  }
  // The probe of another subnet went out from a temporary address there.
  ip_.ClearRecords();
  CallArgs args;
  args.Long(Net("192.168.50.9")).Long(Net("255.255.255.0")).OutLong();
  EXPECT_EQ(Call("IsIPConflict", args, 2), 1);
  ExpectTemporaryAddress("192.168.50.251", "255.255.255.0");
}

TEST_F(LumidexAddressTest, IsValidMacAddrWantsTwelveHexadecimalDigits) {
  const struct {
    const char* text;
    long result;
  } cases[] = {
      {"001a2bcdef10", 1}, {"AABBccDDeeFF", 1}, {"001a2bcdef10 and more", 1},
      {"00:1a:2b:cd:ef:10", 0}, {"001a2bcdef1", 0}, {"", 0}, {"g01a2bcdef10", 0},
      {"00 1a2bcdef10", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CallArgs args;
    args.Text(c.text).OutLong(-1);
    EXPECT_EQ(Call("IsValidMacAddr", args, 1), c.result);
  }
}

TEST_F(LumidexAddressTest, IP2StringWritesTheHostOrderValueAsTextInSixteenBytes) {
  const struct {
    long value;
    const char* text;
  } cases[] = {
      {Host("192.168.1.10"), "192.168.1.10"},
      {-1, "255.255.255.255"},
      {0, "0.0.0.0"},
      {Net("192.168.1.10"), "10.1.168.192"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char buffer[32];
    std::memset(buffer, 0xCC, sizeof buffer);
    CallArgs args;
    args.Long(c.value).Buffer(buffer);
    EXPECT_EQ(test_container::CallByName(Control(), "IP2String", args).hr, S_OK);
    EXPECT_STREQ(buffer, c.text);
    for (size_t i = 16; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '\xCC') << i;
  }
  // A script's variable is no buffer address.
  CallArgs script;
  script.Long(1).OutVariant(0);
  EXPECT_EQ(test_container::CallByName(Control(), "IP2String", script).hr, DISP_E_TYPEMISMATCH);
}

TEST_F(LumidexAddressTest, String2IPReadsAtMostSixteenBytesOfTheText) {
  const struct {
    const char* text;
    long value;
  } cases[] = {
      {"192.168.1.10", Net("192.168.1.10")},
      {"255.255.255.255", -1},
      {"camera", -1},
      {"10.213.0.5", Net("10.213.0.5")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    CallArgs args;
    args.OutLong(7).Buffer(text.data());
    EXPECT_EQ(test_container::CallByName(Control(), "String2IP", args).hr, S_OK);
    EXPECT_EQ(args.LongAt(0), c.value);
  }
  // Texts that end where readable memory ends: 16 bytes without a NUL are refused, and
  // nothing past them is read.
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const DWORD page = system.dwPageSize;
  auto* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
  char* sixteen = pages + page - 16;
  std::memcpy(sixteen, "1111111111111111", 16);
  CallArgs unterminated;
  unterminated.OutLong(7).Buffer(sixteen);
  EXPECT_EQ(test_container::CallByName(Control(), "String2IP", unterminated).hr, S_OK);
  EXPECT_EQ(unterminated.LongAt(0), 0);
  std::memcpy(pages + page - 11, "10.213.0.9", 11);
  CallArgs atTheEnd;
  atTheEnd.OutLong(7).Buffer(pages + page - 11);
  EXPECT_EQ(test_container::CallByName(Control(), "String2IP", atTheEnd).hr, S_OK);
  EXPECT_EQ(atTheEnd.LongAt(0), Net("10.213.0.9"));
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(LumidexAddressTest, VisitIPCamOpensThePageOfTheNetworkOrderValue) {
  const struct {
    long ip;
    short port;
    const char* url;
  } cases[] = {
      {Net("192.168.1.10"), 80, "http://192.168.1.10:80"},
      {Host("192.168.1.10"), 80, "http://10.1.168.192:80"},
      {Net("10.213.0.51"), -1, "http://10.213.0.51:65535"},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    CallArgs args;
    args.Long(c.ip).Short(c.port).OutLong(-1);
    EXPECT_EQ(Call("VisitIPCam", args, 2), 1);
    expected.push_back(c.url);
  }
  EXPECT_EQ(ip_.OpenedUrls(), expected);
}

TEST_F(LumidexAddressTest, DrawsAWhiteFieldWithAnInscribedEllipse) {
  PumpFor(100);
  auto image = test_container::CaptureWindow(host_.ControlWindow());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->At(3, 3), RGB(255, 255, 255)) << "corner";
  EXPECT_EQ(image->At(60, 45), RGB(255, 255, 255)) << "centre";
  EXPECT_EQ(image->At(0, 45), RGB(0, 0, 0)) << "left end of the ellipse";
  EXPECT_EQ(image->At(60, 0), RGB(0, 0, 0)) << "top of the ellipse";
  EXPECT_GT(image->ShareOf(RGB(255, 255, 255), RECT{0, 0, 120, 90}), 0.9);
}

}  // namespace
}  // namespace lumidex_test
