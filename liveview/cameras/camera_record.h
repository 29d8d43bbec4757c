// One camera of the control, and the control's global settings. Plain data: the camera table
// owns them and keeps the rules.
#pragma once

#include <cstdint>
#include <string>

namespace liveview {

struct CameraRecord {
  std::string address;  // dotted IPv4 text, the resolved DomainName; empty: record unused
  uint16_t port = 0;
  std::string user;
  std::string password;  // plain text in memory; Base64 only in the settings file
  std::string nick;
  int state = 0;      // last connection state reported for the camera
  int recording = 0;  // setting it to 0 through the table clears the recording fields
  std::string snapshotPath;
  std::string recordingPath;
  std::string mac;
  int recordFormat = 1;
  int recordWidth = 0;
  int recordHeight = 0;
  int recordBitRate = 2000;
  uint16_t videoWidth = 0;
  uint16_t videoHeight = 0;
  uint16_t quality = 0;  // last compression command code
  uint16_t brightness = 0;
  uint16_t contrast = 0;
  uint8_t panScan = 0;
  uint8_t tiltScan = 0;
  float zoom = 0.0f;
  std::string domainName;  // the host as configured; only records with one are saved

  bool InUse() const { return !address.empty(); }
};

// Values and defaults of the [GLOBAL] section of Tessaly.ini.
struct CameraSettings {
  int autoInvite = 1;    // AUTO_INVITE: open every configured camera at start-up
  int splitter = 4;      // SPLITTER: N of the N x N grid, 1 to 4
  int showSubtitle = 1;  // SHOW_SUBTITLE: draw the camera title on the video
  int reconnect = 1;     // RECONNECT: reconnect after a network error
  int interval = 5;      // INTERVAL: seconds before reconnecting
};

}  // namespace liveview
