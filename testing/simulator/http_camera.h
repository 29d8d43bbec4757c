// A simulated network camera on a loopback TCP port: answers "GET /cgi-bin/sf.cgi" with a
// motion-JPEG multipart stream and "GET /cgi-bin/action?action=..." commands, checks HTTP
// Basic credentials, records every request, and plays the faults a test scripts.
//
// Tests make as many as they need; each has its own port (a free one unless configured).
// Stop, and the destructor, return within a few tens of milliseconds whatever the clients do.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "simulator/activity_log.h"
#include "simulator/camera_config.h"
#include "simulator/camera_state.h"
#include "simulator/unique_socket.h"

namespace camsim {

class HttpCamera {
 public:
  explicit HttpCamera(CameraConfig config = {});
  ~HttpCamera();
  HttpCamera(const HttpCamera&) = delete;
  HttpCamera& operator=(const HttpCamera&) = delete;

  // Binds and listens. False when Winsock or the port is unavailable. A stopped camera may
  // be started again; it keeps its port.
  bool Start();
  void Stop();
  bool Running() const { return thread_.joinable(); }

  uint16_t Port() const { return port_; }
  // The camera text the control takes: "127.0.0.1:port".
  std::string HostPort() const;
  CameraConfig Config() const { return state_.Config(); }

  // Take effect for connections that start afterwards.
  void SetCredentials(const std::string& user, const std::string& password,
                      bool acceptAny = false);
  void SetPicture(int width, int height, int fps);

  // Replaces the scripted faults. Returns once the listening socket matches
  // `refuseConnections`, so a connection attempt made next sees the new behaviour.
  void SetFaults(const StreamFaults& faults);
  void ClearFaults() { SetFaults(StreamFaults{}); }

  ActivityLog& Log() { return state_.Log(); }

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  bool Listen();
  void Refuse();
  void AcceptLoop();
  void Spawn(UniqueSocket client);
  void ReapWorkers(bool all);
  void PublishListening(bool listening);

  WinsockSession winsock_;
  CameraState state_;
  uint32_t bindAddress_ = 0;
  std::atomic<uint16_t> port_{0};  // set again by the accept thread when it re-listens

  UniqueSocket listener_;  // owned by the accept thread while it runs
  // While refusing: the port bound but not listening, so connects are refused and no other
  // camera (of this process or another) is handed the port a client still tries.
  UniqueSocket reservation_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::list<Worker> workers_;

  std::mutex listeningMutex_;
  std::condition_variable listeningChanged_;
  bool listening_ = false;
};

}  // namespace camsim
