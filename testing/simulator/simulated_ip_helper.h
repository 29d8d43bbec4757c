// The PC's IP Helper as the tests' network shows it: adapters as the test gives them, and ARP
// answers that follow the simulated cameras. An address answers with a camera's MAC while a
// camera of the responder holds it (so a camera that took a new address from a set-address
// request answers there from then on), else with PcMac(index) for an address of one of the
// PC's own adapters, else with the MAC of a device the test placed there, else not at all. Temporary addresses and opened pages are only recorded. Safe from any
// thread; addresses and masks are in network byte order, as the product's interface has them.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "common/ip_helper.h"
#include "simulator/discovery_responder.h"

namespace camsim {

class SimulatedIpHelper : public common::IpHelper {
 public:
  struct Added {
    uint32_t address;
    uint32_t mask;
    uint32_t adapterIndex;
    ULONG context;
  };

  explicit SimulatedIpHelper(const DiscoveryResponder& responder) : responder_(responder) {}

  // The hardware address of the PC's adapter with this index.
  static common::MacAddress PcMac(uint32_t index) {
    return {0x02, 0x00, 0x5e, 0x00, 0x00, static_cast<uint8_t>(index)};
  }

  // An adapter with one address entry per (address, mask) pair.
  void AddAdapter(uint32_t index, std::vector<common::AdapterAddress> addresses,
                  uint32_t gateway = 0, uint32_t type = common::kEthernetAdapterType);
  // A device that is no simulated camera answers ARP for `address`.
  void PlaceDevice(uint32_t address, const common::MacAddress& mac);
  void RemoveDevice(uint32_t address);

  std::vector<uint32_t> Probes() const;
  std::vector<Added> AddedAddresses() const;
  std::vector<ULONG> DeletedContexts() const;
  std::vector<std::string> OpenedUrls() const;
  void ClearRecords();

  std::vector<common::Adapter> Adapters() override;
  DWORD SendArp(uint32_t address, common::MacAddress& answeringMac) override;
  DWORD AddIPAddress(uint32_t address, uint32_t mask, uint32_t adapterIndex,
                     ULONG& context) override;
  DWORD DeleteIPAddress(ULONG context) override;
  void OpenUrl(const std::string& url) override;

 private:
  const DiscoveryResponder& responder_;
  mutable std::mutex mutex_;
  std::vector<common::Adapter> adapters_;
  std::map<uint32_t, common::MacAddress> devices_;
  ULONG nextContext_ = 5000;
  std::vector<uint32_t> probes_;
  std::vector<Added> added_;
  std::vector<ULONG> deleted_;
  std::vector<std::string> opened_;
};

}  // namespace camsim
