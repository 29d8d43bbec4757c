// A finder that records every camera it reports, with waits for the tests.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "camera_finder.h"

namespace discovery::testing {

class RecordingFinder : public CCameraFinder {
 public:
  using CCameraFinder::CCameraFinder;
  using CCameraFinder::ListenerThreadId;
  using CCameraFinder::ReceiveSocket;
  ~RecordingFinder() override { StopSearch(); }

  std::vector<common::MacAddress> Reported() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reported_;
  }
  size_t TimesReported(const common::MacAddress& mac) const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const auto& m : reported_) n += m == mac;
    return n;
  }
  // Polls: the conditions read the finder's list as well as what was reported.
  static bool WaitUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  bool WaitReported(const common::MacAddress& mac, size_t times = 1,
                    std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    return WaitUntil([&] { return TimesReported(mac) >= times; }, timeout);
  }

  // A reply from this MAC makes OnCameraFound throw, which ends the listener.
  std::optional<common::MacAddress> throwFor;

 protected:
  void OnCameraFound(const common::SearchReply& reply) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reported_.push_back(reply.mac);
    }
    if (reply.mac == throwFor) throw std::runtime_error("listener ends");
  }

 private:
  mutable std::mutex mutex_;
  std::vector<common::MacAddress> reported_;
};

}  // namespace discovery::testing
