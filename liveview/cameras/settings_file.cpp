#include "liveview/cameras/settings_file.h"

#include <cmath>
#include <climits>
#include <optional>

#include "common/base64.h"
#include "common/code_page_chars.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/host_resolve.h"
#include "liveview/cameras/name_checks.h"
#include "liveview/cameras/profile_file.h"

namespace liveview {
namespace {

constexpr char kGlobal[] = "GLOBAL";
constexpr char kCliInfo[] = "CLIINFO";

// The loader decodes at most this many password bytes; saving keeps to the same limit, whose
// Base64 form (172 characters) the loader's 260-byte read takes back whole.
constexpr size_t kMaxPasswordBytes = 127;
constexpr size_t kMaxPasswordChars = common::Base64EncodedLength(kMaxPasswordBytes);

// What a string read through the profile functions holds at most (a 260-byte read).
constexpr size_t kProfileTextChars = 259;

constexpr uint16_t kLoadedVideoWidth = 320;
constexpr uint16_t kLoadedVideoHeight = 240;
constexpr uint16_t kDefaultQuality = 11;

int ReadSplitter(const ProfileFile& file) {
  const int splitter = file.ReadInt(kGlobal, "SPLITTER", 4);
  // 0 would divide by zero in the layout and 5 or more would walk past the 16 windows.
  return splitter >= 1 && splitter <= 4 ? splitter : 4;
}

// A stored password is Base64; a value that is not (written by hand, say) is the password.
std::string ReadPassword(const ProfileFile& file, int n) {
  const std::string stored = file.ReadString(kCliInfo, EntryKey("PASSWD", n).c_str());
  if (stored.empty()) return stored;
  const std::optional<std::string> decoded = common::Base64Decode(stored, kMaxPasswordBytes);
  if (!decoded) return stored;
  // The password is a zero-terminated text everywhere else (CameraInfo, credentials).
  return decoded->substr(0, decoded->find('\0'));
}

// Stripped before trimming, so "Hall :" does not keep a blank that the dialog would trim.
std::string CleanName(const std::string& text) { return TrimWhiteSpace(StripInvalidChars(text)); }

// The nick of a camera that has none. An unresolved DomainName is the address, so the nick
// made of it keeps to the names' rule, and to the profile functions' 259 characters (cut
// before the port, at a character boundary), so that the next load reads it back whole.
std::string NickOfAddress(const std::string& address, int port) {
  const std::string suffix = '_' + std::to_string(port);
  const std::string name = CleanName(address);
  return std::string(common::CutToCharBoundary(name, kProfileTextChars - suffix.size(),
                                               common::kAnsiCodePage)) +
         suffix;
}

// Reads entry n into the table. False when the entry is bad and loading must end.
bool LoadEntry(const ProfileFile& file, int n, CCameraTable& table) {
  const auto key = [n](const char* name) { return EntryKey(name, n); };

  const int window = file.ReadInt(kCliInfo, key("WND").c_str(), -1);
  if (!CCameraTable::IsValidIndex(window)) return false;

  const std::string domainName =
      TrimWhiteSpace(file.ReadString(kCliInfo, key("DomainName").c_str()));
  if (domainName.empty()) return false;
  // A name server that does not answer at start-up must not cost this camera and every later
  // one at the next save: keep the name as the address, as reading a CameraInfo does.
  std::string address = domainName;
  ResolveHost(address);

  const int port = file.ReadInt(kCliInfo, key("PORT").c_str(), -1);
  if (port < 1 || port > 65535) return false;

  if (table.FindByCameraText(FormatCameraText(address, port)) != -1) return true;  // duplicate

  CameraRecord& record = *table.RecordAt(window);
  record.domainName = domainName;
  record.address = address;  // dotted, or the DomainName already trimmed
  record.port = static_cast<uint16_t>(port);
  record.user = CleanName(file.ReadString(kCliInfo, key("USER").c_str()));
  record.password = ReadPassword(file, n);
  record.nick = CleanName(file.ReadString(kCliInfo, key("NICK").c_str()));
  if (record.nick.empty()) record.nick = NickOfAddress(record.address, port);
  record.mac = TrimWhiteSpace(file.ReadString(kCliInfo, key("MAC").c_str()));

  const int width = file.ReadInt(kCliInfo, key("WIDTH").c_str(), 0);
  const int height = file.ReadInt(kCliInfo, key("HEIGHT").c_str(), 0);
  if (width == 0 || height == 0) {
    record.videoWidth = kLoadedVideoWidth;
    record.videoHeight = kLoadedVideoHeight;
  } else {
    record.videoWidth = static_cast<uint16_t>(width);
    record.videoHeight = static_cast<uint16_t>(height);
  }
  const int quality = file.ReadInt(kCliInfo, key("QUALITY").c_str(), 0);
  record.quality = quality == 0 ? kDefaultQuality : static_cast<uint16_t>(quality);
  record.brightness = static_cast<uint16_t>(file.ReadInt(kCliInfo, key("BRIGHT").c_str(), 0));
  record.contrast = static_cast<uint16_t>(file.ReadInt(kCliInfo, key("CONTRAST").c_str(), 0));
  record.panScan = static_cast<uint8_t>(file.ReadInt(kCliInfo, key("SPANSCAN").c_str(), 0));
  record.tiltScan = static_cast<uint8_t>(file.ReadInt(kCliInfo, key("TILTSCAN").c_str(), 0));
  record.zoom = static_cast<float>(file.ReadInt(kCliInfo, key("ZOOM").c_str(), 0)) / 100.0f;
  return true;
}

// Hundredths of the zoom, rounded: truncating would store a loaded 0.29 (29/100 in a float,
// just below 0.29) as 28, and lose a hundredth at every save.
int ZoomHundredths(float zoom) {
  const double hundredths = std::round(static_cast<double>(zoom) * 100.0);
  if (!(hundredths >= INT_MIN && hundredths <= INT_MAX)) return 0;  // NaN or out of range
  return static_cast<int>(hundredths);
}

// Empty for a password the loader could not decode back: it would return as its Base64 text.
// The byte limit matters, not the length: 128 bytes encode to 172 characters as well.
std::string PasswordForFile(const std::string& password) {
  if (password.empty() || password.size() > kMaxPasswordBytes) return std::string();
  return common::Base64Encode(password, kMaxPasswordChars).value_or(std::string());
}

// The profile functions give a value that begins and ends with the same quote (" or ') without
// that pair; another pair around such a value brings it back whole.
std::string ProfileText(const std::string& value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\''))
    return '"' + value + '"';
  return value;
}

// Stops at the first failed write: the rest go to the same file and would fail too.
class EntryWriter {
 public:
  EntryWriter(const ProfileFile& file, const char* section) : file_(file), section_(section) {}
  void Int(const std::string& key, int value) {
    ok_ = ok_ && file_.WriteInt(section_, key.c_str(), value);
  }
  void Text(const std::string& key, const std::string& value) {
    ok_ = ok_ && file_.WriteString(section_, key.c_str(), ProfileText(value));
  }
  bool ok() const { return ok_; }

 private:
  const ProfileFile& file_;
  const char* section_;
  bool ok_ = true;
};

}  // namespace

int LoadSettingsFile(CCameraTable& table) {
  if (table.SettingsPath().empty()) return 0;
  const ProfileFile file(table.SettingsPath());
  CameraSettings& settings = table.Settings();

  if (file.CanOpenForReading()) {
    settings.autoInvite = file.ReadInt(kGlobal, "AUTO_INVITE", 1);
    settings.showSubtitle = file.ReadInt(kGlobal, "SHOW_SUBTITLE", 1);
    settings.reconnect = file.ReadInt(kGlobal, "RECONNECT", 1);
    settings.interval = file.ReadInt(kGlobal, "INTERVAL", 5);
  }

  const int count = file.ReadInt(kCliInfo, "CLI_COUNT", 0);
  if (count == 0) return 1;
  settings.splitter = ReadSplitter(file);

  for (int n = 1; n <= count; ++n) {
    if (!LoadEntry(file, n, table)) break;
  }
  return 1;
}

int SaveSettingsFile(const CCameraTable& table) {
  if (table.SettingsPath().empty()) return 0;
  const ProfileFile file(table.SettingsPath());

  EntryWriter cli(file, kCliInfo);
  int n = 0;
  for (int index = 0; index < CCameraTable::kCameraCount && cli.ok(); ++index) {
    const CameraRecord& r = *table.RecordAt(index);
    if (r.domainName.empty()) continue;
    ++n;
    cli.Int(EntryKey("WND", n), index);
    cli.Text(EntryKey("DomainName", n), r.domainName);
    cli.Text(EntryKey("USER", n), r.user);
    cli.Text(EntryKey("PASSWD", n), PasswordForFile(r.password));
    cli.Text(EntryKey("NICK", n), r.nick);
    cli.Text(EntryKey("MAC", n), r.mac);
    cli.Int(EntryKey("PORT", n), r.port);
    cli.Int(EntryKey("WIDTH", n), r.videoWidth);
    cli.Int(EntryKey("HEIGHT", n), r.videoHeight);
    cli.Int(EntryKey("QUALITY", n), r.quality);
    cli.Int(EntryKey("BRIGHT", n), r.brightness);
    cli.Int(EntryKey("CONTRAST", n), r.contrast);
    cli.Int(EntryKey("SPANSCAN", n), r.panScan);
    cli.Int(EntryKey("TILTSCAN", n), r.tiltScan);
    cli.Int(EntryKey("ZOOM", n), ZoomHundredths(r.zoom));
  }
  cli.Int("CLI_COUNT", n);

  const CameraSettings& settings = table.Settings();
  EntryWriter global(file, kGlobal);
  if (cli.ok()) {
    global.Int("AUTO_INVITE", settings.autoInvite);
    global.Int("SPLITTER", settings.splitter);
    global.Int("SHOW_SUBTITLE", settings.showSubtitle);
    global.Int("RECONNECT", settings.reconnect);
    global.Int("INTERVAL", settings.interval);
  }
  return cli.ok() && global.ok() ? 1 : 0;
}

}  // namespace liveview
