// Orvex.exe and Setrova_CN.exe started as processes on the test display, as a user starts
// them, against simulated cameras: each lists them, shows its own build's texts (read back
// as UTF-16 from its windows) whatever the user's language, holds resources of one language
// only, writes no registry key, and ends on Exit.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "framework/ansi_text.h"
#include "isolated_network.h"
#include "setuptool/resource_ids.h"
#include "simulator/discovery_responder.h"
#include "testing/container/dialog_items.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "setuptool/tests/build_texts.h"

namespace {

using setuptool_tests::BuildTexts;
using test_container::ListRows;
using test_container::PumpUntil;

std::wstring Wide(const char* utf8) { return fw::Utf8ToWide(utf8); }

// The list's column title `index`, read through memory in the program's own process.
std::wstring RemoteColumnTitle(HANDLE process, HWND list, int index, int* width) {
  void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return L"(no memory in the process)";
  auto* base = static_cast<char*>(remote);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = reinterpret_cast<wchar_t*>(base + 512);
  column.cchTextMax = 200;
  WriteProcessMemory(process, base, &column, sizeof column, nullptr);
  std::wstring title;
  if (SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(base))) {
    wchar_t text[200] = {};
    ReadProcessMemory(process, base + 512, text, sizeof text - sizeof(wchar_t), nullptr);
    ReadProcessMemory(process, base, &column, sizeof column, nullptr);
    title = text;
    *width = column.cx;
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return title;
}

// Every language any resource of the file is in.
std::set<LANGID> ResourceLanguages(const std::wstring& path) {
  std::set<LANGID> languages;
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return languages;
  struct Walk {
    static BOOL CALLBACK Language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) {
      reinterpret_cast<std::set<LANGID>*>(out)->insert(language);
      return TRUE;
    }
    static BOOL CALLBACK Name(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR out) {
      EnumResourceLanguagesW(m, type, name, &Language, out);
      return TRUE;
    }
    static BOOL CALLBACK Type(HMODULE m, LPWSTR type, LONG_PTR out) {
      EnumResourceNamesW(m, type, &Name, out);
      return TRUE;
    }
  };
  EnumResourceTypesW(module, &Walk::Type, reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(module);
  return languages;
}

std::wstring VersionString(const std::wstring& path, const wchar_t* block, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (!size) return L"(no version resource)";
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return L"(unreadable)";
  const std::wstring query = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), query.c_str(), &value, &length)) return L"(missing)";
  return static_cast<const wchar_t*>(value);
}

camsim::DiscoveryIdentity Camera(uint8_t tag) {
  camsim::DiscoveryIdentity camera;
  camera.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x5d, tag};
  camera.address = 0x0AD50060 + tag;
  camera.gateway = 0x0AD50001;
  camera.firmware = "sim " + std::to_string(tag);
  return camera;
}

TEST(OrvexPrograms, EachListsTheCamerasInItsOwnLanguageAndEndsOnExit) {
  ASSERT_TRUE(testing_support::InIsolatedNetwork());
  camsim::DiscoveryResponder responder;
  ASSERT_TRUE(responder.Start()) << "UDP 13000 is taken";
  for (uint8_t tag = 1; tag <= 3; ++tag) responder.AddCamera(Camera(tag));

  const struct {
    const BuildTexts* texts;
    const wchar_t* versionBlock;
  } builds[] = {{&setuptool_tests::kOrvexTexts, L"040904b0"},
                {&setuptool_tests::kSetrovaCnTexts, L"080404b0"}};
  for (const auto& build : builds) {
    const BuildTexts& texts = *build.texts;
    SCOPED_TRACE(texts.fileName);
    const std::wstring path = fw::Utf8ToWide(test_container::ExecutableFolder() + "..\\" +
                                             texts.fileName + ".exe");

    EXPECT_EQ(ResourceLanguages(path), std::set<LANGID>{texts.language});
    EXPECT_EQ(VersionString(path, build.versionBlock, L"InternalName"), Wide(texts.fileName));
    EXPECT_EQ(VersionString(path, build.versionBlock, L"OriginalFilename"),
              Wide(texts.fileName) + L".exe");
    EXPECT_EQ(VersionString(path, build.versionBlock, L"FileVersion"), L"1.0.0.1");
    EXPECT_EQ(VersionString(path, build.versionBlock, L"ProductVersion"), L"1.0.0.1");

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring line = L"\"" + path + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started))
        << GetLastError();
    CloseHandle(started.hThread);
    HWND dlg = nullptr;
    const bool shown = PumpUntil(
        [&] {
          const auto dialogs = test_container::ProcessDialogs(started.dwProcessId);
          dlg = dialogs.empty() ? nullptr : dialogs.front();
          return dlg != nullptr;
        },
        30000);
    if (shown) {
      HWND list = GetDlgItem(dlg, IDC_CAMERA_LIST);
      EXPECT_TRUE(PumpUntil([&] { return ListRows(list) == 3; }, 15000))
          << "rows: " << ListRows(list);
      setuptool_tests::ExpectMainDialogTexts(dlg, texts);
      HANDLE process = started.hProcess;
      const int widths[] = {120, 120, 100};
      for (int i = 0; i < 3; ++i) {
        int width = 0;
        EXPECT_EQ(RemoteColumnTitle(process, list, i, &width), Wide(texts.columns[i])) << i;
        EXPECT_EQ(width, widths[i]);
      }
      PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
    } else {
      ADD_FAILURE() << "no dialog within 30 s";
    }
    const bool ended = WaitForSingleObject(started.hProcess, 20000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "still running after Exit";
    if (!ended) TerminateProcess(started.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(started.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(started.hProcess);

    // 应用程序向导生成的本地应用程序
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER,
                            L"Software\\\u5E94\u7528\u7A0B\u5E8F\u5411\u5BFC\u751F\u6210\u7684"
                            L"\u672C\u5730\u5E94\u7528\u7A0B\u5E8F",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
  }
}

}  // namespace
