// A scripted stand-in for the system's IP Helper and shell: adapters as given, ARP answers
// per address (silence, ERROR_BAD_NET_NAME, for the rest), and every call recorded.
#pragma once

#include <winsock2.h>

#include <map>
#include <string>
#include <vector>

#include "common/ip_helper.h"

namespace common::testing {

// Network-order value of a dotted text, for readable scripts.
inline uint32_t Ip(const char* text) { return inet_addr(text); }

class FakeIpHelper : public IpHelper {
 public:
  struct Added {
    uint32_t address;
    uint32_t mask;
    uint32_t adapterIndex;
  };

  // An Ethernet adapter with one address entry per (address, mask) pair.
  void AddEthernet(uint32_t index, std::vector<AdapterAddress> addresses, uint32_t gateway = 0,
                   uint32_t type = kEthernetAdapterType) {
    adapters.push_back(Adapter{type, index, std::move(addresses), gateway});
  }
  void Answer(uint32_t address, MacAddress mac = {1, 2, 3, 4, 5, 6}) {
    arp[address] = {NO_ERROR, mac};
  }
  void ArpCode(uint32_t address, DWORD code) { arp[address] = {code, {}}; }

  std::vector<Adapter> Adapters() override { return adapters; }

  DWORD SendArp(uint32_t address, MacAddress& answeringMac) override {
    probes.push_back(address);
    const auto it = arp.find(address);
    if (it == arp.end()) return defaultArpCode;
    if (it->second.code == NO_ERROR) answeringMac = it->second.mac;
    return it->second.code;
  }

  DWORD AddIPAddress(uint32_t address, uint32_t mask, uint32_t adapterIndex,
                     ULONG& context) override {
    added.push_back({address, mask, adapterIndex});
    const auto refused = refuseAdd.find(adapterIndex);
    if (refused != refuseAdd.end()) return refused->second;
    context = 1000 + adapterIndex;
    return NO_ERROR;
  }

  DWORD DeleteIPAddress(ULONG context) override {
    deleted.push_back(context);
    return NO_ERROR;
  }

  void OpenUrl(const std::string& url) override { opened.push_back(url); }

  struct ArpAnswer {
    DWORD code;
    MacAddress mac;
  };

  std::vector<Adapter> adapters;
  std::map<uint32_t, ArpAnswer> arp;
  DWORD defaultArpCode = ERROR_BAD_NET_NAME;
  std::map<uint32_t, DWORD> refuseAdd;  // adapter index -> AddIPAddress result

  std::vector<uint32_t> probes;
  std::vector<Added> added;
  std::vector<ULONG> deleted;
  std::vector<std::string> opened;
};

}  // namespace common::testing
