#include "recordbrowser/catalogue/catalogue.h"

#include <windows.h>

#include "framework/ansi_text.h"
#include "framework/error.h"

namespace vantrel {

namespace {

constexpr char kConfiguration[] = "Configuration";
// Values come back through a buffer of this size: at most 2047 characters.
constexpr DWORD kValueBuffer = 2048;

}  // namespace

namespace {
volatile LONG g_liveItems = 0;
}  // namespace

LiveItemCount::LiveItemCount() { InterlockedIncrement(&g_liveItems); }
LiveItemCount::LiveItemCount(const LiveItemCount&) { InterlockedIncrement(&g_liveItems); }
LiveItemCount::~LiveItemCount() { InterlockedDecrement(&g_liveItems); }
long LiveItemCount::Live() { return InterlockedCompareExchange(&g_liveItems, 0, 0); }

std::string RecordSection(int32_t n) { return "Record" + std::to_string(n); }

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

RecordCatalogue::RecordCatalogue(std::string baseFolder, RecordEvents& events,
                                 DateTimeSettings settings, int currentYear)
    : baseFolder_(std::move(baseFolder)),
      iniPath_(baseFolder_ + "Records.ini"),
      thumbFolder_(baseFolder_ + "Thumb\\"),
      events_(events),
      settings_(std::move(settings)),
      currentYear_(currentYear) {}

std::string RecordCatalogue::ReadText(const std::string& section, const char* key) const {
  char buffer[kValueBuffer];
  const DWORD n =
      GetPrivateProfileStringA(section.c_str(), key, "", buffer, kValueBuffer, iniPath_.c_str());
  return std::string(buffer, n < kValueBuffer ? n : kValueBuffer - 1);
}

int32_t RecordCatalogue::ReadNumber(const std::string& section, const char* key,
                                    int32_t fallback) const {
  return ParseProfileNumber(ReadText(section, key)).value_or(fallback);
}

void RecordCatalogue::Write(const std::string& section, const char* key,
                            const std::string& value) const {
  if (!WritePrivateProfileStringA(section.c_str(), key, value.c_str(), iniPath_.c_str())) {
    throw fw::Error("Unable to write to " + iniPath_);
  }
}

void RecordCatalogue::WriteNumber(const std::string& section, const char* key,
                                  int32_t value) const {
  Write(section, key, std::to_string(value));
}

std::string RecordCatalogue::SafeThumbFile(const std::string& stored,
                                           const std::string& mediaFile) const {
  if (IsDirectlyIn(stored, thumbFolder_, settings_.leadBytes)) return stored;
  if (FileNameStart(mediaFile, settings_.leadBytes) == mediaFile.size()) return {};
  return ThumbFileName(thumbFolder_, mediaFile, settings_.leadBytes);
}

std::unique_ptr<TRecordItem> RecordCatalogue::AppendRecord(const std::string& mediaFile,
                                                           const std::string& area,
                                                           const std::string& camera, double date,
                                                           double time) {
  const int32_t e = ReadNumber(kConfiguration, "EndRecord", -1);
  if (e != -1 && (e < 1 || e == INT32_MAX)) throw fw::Error("Unable to write to " + iniPath_);
  int32_t n;
  if (e == -1) {
    WriteNumber(kConfiguration, "BeginRecord", 1);
    WriteNumber(RecordSection(1), "Previous", -1);
    n = 1;
  } else {
    WriteNumber(RecordSection(e), "Next", e + 1);
    n = e + 1;
    WriteNumber(RecordSection(n), "Previous", e);
  }
  WriteNumber(kConfiguration, "EndRecord", n);

  auto item = std::make_unique<TRecordItem>();
  item->MediaFile = OneLine(mediaFile);
  item->Date = date;
  item->Time = time;
  item->Area = OneLine(area);
  item->Camera = OneLine(camera);
  item->ThumbFile = ThumbFileName(thumbFolder_, item->MediaFile, settings_.leadBytes);
  item->RecordNo = n;

  const std::string section = RecordSection(n);
  Write(section, "MediaFile", item->MediaFile);
  Write(section, "Date", FormatDate(date, settings_));
  Write(section, "Time", FormatTime(time, settings_));
  Write(section, "Area", item->Area);
  Write(section, "Camera", item->Camera);
  Write(section, "ThumbFile", item->ThumbFile);
  WriteNumber(section, "Next", -1);
  return item;
}

void RecordCatalogue::DeleteRecord(int32_t n, const std::string& mediaFile) {
  const std::string section = RecordSection(n);
  const int32_t b = ReadNumber(kConfiguration, "BeginRecord", -1);
  const int32_t e = ReadNumber(kConfiguration, "EndRecord", -1);
  const int32_t p = ReadNumber(section, "Previous", -1);
  const int32_t x = ReadNumber(section, "Next", -1);
  if (n < 1 || n < b || n > e) return;
  const std::string media = ReadText(section, "MediaFile");
  if (media != mediaFile) return;
  const std::string thumb = SafeThumbFile(ReadText(section, "ThumbFile"), media);

  const bool existed = FileExists(media);
  if (existed && !DeleteFileA(media.c_str()) && FileExists(media)) {
    throw fw::Error("Unable to delete " + media);
  }

  if (b < n && n < e) {
    if (p >= 1) WriteNumber(RecordSection(p), "Next", x);
    if (x >= 1) WriteNumber(RecordSection(x), "Previous", p);
  } else {
    if (n == b) {
      WriteNumber(kConfiguration, "BeginRecord", x);
      if (x >= 1) WriteNumber(RecordSection(x), "Previous", -1);
    }
    if (n == e) {
      WriteNumber(kConfiguration, "EndRecord", p);
      if (p >= 1) WriteNumber(RecordSection(p), "Next", -1);
    }
  }
  if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, iniPath_.c_str())) {
    throw fw::Error("Unable to write to " + iniPath_);
  }
  if (!thumb.empty()) DeleteFileA(thumb.c_str());
  if (events_.SinkConnected()) events_.OnRemoved(fw::AnsiToWide(media), existed ? 1 : 0);
}

void RecordCatalogue::LoadRecords(
    const std::function<void(std::unique_ptr<TRecordItem>, bool thumbExists)>& take) {
  WalkRecordChain(ReadNumber(kConfiguration, "BeginRecord", -1), [&](int32_t n) {
    const std::string section = RecordSection(n);
    const std::string media = ReadText(section, "MediaFile");
    if (!FileExists(media)) {
      const int32_t next = ReadNumber(section, "Next", -1);
      DeleteRecord(n, media);
      return next;
    }
    auto item = std::make_unique<TRecordItem>();
    item->MediaFile = media;
    item->Date = ParseDate(ReadText(section, "Date"), settings_, currentYear_).value_or(0);
    item->Time = ParseTime(ReadText(section, "Time"), settings_).value_or(0);
    item->Area = ReadText(section, "Area");
    item->Camera = ReadText(section, "Camera");
    item->ThumbFile = SafeThumbFile(ReadText(section, "ThumbFile"), media);
    item->RecordNo = n;
    const bool thumbExists = FileExists(item->ThumbFile);
    take(std::move(item), thumbExists);
    return ReadNumber(section, "Next", -1);
  });
}

}  // namespace vantrel
