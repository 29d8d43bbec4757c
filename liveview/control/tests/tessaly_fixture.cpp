#include "tessaly_fixture.h"

#include <ole2.h>

#include <algorithm>

#include "common/base64.h"
#include "testing/container/child_process.h"
#include "testing/container/dll_export.h"
#include "testing/container/ole_environment.h"

namespace tessaly_test {
namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new test_container::OleEnvironment);

HRESULT g_registered = E_FAIL;
std::string g_logFolder;

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full) : path;
}

void WriteValue(const char* section, const std::string& key, const std::string& value) {
  WritePrivateProfileStringA(section, key.c_str(), value.c_str(), SettingsPath().c_str());
}

}  // namespace

// In the isolated run's second lane, the module's copy made for that lane: the lane's prefix
// registers it and its `log` folder is its own, so the lanes' programs never share either.
std::string OcxPath() {
  char lane[16] = {};
  const DWORD n = GetEnvironmentVariableA("TEST_LANE", lane, sizeof lane);
  const std::string folder = n > 0 && n < sizeof lane && std::string(lane) != "0"
                                 ? "..\\lane" + std::string(lane) + "\\"
                                 : "..\\";
  return FullPath(test_container::ExecutableFolder() + folder + "Tessaly.ocx");
}

void UseLogFolder(const std::string& folder) { g_logFolder = folder; }

std::string LogFolder() {
  if (!g_logFolder.empty()) return g_logFolder;
  const std::string ocx = OcxPath();
  return ocx.substr(0, ocx.rfind('\\') + 1) + "log";
}

std::string SettingsPath() { return LogFolder() + "\\Tessaly.ini"; }

HRESULT CallExport(const char* name) {
  HMODULE module = LoadLibraryA(OcxPath().c_str());
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  using Export = HRESULT(STDAPICALLTYPE*)();
  auto call = test_container::DllExport<Export>(module, name);
  const HRESULT hr = call ? call() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

void ClearSettings() {
  CreateDirectoryA(LogFolder().c_str(), nullptr);
  WritePrivateProfileStringA("GLOBAL", nullptr, nullptr, SettingsPath().c_str());
  WritePrivateProfileStringA("CLIINFO", nullptr, nullptr, SettingsPath().c_str());
}

void WriteSettings(const IniSettings& s) {
  ClearSettings();
  WriteValue("GLOBAL", "AUTO_INVITE", std::to_string(s.autoInvite));
  WriteValue("GLOBAL", "SPLITTER", std::to_string(s.splitter));
  WriteValue("GLOBAL", "SHOW_SUBTITLE", std::to_string(s.showSubtitle));
  WriteValue("GLOBAL", "RECONNECT", std::to_string(s.reconnect));
  WriteValue("GLOBAL", "INTERVAL", std::to_string(s.interval));
  WriteValue("CLIINFO", "CLI_COUNT", std::to_string(s.cameras.size()));
  int n = 0;
  for (const IniCamera& c : s.cameras) {
    const std::string k = "_" + std::to_string(++n);
    WriteValue("CLIINFO", "WND" + k, std::to_string(c.window));
    WriteValue("CLIINFO", "DomainName" + k, c.domainName);
    WriteValue("CLIINFO", "USER" + k, c.user);
    WriteValue("CLIINFO", "PASSWD" + k, common::Base64Encode(c.password, 256).value_or(""));
    WriteValue("CLIINFO", "NICK" + k, c.nick.empty() ? "cam" + std::to_string(n) : c.nick);
    WriteValue("CLIINFO", "PORT" + k, std::to_string(c.port));
  }
}

std::string ReadSetting(const char* section, const char* key) {
  char value[512] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof(value), SettingsPath().c_str());
  return value;
}

std::vector<HWND> CameraWindows(HWND control) {
  std::vector<HWND> windows;
  for (HWND w = GetWindow(control, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    windows.push_back(w);
  }
  std::sort(windows.begin(), windows.end(),
            [](HWND a, HWND b) { return GetDlgCtrlID(a) < GetDlgCtrlID(b); });
  return windows;
}

void RegisteredTessaly::SetUpTestSuite() { g_registered = CallExport("DllRegisterServer"); }

void RegisteredTessaly::TearDownTestSuite() {
  if (SUCCEEDED(g_registered)) CallExport("DllUnregisterServer");
  ClearSettings();
}

void RegisteredTessaly::SetUp() {
  ASSERT_EQ(g_registered, S_OK) << "Tessaly.ocx did not register";
  ClearSettings();
}

}  // namespace tessaly_test
