#include "simulator/camera_state.h"

#include <algorithm>

#include "simulator/jpeg_writer.h"
#include "simulator/test_picture.h"

namespace camsim {
namespace {

CameraConfig Sanitised(CameraConfig c) {
  c.width = std::clamp(c.width, 1, kMaxPictureSide);
  c.height = std::clamp(c.height, 1, kMaxPictureSide);
  c.fps = std::clamp(c.fps, 1, 100);
  c.jpegQuality = std::clamp(c.jpegQuality, 1, 100);
  c.replayFrames = std::clamp(c.replayFrames, 0, 1000);
  if (c.boundary.empty()) c.boundary = "camsimframe";
  return c;
}

}  // namespace

CameraState::CameraState(CameraConfig config) : config_(Sanitised(std::move(config))) {}

CameraConfig CameraState::Config() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return config_;
}

void CameraState::SetCredentials(const std::string& user, const std::string& password,
                                 bool acceptAny) {
  std::lock_guard<std::mutex> lock(mutex_);
  config_.user = user;
  config_.password = password;
  config_.acceptAnyCredentials = acceptAny;
}

void CameraState::SetPicture(int width, int height, int fps) {
  std::lock_guard<std::mutex> lock(mutex_);
  CameraConfig c = config_;
  c.width = width;
  c.height = height;
  c.fps = fps;
  config_ = Sanitised(c);
}

void CameraState::SetFaults(const StreamFaults& faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_ = faults;
  faultedStreams_ = 0;
}

bool CameraState::RefusingConnections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return faults_.refuseConnections;
}

StreamFaults CameraState::ActiveFaults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (faults_.connections > 0 && faultedStreams_ >= faults_.connections) return StreamFaults{};
  return faults_;
}

StreamFaults CameraState::TakeFaultsForStream() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (faults_.connections > 0) {
    if (faultedStreams_ >= faults_.connections) return StreamFaults{};
    ++faultedStreams_;
  }
  return faults_;
}

bool CameraState::Accepts(const std::optional<BasicCredentials>& credentials) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (config_.acceptAnyCredentials) return true;
  return credentials && credentials->user == config_.user &&
         credentials->password == config_.password;
}

std::vector<uint8_t> CameraState::ReplayFrame(uint32_t number, int width, int height) {
  const CameraConfig config = Config();
  if (config.replayFrames <= 0) return {};
  std::lock_guard<std::mutex> hold(replayMutex_);
  if (width != replayWidth_ || height != replayHeight_ || replay_.empty()) {
    replay_.clear();
    for (int i = 0; i < config.replayFrames; ++i) {
      replay_.push_back(EncodeJpeg(RenderTestPicture(config.name, static_cast<uint32_t>(i),
                                                     width, height, config.captionTop),
                                   config.jpegQuality));
    }
    replayWidth_ = width;
    replayHeight_ = height;
  }
  return replay_[number % replay_.size()];
}

}  // namespace camsim
