// One INI file read and written through the Windows profile functions, which the system's
// settings files have always used (their caching and quoting rules included).
#pragma once

#include <string>

namespace liveview {

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // True when the file exists and can be opened for reading.
  bool CanOpenForReading() const;

  // GetPrivateProfileInt: the leading number of the value, or `defaultValue` without one.
  int ReadInt(const char* section, const char* key, int defaultValue) const;
  // The value with an empty default, at most 259 characters (a 260-byte read).
  std::string ReadString(const char* section, const char* key) const;

  bool WriteInt(const char* section, const char* key, int value) const;
  bool WriteString(const char* section, const char* key, const std::string& value) const;

 private:
  std::string path_;
};

// "%s_%d": the key of entry n of a list section ("WND_1", "PORT_2", ...).
std::string EntryKey(const char* name, int n);

}  // namespace liveview
