// Name resolution for the fuzz targets: no fuzzer ever looks a name up or touches a network.
// A dotted IPv4 text resolves to itself, "unresolvable" and anything else fail, so both of
// the callers' paths are reached.
#include "liveview/cameras/host_resolve.h"

#include <cstdio>

#include "liveview/cameras/camera_text.h"

namespace liveview {
namespace {

bool IsDotted(const std::string& text) {
  unsigned a, b, c, d;
  char tail;
  return std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 &&
         b < 256 && c < 256 && d < 256;
}

}  // namespace

int ResolveHost(std::string& host) {
  if (host.empty()) return kResolveFailed;
  if (host == "empty.list") return kResolveNoAddress;
  if (host == "camera.lan") {
    host = "192.168.1.20";
    return kResolveOk;
  }
  return IsDotted(host) ? kResolveOk : kResolveFailed;
}

int ResolveCameraText(std::string& cameraText) {
  CameraTextParts parts = ParseCameraText(cameraText);
  const int result = ResolveHost(parts.host);
  if (result != kResolveOk) return result;
  cameraText = parts.hasPort ? parts.host + ":" + parts.portText : parts.host;
  return result;
}

}  // namespace liveview
