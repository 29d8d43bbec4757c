// The PC's side of changing a camera's address: its own Ethernet addresses, temporary
// addresses in a camera's subnet, ARP probes and the scans built on them, the checks of
// address texts the user typed, and the camera's web page. Addresses and masks are IPv4
// values in network byte order unless a function says host byte order. Everything runs on
// the caller's thread and blocks it: an unanswered ARP probe lasts the system's ARP time-out.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/discovery_messages.h"
#include "common/ip_helper.h"

namespace common {

// Temporary addresses sit this far below the subnet's broadcast address: the set-address
// request uses one, the probes (free-address scan, conflict test) another, so that neither
// is the address being probed for.
constexpr uint32_t kSetAddressTempOffset = 2;
constexpr uint32_t kProbeTempOffset = 4;

// One context per Ethernet adapter that took a temporary address; adapters past the last
// place get none, so that every address added can be taken away again.
constexpr size_t kMaxTempAddresses = 20;

struct TempAddresses {
  std::array<ULONG, kMaxTempAddresses> contexts{};
  size_t count = 0;
};

struct LocalAddress {
  uint32_t address;
  uint32_t mask;
  uint32_t gateway;
};

// The first nonzero address of the Ethernet adapters, in the system's order, with its mask
// and its adapter's first gateway.
std::optional<LocalAddress> GetLocalIP(IpHelper& ip);

// True when an Ethernet address has exactly this mask and lies in the same subnet.
bool IsLocalSubnet(IpHelper& ip, uint32_t address, uint32_t mask);

// True when `mask` is a non-zero run of leading ones, the subnet is not 0, and `address` is
// neither the subnet's network address nor its broadcast address.
bool IsHostAddress(uint32_t address, uint32_t mask);

// The temporary address for work on `target` in its subnet: the broadcast address minus
// `belowBroadcast`, or the one above it when that is `target` itself. Nothing when that is no
// host address of the target's subnet (a zero, split or too narrow mask, subnet 0).
std::optional<uint32_t> TempAddressFor(uint32_t target, uint32_t mask, uint32_t belowBroadcast);

// Adds `address` on every Ethernet adapter and keeps the contexts of those that took it (a
// refusal leaves that adapter out). Returns how many took it; none is asked unless `address`
// is a host address under `mask`.
size_t AddTempIPAddress(IpHelper& ip, uint32_t address, uint32_t mask, TempAddresses& temp);
// Removes every kept address and empties the record; failures are ignored.
void DeleteTempIPAddress(IpHelper& ip, TempAddresses& temp);

// Holds a temporary address in the subnet of `target` for its lifetime, unless the PC
// already has an address there or the subnet has no room for one.
class TempAddressScope {
 public:
  TempAddressScope(IpHelper& ip, uint32_t target, uint32_t mask, uint32_t belowBroadcast);
  ~TempAddressScope() { DeleteTempIPAddress(ip_, temp_); }
  TempAddressScope(const TempAddressScope&) = delete;
  TempAddressScope& operator=(const TempAddressScope&) = delete;

 private:
  IpHelper& ip_;
  TempAddresses temp_;
};

enum class ArpResult {
  kAnswered,  // some hardware answered for the address
  kSilent,    // the request went out and nothing answered
  kFailed,    // the system could not probe at all (under Wine: ERROR_NOT_SUPPORTED)
};

// What a SendARP result code means.
ArpResult ClassifyArpResult(DWORD code);

// One ARP request; on kAnswered `answeringMac`, when given, holds who answered.
ArpResult ProbeAddress(IpHelper& ip, uint32_t address, MacAddress* answeringMac = nullptr);
// True only when an answer came.
bool ArpProbe(IpHelper& ip, uint32_t address);

// The value's low byte is neither 0 nor 255 (the last octet of a host-order address, the
// first of a network-order one).
bool CheckIPOctet(uint32_t value);
// Not 0, not all ones, and a low byte other than 255.
bool CheckIPMask(uint32_t mask);

// Reads 12 hexadecimal digits, in either letter case, into `mac`; what follows them is not
// looked at. A separator or an early end gives false, with the bytes read so far kept.
bool ParseMacAddr(std::string_view text, MacAddress& mac);

// "http://a.b.c.d:port" for an address in host byte order.
std::string CamPageUrl(uint32_t hostOrderAddress, uint16_t port);
// Opens that page in the shell's browser.
void OpenCamPage(IpHelper& ip, uint32_t hostOrderAddress, uint16_t port);

// Downward ARP scan of the PC's own first subnet, from host number NOT mask - 5 down to 1:
// the first silent address, with the PC's mask and gateway. Nothing when the PC has no
// address, when every address answers, or when the system cannot probe.
std::optional<LocalAddress> FindIdleAddress(IpHelper& ip);

// Upward ARP scan of the subnet of `start` (of `gateway` when `start` is 0), from host number
// 1 to the last before the broadcast address, with a temporary address in that subnet while
// it runs if the PC has none there. The first silent address, or nothing.
std::optional<uint32_t> FindFreeAddress(IpHelper& ip, uint32_t start, uint32_t gateway,
                                        uint32_t mask);

// True when something answers ARP for `address`; probed from a temporary address in its
// subnet if the PC has none there. A probe the system cannot make is no conflict.
bool IsAddressInUse(IpHelper& ip, uint32_t address, uint32_t mask);

}  // namespace common
