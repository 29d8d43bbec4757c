// One accepted TCP connection of a simulated camera, served on its own thread: it reads and
// records every request, answers the first one, and, for a stream request, sends the
// multipart stream at the camera's frame rate with the faults scripted for it.
//
// The socket is non-blocking and every wait is at most 20 ms, so a client that stops reading
// or never closes cannot hold up the camera's shutdown.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "simulator/activity_log.h"
#include "simulator/camera_config.h"
#include "simulator/camera_state.h"
#include "simulator/unique_socket.h"

namespace camsim {

class HttpConnection {
 public:
  HttpConnection(CameraState& camera, UniqueSocket socket, uint32_t id);

  // Returns when the connection is over; records how it ended in the activity log.
  void Run(const std::atomic<bool>& stop);

 private:
  enum class Mode {
    Awaiting,   // no request answered yet
    Silent,     // records, never answers
    Streaming,
    Holding,    // after a short body: silent until holdUntil_, then closing
    Closing,    // flushing what is queued, then half-close and wait for the client's close
  };

  CloseReason Serve(const std::atomic<bool>& stop);
  bool ReadAvailable();  // false when the peer closed or reset the connection
  bool Flush();          // false when sending failed for good
  void HandleBlock(const std::string& block, Clock::time_point received, bool complete);
  void Answer(RequestKind kind, bool authorised);
  void StartStream();
  void StreamTick(Clock::time_point now);
  void BeginClosing(Clock::time_point now);
  Clock::time_point NextWake(Clock::time_point now) const;

  CameraState& camera_;
  UniqueSocket socket_;
  const uint32_t id_;

  Mode mode_ = Mode::Awaiting;
  std::string in_;
  std::string out_;
  size_t outSent_ = 0;
  int sequence_ = 0;

  CameraConfig config_;   // taken when the stream starts
  StreamFaults faults_;   // likewise
  int partIndex_ = 0;
  Clock::duration period_{};
  Clock::time_point nextDue_;
  std::optional<Clock::time_point> pausedUntil_;
  bool pauseDone_ = false;
  Clock::time_point holdUntil_;
  Clock::time_point closeDeadline_;
  bool halfClosed_ = false;
};

}  // namespace camsim
