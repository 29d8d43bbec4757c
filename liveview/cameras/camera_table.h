// CCameraTable: the up to 16 cameras the control knows, one per camera window, with the
// control's global settings and their store in Tessaly.ini. Used on the control's user-
// interface thread only; it takes no lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_record.h"
#include "liveview/cameras/host_resolve.h"

namespace liveview {

class CCameraTable {
 public:
  static constexpr int kCameraCount = 16;

  // The process-wide table, created on first use. Release deletes it (the control's
  // destructor); the next Instance starts a fresh one.
  static CCameraTable* Instance();
  static void Release();

  // Tests make tables of their own; the control uses Instance.
  CCameraTable() = default;
  CCameraTable(const CCameraTable&) = delete;
  CCameraTable& operator=(const CCameraTable&) = delete;

  static bool IsValidIndex(int index) { return index >= 0 && index < kCameraCount; }

  // The record of an index, for the callers that copy or update a whole record or the video
  // fields; nullptr outside 0 to 15.
  CameraRecord* RecordAt(int index);
  const CameraRecord* RecordAt(int index) const;

  CameraSettings& Settings() { return settings_; }
  const CameraSettings& Settings() const { return settings_; }

  const std::string& SettingsPath() const { return settingsPath_; }
  void SetSettingsPath(std::string path) { settingsPath_ = std::move(path); }

  // Getters: empty texts and 0 outside 0 to 15.
  std::string GetAddress(int index) const;
  uint16_t GetPort(int index) const;
  std::string GetUser(int index) const;
  std::string GetPassword(int index) const;
  std::string GetNick(int index) const;
  int GetState(int index) const;
  std::string GetSnapshotPath(int index) const;
  std::string GetRecordingPath(int index) const;
  std::string GetDomainName(int index) const;

  // Setters: 0 outside 0 to 15, else 1.
  int SetNick(int index, std::string_view nick);
  int SetUser(int index, std::string_view user);
  int SetPassword(int index, std::string_view password);
  int SetState(int index, int state);
  // 0 also clears the four recording fields (format, width, height, bit rate).
  int SetRecording(int index, int recording);
  int SetSnapshotPath(int index, std::string_view path);
  int SetRecordingPath(int index, std::string_view path);
  int SetRecordFormat(int index, int format);
  int SetRecordWidth(int index, int width);
  int SetRecordHeight(int index, int height);
  int SetRecordBitRate(int index, int bitRate);
  int SetDomainName(int index, std::string_view domainName);

  // Index of the first used record with that address (ignoring case), or -1.
  int FindByAddress(std::string_view address) const;
  // Index of the first used record whose address (ignoring case) and port match the camera
  // text, or -1. This "%s:%d" of address and port is the stream client's key.
  int FindByCameraText(std::string_view cameraText) const;
  // The same with the host compared to the DomainName of every record that has one: the
  // named camera text by which the host names cameras.
  int FindByDomainName(std::string_view namedCameraText) const;

  // "%s:%d" of address and port; empty for an unused record or an index outside 0 to 15.
  std::string CameraText(int index) const;
  // "%s:%d" of DomainName and port; empty without a DomainName or outside 0 to 15.
  std::string NamedCameraText(int index) const;

  struct HostAndPort {
    std::string host;
    int port = 0;
  };
  // Trims, then splits at the last ':'. A text without one is all host; its port is that of
  // the first used record with that address, or 80.
  HostAndPort SplitCameraText(std::string_view cameraText) const;

  // Requires a non-empty host, an index 0 to 15 whose record is unused, a port 0 to 65535 and
  // a camera text not yet in the table. Sets address, port, user, password and nick, zeroes
  // the video fields and leaves the DomainName alone. 1 on success, else 0.
  int Add(int index, std::string_view host, int port, std::string_view user,
          std::string_view password, std::string_view nick);
  // Returns the record to unused; snapshot path, recording path and the recording flag and
  // fields stay. 0 outside 0 to 15, else 1.
  int Clear(int index);
  // Exchanges two records except their recording flags, which stay with their windows.
  // 0 when either index is outside 0 to 15, else 1.
  int Swap(int a, int b);

  // 0 (and a zeroed block) outside 0 to 15, else 1.
  int BuildCameraInfo(int index, CameraInfo* info) const;
  // Takes the index from the block and sets DomainName, the address (the DomainName
  // resolved, or the DomainName itself when it does not resolve), port, user, password, nick
  // and MAC; the other fields keep their values. 0 for an index outside 0 to 15, else 1.
  int ReadCameraInfo(const CameraInfo& info);

  // Tessaly.ini at SettingsPath(). 0 when the path is empty (or, for Save, when the file
  // could not be written), else 1.
  int Load();
  int Save() const;

 private:
  CameraRecord records_[kCameraCount];
  std::string settingsPath_;
  CameraSettings settings_;
};

}  // namespace liveview
