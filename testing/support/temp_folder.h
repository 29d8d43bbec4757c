// A private temporary folder per test, removed with its files at the end, and plain text
// file helpers for settings files and logs.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

// Removes `path` with the files in it (a folder inside it stays, and so does `path` then).
inline void RemoveFolderAndFiles(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((path + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

// A fresh folder under the user's temporary folder. Each test gets its own, so the profile
// functions' cache never serves another test's file.
class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
      path_ = std::string(base) + "camtable_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++counter);
      if (CreateDirectoryA(path_.c_str(), nullptr)) break;
      if (GetLastError() != ERROR_ALREADY_EXISTS) {
        path_.clear();
        break;
      }
    }
  }
  ~TempFolder() {
    if (!path_.empty()) RemoveFolderAndFiles(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

inline void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace testing_support
