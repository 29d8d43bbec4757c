// Tessaly.ocx for the control tests: OLE for the process, the module's path and its `log`
// folder, Tessaly.ini prepared through the profile functions (so their cache always agrees),
// and suites that keep the control registered for their length.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace tessaly_test {

constexpr char kProgId[] = "TESSALY.TessalyCtrl.1";
constexpr char kPageProgId[] = "TESSALY.TessalyPropPage.1";

// Full path of Tessaly.ocx, beside the test program's folder (in the second lane of the
// isolated run, the copy in lane1 there).
std::string OcxPath();
std::string LogFolder();
// The folder LogFolder() answers from now on, for a program that serves the control itself.
void UseLogFolder(const std::string& folder);
std::string SettingsPath();
// Calls an export of the module that takes no argument, loading it for the call only.
HRESULT CallExport(const char* name);

struct IniCamera {
  int window = 0;
  std::string domainName = "127.0.0.1";
  int port = 80;
  std::string user = "admin";
  std::string password = "admin";
  std::string nick;
};

struct IniSettings {
  int autoInvite = 0;
  int splitter = 4;
  int showSubtitle = 1;
  int reconnect = 0;
  int interval = 1;
  std::vector<IniCamera> cameras;
};

// Replaces both sections of Tessaly.ini.
void WriteSettings(const IniSettings& settings);
// Removes both sections: the control starts with its defaults and no camera.
void ClearSettings();
std::string ReadSetting(const char* section, const char* key);

// The control window's children (its camera windows) by child id. Tests may look them up
// this way; the control itself never does.
std::vector<HWND> CameraWindows(HWND control);

// Suites whose cases create the control by ProgID.
class RegisteredTessaly : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
};

}  // namespace tessaly_test
