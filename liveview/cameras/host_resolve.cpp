#include "liveview/cameras/host_resolve.h"

#include <winsock2.h>

#include <cstring>

#include "liveview/cameras/camera_text.h"

namespace liveview {

int ResolveHost(std::string& host) {
  if (host.empty()) return kResolveFailed;
  const hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr) return kResolveFailed;
  if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) return kResolveNoAddress;
  if (entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr)) return kResolveFailed;
  in_addr address;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  host = inet_ntoa(address);
  return kResolveOk;
}

int ResolveCameraText(std::string& cameraText) {
  CameraTextParts parts = ParseCameraText(cameraText);
  const int result = ResolveHost(parts.host);
  if (result != kResolveOk) return result;
  cameraText = parts.hasPort ? parts.host + ':' + parts.portText : parts.host;
  return result;
}

}  // namespace liveview
