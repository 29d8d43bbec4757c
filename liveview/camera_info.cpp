#include "camera_info.h"

#include <cstring>

namespace liveview {
namespace {

template <size_t N>
void CopyText(const std::string& text, char (&field)[N], unsigned codePage) {
  const std::string_view cut = CutToCharBoundary(text, N - 1, codePage);
  std::memcpy(field, cut.data(), cut.size());
  field[cut.size()] = '\0';
}

}  // namespace

void FillCameraInfo(const CameraRecord& record, int index, CameraInfo* info, unsigned codePage) {
  std::memset(info, 0, sizeof *info);
  CopyText(record.domainName, info->domainName, codePage);
  info->index = index;
  info->port = record.port;
  info->state = static_cast<uint16_t>(record.state);
  CopyText(record.user, info->user, codePage);
  CopyText(record.password, info->password, codePage);
  CopyText(record.nick, info->nick, codePage);
  CopyText(record.mac, info->mac, codePage);
  info->videoWidth = record.videoWidth;
  info->videoHeight = record.videoHeight;
  info->quality = record.quality;
  info->brightness = record.brightness;
  info->contrast = record.contrast;
  info->panScan = record.panScan;
  info->tiltScan = record.tiltScan;
  info->zoom = record.zoom;
  info->recordWidth = static_cast<uint16_t>(record.recordWidth);
  info->recordHeight = static_cast<uint16_t>(record.recordHeight);
  info->recordFormat = record.recordFormat;
}

}  // namespace liveview
