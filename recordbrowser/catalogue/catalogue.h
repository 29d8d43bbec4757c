// Records.ini: the catalogue of surveillance records, a doubly linked list of numbered
// sections read and written with the profile functions, one call per value, the file never
// kept open. Every failed write raises fw::Error "Unable to write to <path>"; writes made
// before it stay.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "recordbrowser/catalogue/record_text.h"

namespace vantrel {

// Counts the record items alive in the process, so tests see none left behind.
class LiveItemCount {
 public:
  LiveItemCount();
  LiveItemCount(const LiveItemCount&);
  LiveItemCount& operator=(const LiveItemCount&) = default;
  ~LiveItemCount();
  static long Live();
};

struct TRecordItem {
  std::string MediaFile;
  double Date = 0;  // only its date part counts
  double Time = 0;  // only its time part counts
  std::string Area;
  std::string Camera;
  std::string ThumbFile;
  int32_t RecordNo = 0;
  LiveItemCount counted;
};

// Where removals are told: OnRemoved only while SinkConnected().
class RecordEvents {
 public:
  virtual bool SinkConnected() const = 0;
  // `initiative` 1: the media file was there and the catalogue deleted it; 0: it was missing.
  virtual void OnRemoved(const std::wstring& mediaFile, long initiative) = 0;

 protected:
  ~RecordEvents() = default;
};

class RecordCatalogue {
 public:
  // `baseFolder` ends in "\": the file is baseFolder + "Records.ini", thumbnails lie in
  // baseFolder + "Thumb\".
  RecordCatalogue(std::string baseFolder, RecordEvents& events, DateTimeSettings settings,
                  int currentYear);

  const std::string& IniPath() const { return iniPath_; }
  const std::string& ThumbFolder() const { return thumbFolder_; }
  const DateTimeSettings& Settings() const { return settings_; }

  // Appends a record with the number EndRecord + 1 (1 for an empty list) and answers its
  // item. An EndRecord that is neither -1 nor 1 to 2147483646 is refused before anything is
  // written.
  std::unique_ptr<TRecordItem> AppendRecord(const std::string& mediaFile, const std::string& area,
                                            const std::string& camera, double date, double time);

  // Removes record `n` when it lies within BeginRecord..EndRecord and its section still names
  // `mediaFile` (another catalogue may have deleted and reused the number). The media file
  // goes first: one that is there and will not go keeps the record and raises "Unable to
  // delete <file>". Then the neighbours are relinked, the section erased, the thumbnail
  // deleted (only one directly in the thumbnail folder) and the removal told.
  void DeleteRecord(int32_t n, const std::string& mediaFile);

  // Walks the list from BeginRecord, each record once. A record whose media file is missing
  // is deleted; every other one is handed to `take` with whether its thumbnail exists.
  void LoadRecords(const std::function<void(std::unique_ptr<TRecordItem>, bool thumbExists)>& take);

 private:
  int32_t ReadNumber(const std::string& section, const char* key, int32_t fallback) const;
  std::string ReadText(const std::string& section, const char* key) const;
  void Write(const std::string& section, const char* key, const std::string& value) const;
  void WriteNumber(const std::string& section, const char* key, int32_t value) const;
  // The thumbnail of a record: its stored one when that lies directly in the folder, else
  // the name the rule gives (none for a media file without a name).
  std::string SafeThumbFile(const std::string& stored, const std::string& mediaFile) const;

  std::string baseFolder_;
  std::string iniPath_;
  std::string thumbFolder_;
  RecordEvents& events_;
  DateTimeSettings settings_;
  int currentYear_;
};

std::string RecordSection(int32_t n);
// A file, not a folder.
bool FileExists(const std::string& path);

}  // namespace vantrel
