// The part of a simulated camera that its listener and all its connections share: settings,
// scripted faults, the frame counter and the activity log. Safe to use from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "simulator/activity_log.h"
#include "simulator/basic_credentials.h"
#include "simulator/camera_config.h"

namespace camsim {

class CameraState {
 public:
  explicit CameraState(CameraConfig config);

  CameraConfig Config() const;
  void SetCredentials(const std::string& user, const std::string& password, bool acceptAny);
  void SetPicture(int width, int height, int fps);

  void SetFaults(const StreamFaults& faults);
  bool RefusingConnections() const;
  // The faults a new stream connection would get, without counting it.
  StreamFaults ActiveFaults() const;
  // The faults for a stream connection that starts now; counts it against the limit.
  StreamFaults TakeFaultsForStream();

  bool Accepts(const std::optional<BasicCredentials>& credentials) const;
  uint32_t NextFrameNumber() { return frameCounter_.fetch_add(1); }
  // With replayFrames set, the JPEG of picture `number` of the replay loop at this size,
  // made on first use; empty without replay.
  std::vector<uint8_t> ReplayFrame(uint32_t number, int width, int height);

  ActivityLog& Log() { return log_; }

 private:
  mutable std::mutex mutex_;
  CameraConfig config_;
  StreamFaults faults_;
  int faultedStreams_ = 0;
  std::atomic<uint32_t> frameCounter_{0};
  ActivityLog log_;
  std::mutex replayMutex_;
  int replayWidth_ = 0;
  int replayHeight_ = 0;
  std::vector<std::vector<uint8_t>> replay_;
};

}  // namespace camsim
