#include "simulator/http_camera.h"

#include <chrono>
#include <utility>

#include "simulator/http_connection.h"
#include "simulator/net_address.h"

namespace camsim {
namespace {

constexpr size_t kMaxConnections = 64;
constexpr long kAcceptWaitMicros = 20000;
constexpr auto kListenerSettleTimeout = std::chrono::seconds(2);

}  // namespace

HttpCamera::HttpCamera(CameraConfig config) : state_(std::move(config)) {
  const CameraConfig c = state_.Config();
  bindAddress_ = ParseIPv4(c.bindAddress).value_or(0x7F000001);
  port_ = c.port;
}

HttpCamera::~HttpCamera() { Stop(); }

std::string HttpCamera::HostPort() const {
  return FormatIPv4(bindAddress_) + ":" + std::to_string(port_.load());
}

void HttpCamera::SetCredentials(const std::string& user, const std::string& password,
                                bool acceptAny) {
  state_.SetCredentials(user, password, acceptAny);
}

void HttpCamera::SetPicture(int width, int height, int fps) {
  state_.SetPicture(width, height, fps);
}

bool HttpCamera::Start() {
  if (Running()) return true;
  if (!winsock_.Ok()) return false;
  // Listen even when refusing, so that a camera on port 0 learns the port it will use.
  if (!Listen()) return false;
  if (state_.RefusingConnections()) Refuse();
  stop_ = false;
  try {
    thread_ = std::thread([this] {
      try {
        AcceptLoop();
      } catch (...) {
        // Nothing may leave a thread; the camera has stopped serving by now.
      }
    });
  } catch (...) {
    listener_.Reset();
    reservation_.Reset();
    return false;
  }
  return true;
}

void HttpCamera::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
}

void HttpCamera::SetFaults(const StreamFaults& faults) {
  state_.SetFaults(faults);
  if (!Running()) return;
  std::unique_lock<std::mutex> lock(listeningMutex_);
  listeningChanged_.wait_for(lock, kListenerSettleTimeout,
                             [&] { return listening_ != faults.refuseConnections; });
}

bool HttpCamera::Listen() {
  UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!s.Valid()) return false;
  // Re-listening on the same port after a refusal must not trip over closed connections
  // that still linger in TIME_WAIT.
  BOOL reuse = TRUE;
  setsockopt(s.Get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  const sockaddr_in address = MakeSockaddr(bindAddress_, port_);
  if (bind(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  if (listen(s.Get(), SOMAXCONN) != 0) return false;
  port_ = LocalPort(s.Get());
  listener_ = std::move(s);
  PublishListening(true);
  return true;
}

void HttpCamera::Refuse() {
  listener_.Reset();
  // Without SO_REUSEADDR: no other socket may share the port while it is held. Best effort:
  // connections of the last listener still in TIME_WAIT may keep the bind from succeeding.
  UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  const sockaddr_in address = MakeSockaddr(bindAddress_, port_);
  if (s.Valid() && bind(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    reservation_ = std::move(s);
  }
  PublishListening(false);
}

void HttpCamera::PublishListening(bool listening) {
  {
    std::lock_guard<std::mutex> lock(listeningMutex_);
    listening_ = listening;
  }
  listeningChanged_.notify_all();
}

void HttpCamera::AcceptLoop() {
  try {
    while (!stop_) {
      ReapWorkers(false);
      const bool refuse = state_.RefusingConnections();
      if (refuse && listener_.Valid()) {
        Refuse();
      } else if (!refuse && !listener_.Valid()) {
        reservation_.Reset();
        Listen();
      }
      if (!listener_.Valid()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }

      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(listener_.Get(), &readable);
      timeval timeout{0, kAcceptWaitMicros};
      if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) continue;
      UniqueSocket client(accept(listener_.Get(), nullptr, nullptr));
      if (!client.Valid()) continue;
      if (workers_.size() >= kMaxConnections) continue;  // closed at once: too many clients
      Spawn(std::move(client));
    }
  } catch (...) {
    // Nothing here throws but allocation; the camera then just stops serving.
  }
  stop_ = true;
  listener_.Reset();
  reservation_.Reset();
  PublishListening(false);
  ReapWorkers(true);
}

void HttpCamera::Spawn(UniqueSocket client) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  const uint32_t id = state_.Log().OpenConnection();
  auto socketHolder = std::make_shared<UniqueSocket>(std::move(client));
  try {
    std::thread thread([this, id, done, socketHolder] {
      try {
        HttpConnection connection(state_, std::move(*socketHolder), id);
        connection.Run(stop_);
      } catch (...) {
        state_.Log().CloseConnection(id, CloseReason::ByCamera);
      }
      done->store(true);
    });
    workers_.push_back(Worker{std::move(thread), done});
  } catch (...) {
    socketHolder->Reset();
    state_.Log().CloseConnection(id, CloseReason::ByCamera);
  }
}

void HttpCamera::ReapWorkers(bool all) {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (all || it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace camsim
