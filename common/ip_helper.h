// The few IP Helper and shell calls that the PC address operations make, behind an interface
// of our own so that tests can script adapters and ARP answers and record what was asked.
// Addresses and masks are IPv4 values in network byte order. Results are the system's own
// codes, passed through unchanged: callers decide what a code means.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/discovery_messages.h"

namespace common {

constexpr uint32_t kEthernetAdapterType = 6;  // MIB_IF_TYPE_ETHERNET

struct AdapterAddress {
  uint32_t address;
  uint32_t mask;
};

struct Adapter {
  uint32_t type = 0;
  uint32_t index = 0;
  std::vector<AdapterAddress> addresses;  // in the system's order; 0.0.0.0 when it has none
  uint32_t gateway = 0;                   // the first of its gateway list
};

class IpHelper {
 public:
  virtual ~IpHelper() = default;

  // Every adapter in the system's order; none when the system cannot give the list.
  virtual std::vector<Adapter> Adapters() = 0;
  // One ARP request for `address`. On NO_ERROR `answeringMac` holds the hardware address
  // that answered.
  virtual DWORD SendArp(uint32_t address, MacAddress& answeringMac) = 0;
  virtual DWORD AddIPAddress(uint32_t address, uint32_t mask, uint32_t adapterIndex,
                             ULONG& context) = 0;
  virtual DWORD DeleteIPAddress(ULONG context) = 0;
  // Hands the URL to the shell's "open" verb; the shell's result is not reported.
  virtual void OpenUrl(const std::string& url) = 0;
};

// The value of an address text of the adapter list; an empty text, as the system gives for
// a missing gateway, is 0.
uint32_t AddressOfText(const char* text);

// The process-wide helper that calls the system.
IpHelper& SystemIpHelper();

}  // namespace common
