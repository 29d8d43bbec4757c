#include "isolated_network.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstring>
#include <vector>

namespace testing_support {

::testing::AssertionResult InIsolatedNetwork() {
  char marker[128];
  if (GetEnvironmentVariableA("TEST_ISOLATED_NETNS", marker, sizeof marker) == 0)
    return ::testing::AssertionFailure() << "not started by scripts/test's isolated suite";

  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0)
    return ::testing::AssertionFailure() << "no adapters: the isolated segment is missing";
  std::vector<unsigned char> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != NO_ERROR)
    return ::testing::AssertionFailure() << "GetAdaptersInfo failed";

  bool sawSegment = false;
  for (auto* a = adapters; a != nullptr; a = a->Next) {
    for (auto* ip = &a->IpAddressList; ip != nullptr; ip = ip->Next) {
      const char* address = ip->IpAddress.String;
      if (std::strcmp(address, "0.0.0.0") == 0 || std::strncmp(address, "127.", 4) == 0) continue;
      if (std::strncmp(address, kIsolatedSubnetPrefix, std::strlen(kIsolatedSubnetPrefix)) != 0)
        return ::testing::AssertionFailure() << "adapter " << a->AdapterName << " has address "
                                             << address << " outside the private segment";
      sawSegment = true;
    }
  }
  if (!sawSegment) return ::testing::AssertionFailure() << "the private segment is not up";
  return ::testing::AssertionSuccess();
}

}  // namespace testing_support
