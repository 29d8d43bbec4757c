#include "common/pc_address.h"

#include <winsock2.h>

#include <cstdio>

namespace common {
namespace {

// SendARP's results for a request that went out and got no answer. Older systems report
// ERROR_GEN_FAILURE where newer ones report ERROR_BAD_NET_NAME.
constexpr DWORD kArpNoAnswer = ERROR_BAD_NET_NAME;
constexpr DWORD kArpNoAnswerOld = ERROR_GEN_FAILURE;

template <typename Visit>
void ForEachEthernetAddress(IpHelper& ip, Visit visit) {
  for (const Adapter& adapter : ip.Adapters()) {
    if (adapter.type != kEthernetAdapterType) continue;
    for (const AdapterAddress& entry : adapter.addresses)
      if (visit(adapter, entry)) return;
  }
}

// Host numbers above the network address as a signed count: NOT mask, less `less`. A mask
// of 0 gives a negative count, so no scan runs over the whole address space.
int64_t HostNumbers(uint32_t hostMask, int64_t less) {
  return static_cast<int64_t>(static_cast<int32_t>(~hostMask)) - less;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<LocalAddress> GetLocalIP(IpHelper& ip) {
  std::optional<LocalAddress> found;
  ForEachEthernetAddress(ip, [&](const Adapter& adapter, const AdapterAddress& entry) {
    if (entry.address == 0) return false;
    found = LocalAddress{entry.address, entry.mask, adapter.gateway};
    return true;
  });
  return found;
}

bool IsLocalSubnet(IpHelper& ip, uint32_t address, uint32_t mask) {
  bool local = false;
  ForEachEthernetAddress(ip, [&](const Adapter&, const AdapterAddress& entry) {
    local = entry.mask == mask && (entry.address & mask) == (address & mask);
    return local;
  });
  return local;
}

bool IsHostAddress(uint32_t address, uint32_t mask) {
  const uint32_t hostMask = ntohl(mask);
  const uint32_t hostPart = ~hostMask;
  // Leading ones only: the host part plus one is a power of two.
  if (hostMask == 0 || (hostPart & (hostPart + 1)) != 0) return false;
  const uint32_t value = ntohl(address);
  const uint32_t net = value & hostMask;
  return net != 0 && value != net && value != (net | hostPart);
}

std::optional<uint32_t> TempAddressFor(uint32_t target, uint32_t mask, uint32_t belowBroadcast) {
  const uint32_t hostMask = ntohl(mask);
  const uint32_t net = ntohl(target) & hostMask;
  uint32_t chosen = (net | ~hostMask) - belowBroadcast;
  // One up rather than none: still inside the subnet's top host numbers, which the idle scan
  // never offers, and the work on the target can still be done from inside its subnet.
  if (chosen == ntohl(target)) ++chosen;
  if ((chosen & hostMask) != net || !IsHostAddress(htonl(chosen), mask)) return std::nullopt;
  return htonl(chosen);
}

size_t AddTempIPAddress(IpHelper& ip, uint32_t address, uint32_t mask, TempAddresses& temp) {
  temp.count = 0;
  if (!IsHostAddress(address, mask)) return 0;
  for (const Adapter& adapter : ip.Adapters()) {
    if (temp.count == temp.contexts.size()) break;
    if (adapter.type != kEthernetAdapterType) continue;
    ULONG context = 0;
    if (ip.AddIPAddress(address, mask, adapter.index, context) == NO_ERROR)
      temp.contexts[temp.count++] = context;
  }
  return temp.count;
}

void DeleteTempIPAddress(IpHelper& ip, TempAddresses& temp) {
  for (size_t i = 0; i < temp.count; ++i) ip.DeleteIPAddress(temp.contexts[i]);
  temp.count = 0;
}

TempAddressScope::TempAddressScope(IpHelper& ip, uint32_t target, uint32_t mask,
                                   uint32_t belowBroadcast)
    : ip_(ip) {
  if (IsLocalSubnet(ip, target, mask)) return;
  if (const auto address = TempAddressFor(target, mask, belowBroadcast))
    AddTempIPAddress(ip, *address, mask, temp_);
}

ArpResult ClassifyArpResult(DWORD code) {
  if (code == NO_ERROR) return ArpResult::kAnswered;
  if (code == kArpNoAnswer || code == kArpNoAnswerOld) return ArpResult::kSilent;
  return ArpResult::kFailed;
}

ArpResult ProbeAddress(IpHelper& ip, uint32_t address, MacAddress* answeringMac) {
  MacAddress mac{};
  const ArpResult result = ClassifyArpResult(ip.SendArp(address, mac));
  if (result == ArpResult::kAnswered && answeringMac) *answeringMac = mac;
  return result;
}

bool ArpProbe(IpHelper& ip, uint32_t address) {
  return ProbeAddress(ip, address) == ArpResult::kAnswered;
}

bool CheckIPOctet(uint32_t value) {
  const uint32_t low = value & 0xFF;
  return low != 0 && low != 0xFF;
}

bool CheckIPMask(uint32_t mask) {
  return mask != 0 && mask != 0xFFFFFFFF && (mask & 0xFF) != 0xFF;
}

bool ParseMacAddr(std::string_view text, MacAddress& mac) {
  for (size_t i = 0; i < mac.size(); ++i) {
    if (text.size() < 2 * i + 2) return false;
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    mac[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

std::string CamPageUrl(uint32_t hostOrderAddress, uint16_t port) {
  char url[300];
  std::snprintf(url, sizeof url, "http://%u.%u.%u.%u:%d", (hostOrderAddress >> 24) & 0xFF,
                (hostOrderAddress >> 16) & 0xFF, (hostOrderAddress >> 8) & 0xFF,
                hostOrderAddress & 0xFF, static_cast<int>(port));
  return url;
}

void OpenCamPage(IpHelper& ip, uint32_t hostOrderAddress, uint16_t port) {
  ip.OpenUrl(CamPageUrl(hostOrderAddress, port));
}

std::optional<LocalAddress> FindIdleAddress(IpHelper& ip) {
  const auto local = GetLocalIP(ip);
  if (!local) return std::nullopt;
  const uint32_t hostMask = ntohl(local->mask);
  const uint32_t net = ntohl(local->address) & hostMask;
  // The top host numbers are left to the temporary addresses and the broadcast address.
  for (int64_t n = HostNumbers(hostMask, 5); n >= 1; --n) {
    const uint32_t candidate = htonl(net + static_cast<uint32_t>(n));
    switch (ProbeAddress(ip, candidate)) {
      case ArpResult::kAnswered:
        continue;
      case ArpResult::kSilent:
        return LocalAddress{candidate, local->mask, local->gateway};
      case ArpResult::kFailed:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<uint32_t> FindFreeAddress(IpHelper& ip, uint32_t start, uint32_t gateway,
                                        uint32_t mask) {
  const uint32_t inSubnet = start != 0 ? start : gateway;
  TempAddressScope temp(ip, inSubnet, mask, kProbeTempOffset);
  const uint32_t hostMask = ntohl(mask);
  const uint32_t net = ntohl(inSubnet) & hostMask;
  for (int64_t i = 1; i <= HostNumbers(hostMask, 1); ++i) {
    const uint32_t candidate = htonl(net + static_cast<uint32_t>(i));
    switch (ProbeAddress(ip, candidate)) {
      case ArpResult::kAnswered:
        continue;
      case ArpResult::kSilent:
        return candidate;
      case ArpResult::kFailed:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

bool IsAddressInUse(IpHelper& ip, uint32_t address, uint32_t mask) {
  TempAddressScope temp(ip, address, mask, kProbeTempOffset);
  return ArpProbe(ip, address);
}

}  // namespace common
