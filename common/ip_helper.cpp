#include "common/ip_helper.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <shellapi.h>

#include <cstring>
#include <new>

namespace common {
namespace {

// The list is fetched into a buffer of this fixed size; a larger list reads as no adapters.
constexpr ULONG kAdapterBufferSize = 102400;

uint32_t AddressValue(const IP_ADDR_STRING& entry, bool mask) {
  return AddressOfText(mask ? entry.IpMask.String : entry.IpAddress.String);
}

class SystemHelper final : public IpHelper {
 public:
  std::vector<Adapter> Adapters() override {
    std::vector<Adapter> adapters;
    try {
      std::vector<unsigned char> buffer(kAdapterBufferSize);
      ULONG size = kAdapterBufferSize;
      auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
      if (GetAdaptersInfo(first, &size) != NO_ERROR) return {};
      for (const IP_ADAPTER_INFO* a = first; a != nullptr; a = a->Next) {
        Adapter adapter;
        adapter.type = a->Type;
        adapter.index = a->Index;
        for (const IP_ADDR_STRING* entry = &a->IpAddressList; entry != nullptr; entry = entry->Next)
          adapter.addresses.push_back({AddressValue(*entry, false), AddressValue(*entry, true)});
        adapter.gateway = AddressValue(a->GatewayList, false);
        adapters.push_back(std::move(adapter));
      }
    } catch (const std::bad_alloc&) {
      return {};
    }
    return adapters;
  }

  DWORD SendArp(uint32_t address, MacAddress& answeringMac) override {
    ULONG hardware[3] = {};  // 12 bytes: room for any hardware address the system gives
    ULONG length = sizeof hardware;
    const DWORD result = SendARP(address, 0, hardware, &length);
    if (result == NO_ERROR) std::memcpy(answeringMac.data(), hardware, answeringMac.size());
    return result;
  }

  DWORD AddIPAddress(uint32_t address, uint32_t mask, uint32_t adapterIndex,
                     ULONG& context) override {
    ULONG instance = 0;
    return ::AddIPAddress(address, mask, adapterIndex, &context, &instance);
  }

  DWORD DeleteIPAddress(ULONG context) override { return ::DeleteIPAddress(context); }

  void OpenUrl(const std::string& url) override {
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
};

}  // namespace

uint32_t AddressOfText(const char* text) {
  // inet_addr gives INADDR_NONE for an empty text, which would read as 255.255.255.255.
  return text[0] == '\0' ? 0 : inet_addr(text);
}

IpHelper& SystemIpHelper() {
  static SystemHelper helper;
  return helper;
}

}  // namespace common
