#include "simulator/simulated_ip_helper.h"

#include <algorithm>

namespace camsim {

void SimulatedIpHelper::AddAdapter(uint32_t index, std::vector<common::AdapterAddress> addresses,
                                   uint32_t gateway, uint32_t type) {
  std::lock_guard<std::mutex> lock(mutex_);
  adapters_.push_back(common::Adapter{type, index, std::move(addresses), gateway});
}

void SimulatedIpHelper::PlaceDevice(uint32_t address, const common::MacAddress& mac) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_[address] = mac;
}

void SimulatedIpHelper::RemoveDevice(uint32_t address) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.erase(address);
}

std::vector<uint32_t> SimulatedIpHelper::Probes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return probes_;
}

std::vector<SimulatedIpHelper::Added> SimulatedIpHelper::AddedAddresses() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return added_;
}

std::vector<ULONG> SimulatedIpHelper::DeletedContexts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return deleted_;
}

std::vector<std::string> SimulatedIpHelper::OpenedUrls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opened_;
}

void SimulatedIpHelper::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  probes_.clear();
  added_.clear();
  deleted_.clear();
  opened_.clear();
}

std::vector<common::Adapter> SimulatedIpHelper::Adapters() {
  std::lock_guard<std::mutex> lock(mutex_);
  return adapters_;
}

DWORD SimulatedIpHelper::SendArp(uint32_t address, common::MacAddress& answeringMac) {
  // Read before our own lock: the responder's lock is never taken inside it.
  const std::vector<DiscoveryIdentity> cameras = responder_.Cameras();
  std::lock_guard<std::mutex> lock(mutex_);
  probes_.push_back(address);
  const auto camera = std::find_if(cameras.begin(), cameras.end(), [&](const DiscoveryIdentity& c) {
    return htonl(c.address) == address;
  });
  if (camera != cameras.end()) {
    std::copy(camera->mac.begin(), camera->mac.end(), answeringMac.begin());
    return NO_ERROR;
  }
  for (const common::Adapter& adapter : adapters_) {
    for (const common::AdapterAddress& own : adapter.addresses) {
      if (own.address != 0 && own.address == address) {
        answeringMac = PcMac(adapter.index);
        return NO_ERROR;
      }
    }
  }
  const auto device = devices_.find(address);
  if (device != devices_.end()) {
    answeringMac = device->second;
    return NO_ERROR;
  }
  return ERROR_BAD_NET_NAME;  // the request went out and nothing answered
}

DWORD SimulatedIpHelper::AddIPAddress(uint32_t address, uint32_t mask, uint32_t adapterIndex,
                                      ULONG& context) {
  std::lock_guard<std::mutex> lock(mutex_);
  context = nextContext_++;
  added_.push_back({address, mask, adapterIndex, context});
  return NO_ERROR;
}

DWORD SimulatedIpHelper::DeleteIPAddress(ULONG context) {
  std::lock_guard<std::mutex> lock(mutex_);
  deleted_.push_back(context);
  return NO_ERROR;
}

void SimulatedIpHelper::OpenUrl(const std::string& url) {
  std::lock_guard<std::mutex> lock(mutex_);
  opened_.push_back(url);
}

}  // namespace camsim
