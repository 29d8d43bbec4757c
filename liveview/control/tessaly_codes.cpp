// Get and Set: the host's queries and changes by command code. Their parameters are the
// addresses of the host's own buffers, whose sizes the control is never told: texts are read
// only up to their zero within kMaxCallerText bytes, a CameraInfo's texts only within their
// fields, and a code without the buffer it needs answers 0 and writes nothing.
#include <cstring>
#include <optional>

#include "base/scoped_lock.h"
#include "framework/modal_loop.h"
#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/host_resolve.h"
#include "liveview/cameras/name_checks.h"
#include "liveview/control/host_resolver.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/record/avi_check.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

// A text the host passes by address, its zero included; longer ones are refused.
constexpr size_t kMaxCallerText = 260;
constexpr long kCameraInfoSize = static_cast<long>(sizeof(CameraInfo));

// The Set 6 block: host text at 0, MAC text at 64, port at 96.
constexpr size_t kMacBlockHost = 0;
constexpr size_t kMacBlockHostSize = 64;
constexpr size_t kMacBlockMac = 64;
constexpr size_t kMacBlockMacSize = 32;
constexpr size_t kMacBlockPort = 96;

CCameraTable& Table() { return *CCameraTable::Instance(); }

std::optional<std::string> CallerText(fw::CallerBuffer buffer) {
  if (!buffer) return std::nullopt;
  const char* bytes = buffer.Bytes();
  for (size_t i = 0; i < kMaxCallerText; ++i) {
    if (bytes[i] == '\0') return std::string(bytes, i);
  }
  return std::nullopt;
}

std::optional<int> CallerInt(fw::CallerBuffer buffer, size_t offset = 0) {
  if (!buffer) return std::nullopt;
  int32_t value = 0;
  std::memcpy(&value, buffer.Bytes() + offset, sizeof(value));
  return value;
}

// A text field of a host's block: up to its zero, never past the field.
std::string FieldText(const char* field, size_t size) {
  size_t length = 0;
  while (length < size && field[length] != '\0') ++length;
  return std::string(field, length);
}

void PutInt(fw::CallerBuffer out, size_t offset, int32_t value) {
  std::memcpy(out.Bytes() + offset, &value, sizeof(value));
}

void PutText(fw::CallerBuffer out, const std::string& text) {
  std::memcpy(out.Bytes(), text.c_str(), text.size() + 1);
}

int UsedRecords() {
  int used = 0;
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    if (Table().RecordAt(i)->InUse()) ++used;
  }
  return used;
}

int FindUsedByMac(const std::string& mac) {
  for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
    const CameraRecord* record = Table().RecordAt(i);
    if (record->InUse() && EqualsIgnoreCase(record->mac, mac)) return i;
  }
  return -1;
}

}  // namespace

void CTessalyCtrl::Get(long cmd, fw::CallerBuffer lInParam, long, fw::CallerBuffer lOutParam,
                       long* lOutlength, long* lRetCode) {
  const bool hasOut = lOutParam && lOutlength;
  switch (cmd) {
    case 0: {
      const auto text = CallerText(lInParam);
      if (!text || !hasOut) return;
      const int index = Table().FindByDomainName(*text);
      if (index < 0) return;
      CameraInfo info{};
      Table().BuildCameraInfo(index, &info);
      std::memcpy(lOutParam.Bytes(), &info, sizeof(info));
      *lOutlength = kCameraInfoSize;
      *lRetCode = 1;
      return;
    }
    case 1:
      if (!hasOut) return;
      PutInt(lOutParam, 0, UsedRecords());
      *lOutlength = 4;
      *lRetCode = 1;
      return;
    case 2: {
      if (!hasOut) return;
      int used = 0;
      for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
        if (!Table().RecordAt(i)->InUse()) continue;
        CameraInfo info{};
        Table().BuildCameraInfo(i, &info);
        std::memcpy(lOutParam.Bytes() + 4 + used * sizeof(info), &info, sizeof(info));
        ++used;
      }
      PutInt(lOutParam, 0, used);
      *lOutlength = 4 + used * kCameraInfoSize;
      *lRetCode = 1;
      return;
    }
    case 3: {
      const auto window = CallerInt(lInParam);
      if (!window || !hasOut || !CCameraTable::IsValidIndex(*window)) return;
      *lOutlength = 0;
      if (Table().RecordAt(*window)->InUse()) {
        const std::string text = Table().NamedCameraText(*window);
        PutText(lOutParam, text);
        *lOutlength = static_cast<long>(text.size() + 1);
      }
      *lRetCode = 1;
      return;
    }
    case 4: {
      const auto nick = CallerText(lInParam);
      if (!nick || !lOutlength) return;
      *lOutlength = 0;
      for (int i = 0; i < CCameraTable::kCameraCount; ++i) {
        if (EqualsIgnoreCase(Table().GetNick(i), *nick)) {
          *lRetCode = 1;
          return;
        }
      }
      return;
    }
    case 7: {
      const auto mac = CallerText(lInParam);
      if (mac && FindUsedByMac(*mac) >= 0) *lRetCode = 1;
      return;
    }
    case 8: {
      const auto mac = CallerText(lInParam);
      if (!mac || !hasOut) return;
      *lOutlength = 0;
      const int index = FindUsedByMac(*mac);
      if (index < 0) return;
      CameraInfo info{};
      Table().BuildCameraInfo(index, &info);
      std::memcpy(lOutParam.Bytes(), &info, sizeof(info));
      *lOutlength = kCameraInfoSize;
      *lRetCode = 1;
      return;
    }
    case 9: {
      const auto file = CallerText(lInParam);
      if (file) *lRetCode = CheckAviFile(file->c_str());
      return;
    }
    case 10: {
      const auto text = CallerText(lInParam);
      if (!text || !hasOut) return;
      *lRetCode = CopyLastPicture(*text, lOutParam, lOutlength) ? 1 : 0;
      return;
    }
    case 14: {
      const auto name = CallerText(lInParam);
      if (!name || !hasOut) return;
      std::string result;
      {
        // Host calls and posted messages run inside the wait; the caller's buffers are
        // still its own afterwards, whatever became of the window.
        fw::ModalScope scope(this);
        result = CHostResolver::Start(*name)->Wait();
      }
      PutText(lOutParam, result);
      *lOutlength = static_cast<long>(result.size() + 1);
      *lRetCode = 1;
      return;
    }
    default:
      return;
  }
}

void CTessalyCtrl::Set(long cmd, fw::CallerBuffer lInParam, long, long* lRetCode) {
  switch (cmd) {
    case 5:
    case 11: {
      if (!lInParam) return;
      CameraInfo info{};
      std::memcpy(&info, lInParam.Bytes(), sizeof(info));
      if (!CCameraTable::IsValidIndex(info.index)) return;
      *lRetCode = cmd == 5 ? AddFromBlock(info) : ReplaceFromBlock(info);
      return;
    }
    case 6: {
      if (!lInParam) return;
      const char* bytes = lInParam.Bytes();
      const std::string hostText = FieldText(bytes + kMacBlockHost, kMacBlockHostSize);
      const std::string mac = FieldText(bytes + kMacBlockMac, kMacBlockMacSize);
      const int port = *CallerInt(lInParam, kMacBlockPort);
      const int index = Table().FindByDomainName(FormatCameraText(hostText, port));
      CameraRecord* record = Table().RecordAt(index);
      if (!record) return;
      record->mac = mac;
      *lRetCode = 1;
      return;
    }
    case 12: {
      const auto a = CallerInt(lInParam);
      const auto b = CallerInt(lInParam, 4);
      if (a && b) *lRetCode = ExchangeCameras(*a, *b);
      return;
    }
    case 13: {
      const auto text = CallerText(lInParam);
      if (text) *lRetCode = DeleteCamera(Table().FindByDomainName(*text));
      return;
    }
    default:
      return;
  }
}

int CTessalyCtrl::AddFromBlock(const CameraInfo& info) {
  const int index = info.index;
  if (Table().RecordAt(index)->InUse()) return 0;
  long result = 0;
  SetCliInfo(index, CameraInfoText(info.domainName), info.port, CameraInfoText(info.user),
             CameraInfoText(info.password), CameraInfoText(info.nick), &result);
  return static_cast<int>(result);
}

int CTessalyCtrl::ReplaceFromBlock(const CameraInfo& info) {
  const int index = info.index;
  if (!Table().RecordAt(index)->InUse()) return 0;
  const std::string domainName = CameraInfoText(info.domainName);
  // What SetCliInfo refuses: a record without a host or port would end the loading of
  // Tessaly.ini, the loader would strip the user name, and a DomainName that fills its field
  // would come back cut in every block, naming no camera.
  if (domainName.empty() || domainName.size() >= sizeof(info.domainName) || info.port == 0) {
    return 0;
  }
  if (HasInvalidChar(CameraInfoText(info.user), InvalidNameChars)) return 0;
  std::string address = domainName;
  if (ResolveHost(address) != kResolveOk) address = domainName;
  // No stream may run under a camera text that no record has any more.
  const bool stopped =
      !EqualsIgnoreCase(Table().CameraText(index), FormatCameraText(address, info.port));
  if (stopped) {
    StopStreamsOf(index);
    NoteCameraGone(index, Table().NamedCameraText(index));
    // Its recording ended with the stream: neither the record nor the REC mark goes on.
    Table().SetRecording(index, 0);
  }
  Table().ReadCameraInfo(info);
  if (CWatchWnd* window = WindowAt(index)) {
    if (stopped) window->SetRecording(0);
    BindWindow(window, index);
    window->Invalidate(true);
  }
  return 1;
}

}  // namespace liveview
