#include "liveview/cameras/camera_info.h"

#include <cstring>

namespace liveview {
void FillCameraInfo(const CameraRecord& record, int index, CameraInfo* info, unsigned codePage) {
  std::memset(info, 0, sizeof *info);
  common::CopyToField(info->domainName, record.domainName, codePage);
  info->index = index;
  info->port = record.port;
  info->state = static_cast<uint16_t>(record.state);
  common::CopyToField(info->user, record.user, codePage);
  common::CopyToField(info->password, record.password, codePage);
  common::CopyToField(info->nick, record.nick, codePage);
  common::CopyToField(info->mac, record.mac, codePage);
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
