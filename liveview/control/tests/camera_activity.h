// What the control's tests read back: the ids of the control's events, and what a simulated
// camera saw of the control's streams and commands.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "simulator/http_camera.h"

namespace tessaly_test {

// Dispatch ids of _DTessalyEvents.
constexpr DISPID kFireSelect = 1;
constexpr DISPID kFireAddCam = 2;
constexpr DISPID kFireDelCam = 3;
constexpr DISPID kFireReConnect = 4;
constexpr DISPID kFireSnapSuccess = 5;
constexpr DISPID kFireRecordStatus = 6;
constexpr DISPID kFireSplitterMethod = 7;
constexpr DISPID kFireCamEvent = 8;

// Home commands ("cam_home") the camera received.
inline size_t HomeCommands(camsim::HttpCamera& camera) {
  size_t n = 0;
  for (const auto& r : camera.Log().Requests()) {
    if (r.kind == camsim::RequestKind::Command &&
        r.request.target.find("cam_home") != std::string::npos) {
      ++n;
    }
  }
  return n;
}

// Stream connections the camera still has open.
inline size_t OpenStreams(camsim::HttpCamera& camera) {
  const auto connections = camera.Log().Connections();
  return static_cast<size_t>(
      std::count_if(connections.begin(), connections.end(), [](const auto& c) {
        return c.streaming && c.reason == camsim::CloseReason::Open;
      }));
}

inline bool AllStreamsClosed(camsim::HttpCamera& camera) { return OpenStreams(camera) == 0; }

}  // namespace tessaly_test
