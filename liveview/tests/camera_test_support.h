// Test helpers for the camera table: a private temporary folder for settings files, and
// Winsock for the host-name lookups (the module starts it in the real control).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "camera_record.h"

namespace liveview {
namespace testing_support {

// Names that resolve without any network, and one that never resolves.
inline constexpr char kLoopbackAddress[] = "127.0.0.1";
inline constexpr char kLoopbackName[] = "localhost";
inline constexpr char kUnresolvableName[] = "no-such-host.invalid";

class WinsockSession {
 public:
  WinsockSession() { started_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started() const { return started_; }

 private:
  WSADATA data_{};
  bool started_ = false;
};

// A fresh folder under the user's temporary folder, removed with its files at the end. Each
// test gets its own, so the profile functions' cache never serves another test's file.
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
    if (path_.empty()) return;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          DeleteFileA((path_ + "\\" + found.cFileName).c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
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

// The five settings as a fresh table and a missing settings file give them.
inline void ExpectDefaultSettings(const CameraSettings& s) {
  EXPECT_EQ(s.autoInvite, 1);
  EXPECT_EQ(s.splitter, 4);
  EXPECT_EQ(s.showSubtitle, 1);
  EXPECT_EQ(s.reconnect, 1);
  EXPECT_EQ(s.interval, 5);
}

}  // namespace testing_support
}  // namespace liveview
