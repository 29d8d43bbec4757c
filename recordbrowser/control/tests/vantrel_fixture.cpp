#include "vantrel_fixture.h"

#include <commctrl.h>

#include "simulator/jpeg_writer.h"
#include "simulator/test_picture.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "testing/container/module_clients.h"
#include "testing/container/ole_environment.h"
#include "testing/support/temp_folder.h"

namespace vantrel_test {

namespace {
const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new test_container::OleEnvironment);

std::string PictureFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "vantrel_media\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

struct Search {
  const char* className;
  const wchar_t* text;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM l) {
  auto* s = reinterpret_cast<Search*>(l);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, s->className) != 0) return TRUE;
  if (s->text) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (lstrcmpW(text, s->text) != 0) return TRUE;
  }
  s->found = window;
  return FALSE;
}

std::wstring NodeText(HWND tree, HTREEITEM node) {
  wchar_t text[256] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return text;
}

}  // namespace

std::string OcxPath() { return test_container::PathBesideTests("..\\Vantrel.ocx"); }

void EmptyCatalogue(const std::string& folder) {
  const std::string ini = folder + "Records.ini";
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  testing_support::RemoveFolderAndFiles(folder + "Thumb");
}

std::string ReadProfile(const std::string& iniPath, const std::string& section,
                        const std::string& key) {
  char value[2048] = {};
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof value,
                           iniPath.c_str());
  return value;
}

bool WritePicture(const std::string& path) {
  const auto jpeg = camsim::EncodeJpeg(camsim::RenderTestPicture("Cam", 1, 160, 120), 80);
  if (jpeg.empty()) return false;
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, jpeg.data(), static_cast<DWORD>(jpeg.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == jpeg.size();
}

HWND FormWindow(HWND control) { return control ? GetWindow(control, GW_CHILD) : nullptr; }

HWND FindDescendant(HWND root, const char* className, const wchar_t* text) {
  Search s{className, text, nullptr};
  if (root) EnumChildWindows(root, Match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND TreeWindow(HWND control) { return FindDescendant(control, WC_TREEVIEWA); }

int TreeCount(HWND tree) { return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)); }

bool WaitForNodes(HWND tree, int nodes) {
  return test_container::PumpUntil([&] { return TreeCount(tree) == nodes; }, 20000);
}

std::vector<std::wstring> RootTexts(HWND tree) {
  std::vector<std::wstring> texts;
  auto node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (node) {
    texts.push_back(NodeText(tree, node));
    node = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(node)));
  }
  return texts;
}

std::wstring SelectedText(HWND tree) {
  auto node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  return node ? NodeText(tree, node) : L"";
}

void RegisteredVantrel::SetUpTestSuite() {
  registered_ = test_container::Regsvr32(OcxPath()) == std::optional<DWORD>(0);
}

void RegisteredVantrel::TearDownTestSuite() {
  if (registered_) test_container::Regsvr32(OcxPath(), "/u");
  registered_ = false;
  test_container::PumpPending();
  CoFreeUnusedLibrariesEx(0, 0);
}

void RegisteredVantrel::SetUp() {
  ASSERT_TRUE(registered_) << "Vantrel.ocx did not register";
  folder_ = test_container::ExecutableFolder();
  EmptyCatalogue(folder_);
  picture_ = PictureFolder() + "0912.jpg";
  ASSERT_TRUE(WritePicture(picture_));
}

void RegisteredVantrel::TearDown() {
  // Forms left to a posted deletion go now.
  test_container::PumpFor(20);
  EmptyCatalogue(folder_);
  DeleteFileA(picture_.c_str());
}

}  // namespace vantrel_test
