// Simulated cameras' discovery side: one UDP socket (port 13000 unless configured) that
// answers every SearchRequest with one SearchReply per simulated camera, sent to port 13001
// of the asker, and applies a SetAddressRequest to the camera whose MAC it names.
// Everything received is recorded for tests. One responder serves all the cameras, because
// only one socket can receive a unicast datagram sent to a port.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simulator/activity_log.h"
#include "simulator/discovery_wire.h"
#include "simulator/unique_socket.h"

namespace camsim {

struct DiscoveryConfig {
  std::string bindAddress = "0.0.0.0";
  uint16_t listenPort = kDiscoveryCameraPort;  // 0: a free port, chosen by the system
  // Empty: back to the address the datagram came from. A broadcast address is allowed,
  // as a real camera may answer that way.
  std::string replyAddress;
  uint16_t replyPort = kDiscoveryPcPort;
};

struct ReceivedDatagram {
  enum class Kind { Search, SetAddress, Other };
  Kind kind = Kind::Other;
  Clock::time_point received;
  uint32_t fromAddress = 0;  // host byte order
  uint16_t fromPort = 0;
  std::vector<uint8_t> bytes;
  std::optional<SetAddressFields> setAddress;  // for a well-formed SetAddressRequest
  int matchedCamera = -1;                      // index of the camera that took it, or -1
};

struct DiscoveryActivity {
  std::vector<ReceivedDatagram> datagrams;
  uint64_t repliesSent = 0;  // one per camera per search, however many datagrams it took

  size_t Count(ReceivedDatagram::Kind kind) const;
};

class DiscoveryResponder {
 public:
  explicit DiscoveryResponder(DiscoveryConfig config = {});
  ~DiscoveryResponder();
  DiscoveryResponder(const DiscoveryResponder&) = delete;
  DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

  // False when the port cannot be bound (another responder or a PC program may hold it).
  bool Start();
  void Stop();
  bool Running() const { return thread_.joinable(); }
  uint16_t ListenPort() const { return port_; }

  size_t AddCamera(const DiscoveryIdentity& camera);
  void SetCamera(size_t index, const DiscoveryIdentity& camera);
  std::vector<DiscoveryIdentity> Cameras() const;

  DiscoveryActivity Snapshot() const;
  void ClearLog();
  // `done` runs under the responder's lock and must not call back into it.
  bool WaitUntil(const std::function<bool(const DiscoveryActivity&)>& done,
                 std::chrono::milliseconds timeout) const;
  bool WaitForDatagrams(ReceivedDatagram::Kind kind, size_t count,
                        std::chrono::milliseconds timeout) const;

 private:
  void ReceiveLoop();
  void Handle(ReceivedDatagram datagram);
  void SendReplies(uint32_t askerAddress);

  WinsockSession winsock_;
  const DiscoveryConfig config_;
  uint16_t port_ = 0;
  UniqueSocket socket_;
  std::thread thread_;
  std::atomic<bool> stop_{false};

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<DiscoveryIdentity> cameras_;
  DiscoveryActivity activity_;
};

}  // namespace camsim
