// A loopback server that answers each connection with bytes a test writes itself, for the
// answers no well-behaved camera gives: an endless header, a stall inside one, a response
// header that carries the first part's length.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "simulator/unique_socket.h"

namespace liveview {
namespace stream_test {

class RawCamera {
 public:
  // Runs on the server's thread for every accepted connection (numbered from 1) after the
  // first request's header block has arrived; the connection closes when it returns.
  using Script = std::function<void(SOCKET client, int connection)>;

  explicit RawCamera(Script script);
  ~RawCamera();
  RawCamera(const RawCamera&) = delete;
  RawCamera& operator=(const RawCamera&) = delete;

  uint16_t Port() const { return port_; }
  int Connections() const { return connections_.load(); }
  bool Stopping() const { return stop_.load(); }

  // Sends all of `bytes`; false when the peer went away.
  static bool SendAll(SOCKET client, const std::string& bytes);
  // Keeps the connection open, reading and dropping what comes, until the peer closes or
  // the server stops.
  void HoldOpen(SOCKET client) const;

 private:
  void Serve();

  camsim::WinsockSession winsock_;
  camsim::UniqueSocket listener_;
  Script script_;
  uint16_t port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<bool> stop_{false};
  // The connection being served, so stopping can end a send that a peer which no longer
  // reads would block for ever.
  std::atomic<SOCKET> serving_{INVALID_SOCKET};
  std::thread thread_;
};

// A multipart response header of a camera, boundary "b".
std::string MultipartHeader(const std::string& extraLines = "");
// One part: its header with the length of `body`, then the body.
std::string Part(const std::string& body);

}  // namespace stream_test
}  // namespace liveview
