#include "liveview/cameras/profile_file.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace liveview {
namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ProfileFile::CanOpenForReading() const {
  const std::unique_ptr<FILE, FileCloser> file(std::fopen(path_.c_str(), "rb"));
  return file != nullptr;
}

int ProfileFile::ReadInt(const char* section, const char* key, int defaultValue) const {
  return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path_.c_str()));
}

std::string ProfileFile::ReadString(const char* section, const char* key) const {
  char buffer[260];
  const DWORD length =
      GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, path_.c_str());
  return std::string(buffer, length);
}

bool ProfileFile::WriteInt(const char* section, const char* key, int value) const {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileFile::WriteString(const char* section, const char* key,
                              const std::string& value) const {
  return WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str()) != FALSE;
}

std::string EntryKey(const char* name, int n) {
  std::string key(name);
  key += '_';
  key += std::to_string(n);
  return key;
}

}  // namespace liveview
