// The form's start-up: folders, language texts, tree roots, working bitmaps, the catalogue.
#include <windows.h>

#include "framework/ansi_text.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/resources/vantrel_resource.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

namespace {

std::string& BaseFolderForTests() {
  static std::string folder;
  return folder;
}

std::string HostFolder() {
  if (!BaseFolderForTests().empty()) return BaseFolderForTests();
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(FileNameStart(path, LeadBytesOf(CP_ACP)));
  return path;
}

std::string InstallLanguageText() {
  HKEY key = nullptr;
  std::string text;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", 0,
                    KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    char buffer[64];
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "InstallLanguage", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      buffer[size] = '\0';
      text = buffer;
    }
    RegCloseKey(key);
  }
  return text.empty() ? "0409" : text;
}

}  // namespace

void TVantrel::SetBaseFolderForTests(const std::string& folder) { BaseFolderForTests() = folder; }

int TVantrel::ParseInstallLanguage(const std::string& text) {
  int value = 0;
  for (size_t i = 0; i < text.size() && i < 4; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') {
      value = value * 16 + (c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value = value * 16 + (c - 'A' + 10);
    }
  }
  return value;
}

void TVantrel::ApplyLanguageTexts(LANGID language) {
  const LANGID block = language == 0x0804 ? MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)
                                          : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const HINSTANCE module = fw::Module::Get().ResourceInstance();
  for (UINT i = 0; i < IDS_VANTREL_TEXT_COUNT; ++i) {
    Texts[i] = fw::LoadResStringForLanguage(module, IDS_VANTREL_TEXT_FIRST + i, block);
  }
  SpeedButtonGoto->SetText(Texts[14]);
  SpeedButtonView->SetText(Texts[15]);
  SpeedButtonLocate->SetText(Texts[16]);
  SpeedButtonDelete->SetText(Texts[17]);
}

void TVantrel::ActiveFormCreate() {
  BaseFolder = HostFolder();
  ThumbFolder = BaseFolder + "Thumb\\";
  if (GetFileAttributesA(ThumbFolder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(ThumbFolder.c_str(), nullptr);
  }
  AviIconIndex = LoadMediaTypeIcon(".AVI");
  MpgIconIndex = LoadMediaTypeIcon(".MPG");
  CaptureQueue.clear();
  // The video window's size of 0 x 0 joins with the graph components.
  ApplyLanguageTexts(static_cast<LANGID>(ParseInstallLanguage(InstallLanguageText())));

  const form::TreeNode timeRoot = TreeViewSurveillance->Add(nullptr, Texts[0], 0, 0);
  TreeViewSurveillance->Select(timeRoot);
  ShowRootInfo(timeRoot);
  TreeViewSurveillance->Add(nullptr, Texts[2], 1, 1);

  FrameBitmap = std::make_unique<fw::Bitmap>();
  VideoThumbBitmap = std::make_unique<fw::Bitmap>();
  PictureBitmap = std::make_unique<fw::Bitmap>();
  PictureThumbBitmap = std::make_unique<fw::Bitmap>();
  // The JPEG image joins with the thumbnails.

  catalogue_ = std::make_unique<RecordCatalogue>(BaseFolder, *this, LoadTimeDateTimeSettings(),
                                                 CurrentYear());
  LoadRecords();
}

void TVantrel::ShowRootInfo(form::TreeNode root) {
  if (!root || TreeViewSurveillance->NodeParent(root)) return;
  int groups = 0;
  for (form::TreeNode g = TreeViewSurveillance->FirstChild(root); g;
       g = TreeViewSurveillance->NextSibling(g)) {
    ++groups;
  }
  LabelCaption->SetText(TreeViewSurveillance->NodeText(root));
  LabelDetail->SetText(Texts[4] + std::to_wstring(groups) + Texts[6]);
  PanelToolbar->SetVisible(false);
}

}  // namespace vantrel
