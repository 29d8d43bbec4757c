#include "liveview/cameras/camera_table.h"

#include <cstring>
#include <memory>
#include <utility>

#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/settings_file.h"

namespace liveview {
namespace {

std::unique_ptr<CCameraTable>& TheInstance() {
  static std::unique_ptr<CCameraTable> instance;
  return instance;
}

constexpr int kDefaultHttpPort = 80;

}  // namespace

CCameraTable* CCameraTable::Instance() {
  auto& instance = TheInstance();
  if (!instance) instance = std::make_unique<CCameraTable>();
  return instance.get();
}

void CCameraTable::Release() { TheInstance().reset(); }

CameraRecord* CCameraTable::RecordAt(int index) {
  return IsValidIndex(index) ? &records_[index] : nullptr;
}

const CameraRecord* CCameraTable::RecordAt(int index) const {
  return IsValidIndex(index) ? &records_[index] : nullptr;
}

// ---- getters and setters

std::string CCameraTable::GetAddress(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->address : std::string();
}
uint16_t CCameraTable::GetPort(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->port : 0;
}
std::string CCameraTable::GetUser(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->user : std::string();
}
std::string CCameraTable::GetPassword(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->password : std::string();
}
std::string CCameraTable::GetNick(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->nick : std::string();
}
int CCameraTable::GetState(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->state : 0;
}
std::string CCameraTable::GetSnapshotPath(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->snapshotPath : std::string();
}
std::string CCameraTable::GetRecordingPath(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->recordingPath : std::string();
}
std::string CCameraTable::GetDomainName(int index) const {
  const CameraRecord* r = RecordAt(index);
  return r ? r->domainName : std::string();
}

namespace {

// Setters share their shape: refuse an index outside the table, else store and report 1.
template <typename Value, typename Field>
int SetField(CameraRecord* record, Field CameraRecord::*field, Value value) {
  if (record == nullptr) return 0;
  record->*field = Field(value);
  return 1;
}

}  // namespace

int CCameraTable::SetNick(int index, std::string_view nick) {
  return SetField(RecordAt(index), &CameraRecord::nick, nick);
}
int CCameraTable::SetUser(int index, std::string_view user) {
  return SetField(RecordAt(index), &CameraRecord::user, user);
}
int CCameraTable::SetPassword(int index, std::string_view password) {
  return SetField(RecordAt(index), &CameraRecord::password, password);
}
int CCameraTable::SetState(int index, int state) {
  return SetField(RecordAt(index), &CameraRecord::state, state);
}
int CCameraTable::SetSnapshotPath(int index, std::string_view path) {
  return SetField(RecordAt(index), &CameraRecord::snapshotPath, path);
}
int CCameraTable::SetRecordingPath(int index, std::string_view path) {
  return SetField(RecordAt(index), &CameraRecord::recordingPath, path);
}
int CCameraTable::SetRecordFormat(int index, int format) {
  return SetField(RecordAt(index), &CameraRecord::recordFormat, format);
}
int CCameraTable::SetRecordWidth(int index, int width) {
  return SetField(RecordAt(index), &CameraRecord::recordWidth, width);
}
int CCameraTable::SetRecordHeight(int index, int height) {
  return SetField(RecordAt(index), &CameraRecord::recordHeight, height);
}
int CCameraTable::SetRecordBitRate(int index, int bitRate) {
  return SetField(RecordAt(index), &CameraRecord::recordBitRate, bitRate);
}
int CCameraTable::SetDomainName(int index, std::string_view domainName) {
  return SetField(RecordAt(index), &CameraRecord::domainName, domainName);
}

int CCameraTable::SetRecording(int index, int recording) {
  CameraRecord* r = RecordAt(index);
  if (r == nullptr) return 0;
  r->recording = recording;
  if (recording == 0) {
    r->recordFormat = 0;
    r->recordWidth = 0;
    r->recordHeight = 0;
    r->recordBitRate = 0;
  }
  return 1;
}

// ---- lookups and camera texts

int CCameraTable::FindByAddress(std::string_view address) const {
  for (int i = 0; i < kCameraCount; ++i) {
    if (records_[i].InUse() && EqualsIgnoreCase(records_[i].address, address)) return i;
  }
  return -1;
}

int CCameraTable::FindByCameraText(std::string_view cameraText) const {
  const HostAndPort target = SplitCameraText(cameraText);
  for (int i = 0; i < kCameraCount; ++i) {
    const CameraRecord& r = records_[i];
    if (r.InUse() && EqualsIgnoreCase(r.address, target.host) && r.port == target.port) return i;
  }
  return -1;
}

int CCameraTable::FindByDomainName(std::string_view namedCameraText) const {
  const HostAndPort target = SplitCameraText(namedCameraText);
  for (int i = 0; i < kCameraCount; ++i) {
    const CameraRecord& r = records_[i];
    if (!r.domainName.empty() && EqualsIgnoreCase(r.domainName, target.host) &&
        r.port == target.port) {
      return i;
    }
  }
  return -1;
}

std::string CCameraTable::CameraText(int index) const {
  const CameraRecord* r = RecordAt(index);
  if (r == nullptr || !r->InUse()) return std::string();
  return FormatCameraText(r->address, r->port);
}

std::string CCameraTable::NamedCameraText(int index) const {
  const CameraRecord* r = RecordAt(index);
  if (r == nullptr || r->domainName.empty()) return std::string();
  return FormatCameraText(r->domainName, r->port);
}

CCameraTable::HostAndPort CCameraTable::SplitCameraText(std::string_view cameraText) const {
  CameraTextParts parts = ParseCameraText(cameraText);
  HostAndPort result;
  result.host = std::move(parts.host);
  if (parts.hasPort) {
    result.port = parts.port;
  } else {
    const int index = FindByAddress(result.host);
    result.port = index >= 0 ? records_[index].port : kDefaultHttpPort;
  }
  return result;
}

// ---- whole records

int CCameraTable::Add(int index, std::string_view host, int port, std::string_view user,
                      std::string_view password, std::string_view nick) {
  if (host.empty() || !IsValidIndex(index) || port < 0 || port > 65535) return 0;
  if (records_[index].InUse()) return 0;
  if (FindByCameraText(FormatCameraText(host, port)) != -1) return 0;
  CameraRecord& r = records_[index];
  r.address = std::string(host);
  r.port = static_cast<uint16_t>(port);
  r.user = std::string(user);
  r.password = std::string(password);
  r.nick = std::string(nick);
  r.videoWidth = r.videoHeight = 0;
  r.quality = r.brightness = r.contrast = 0;
  r.panScan = r.tiltScan = 0;
  r.zoom = 0.0f;
  return 1;
}

int CCameraTable::Clear(int index) {
  CameraRecord* r = RecordAt(index);
  if (r == nullptr) return 0;
  r->address.clear();
  r->domainName.clear();
  r->user.clear();
  r->password.clear();
  r->nick.clear();
  r->mac.clear();
  r->state = 0;
  r->port = 0;
  r->videoWidth = r->videoHeight = 0;
  r->quality = r->brightness = r->contrast = 0;
  r->panScan = r->tiltScan = 0;
  r->zoom = 0.0f;
  return 1;
}

int CCameraTable::Swap(int a, int b) {
  if (!IsValidIndex(a) || !IsValidIndex(b)) return 0;
  if (a == b) return 1;
  // The recording flag belongs to the window, not to the camera.
  std::swap(records_[a], records_[b]);
  std::swap(records_[a].recording, records_[b].recording);
  return 1;
}

int CCameraTable::BuildCameraInfo(int index, CameraInfo* info) const {
  const CameraRecord* r = RecordAt(index);
  if (r == nullptr) {
    std::memset(info, 0, sizeof *info);
    return 0;
  }
  FillCameraInfo(*r, index, info);
  return 1;
}

int CCameraTable::ReadCameraInfo(const CameraInfo& info) {
  CameraRecord* r = RecordAt(info.index);
  if (r == nullptr) return 0;
  r->domainName = CameraInfoText(info.domainName);
  std::string address = r->domainName;
  ResolveHost(address);  // an unresolvable name stays as the address
  r->address = std::move(address);
  r->port = info.port;
  r->user = CameraInfoText(info.user);
  r->password = CameraInfoText(info.password);
  r->nick = CameraInfoText(info.nick);
  r->mac = CameraInfoText(info.mac);
  return 1;
}

int CCameraTable::Load() { return LoadSettingsFile(*this); }

int CCameraTable::Save() const { return SaveSettingsFile(*this); }

}  // namespace liveview
