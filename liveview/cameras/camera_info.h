// CameraInfo: the flat 972-byte block in which the control hands a camera record to its host
// and takes one back. Hosts read it by offset, so the layout below is fixed for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "liveview/cameras/camera_record.h"
#include "common/code_page_chars.h"

namespace liveview {

// Little-endian, every text zero-terminated. Natural alignment already gives the offsets;
// the asserts below keep it so.
struct CameraInfo {
  char domainName[64];
  int32_t index;
  uint16_t port;
  uint16_t state;  // low half of the record's state
  char user[260];
  char password[64];  // plain text
  char nick[520];
  char mac[32];
  uint16_t videoWidth;
  uint16_t videoHeight;
  uint16_t quality;
  uint16_t brightness;
  uint16_t contrast;
  uint8_t panScan;
  uint8_t tiltScan;
  float zoom;
  uint16_t recordWidth;   // low half
  uint16_t recordHeight;  // low half
  int32_t recordFormat;
};

static_assert(sizeof(CameraInfo) == 972, "CameraInfo is 972 bytes");
static_assert(offsetof(CameraInfo, index) == 64 && offsetof(CameraInfo, port) == 68 &&
                  offsetof(CameraInfo, state) == 70 && offsetof(CameraInfo, user) == 72 &&
                  offsetof(CameraInfo, password) == 332 && offsetof(CameraInfo, nick) == 396 &&
                  offsetof(CameraInfo, mac) == 916 && offsetof(CameraInfo, videoWidth) == 948 &&
                  offsetof(CameraInfo, quality) == 952 && offsetof(CameraInfo, panScan) == 958 &&
                  offsetof(CameraInfo, zoom) == 960 && offsetof(CameraInfo, recordWidth) == 964 &&
                  offsetof(CameraInfo, recordFormat) == 968,
              "CameraInfo offsets are part of the host interface");

// Zeroes the whole block, then copies the record in. A text longer than its field is cut to
// the field, at a character boundary of `codePage`, and always keeps its terminating zero.
void FillCameraInfo(const CameraRecord& record, int index, CameraInfo* info,
                    unsigned codePage = common::kAnsiCodePage);

// A text field of a block that came from a host: read up to its zero, but never past the
// field when the zero is missing.
template <size_t N>
std::string CameraInfoText(const char (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return std::string(field, length);
}

}  // namespace liveview
