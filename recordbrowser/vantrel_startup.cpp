// The form's start-up: folders, language texts, tree roots, working bitmaps, the catalogue.
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include "base/com_ptr.h"
#include "base/scoped_gdi.h"
#include "framework/ansi_text.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/form_pictures.h"
#include "recordbrowser/icon_stream.h"
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

TVantrel::ClassesRootReader g_classesRoot = nullptr;

std::string ClassesRootDefault(const std::string& keyName) {
  if (g_classesRoot) return g_classesRoot(keyName);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return {};
  std::string text(1024, '\0');
  DWORD size = static_cast<DWORD>(text.size() - 1);
  DWORD type = 0;
  const LONG status =
      RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  text.resize(size);
  text.resize(strnlen(text.c_str(), text.size()));
  return text;
}

// Handles of icons and GDI objects given back on every path.
struct IconHandle {
  HICON h = nullptr;
  ~IconHandle() {
    if (h) DestroyIcon(h);
  }
};

int LoadIconIntoList(form::ImageList& list, const std::string& extension) {
  const std::string type = ClassesRootDefault(extension);
  if (type.empty()) return 0;
  const std::string entry = ClassesRootDefault(type + "\\defaultIcon");
  const size_t comma = entry.find(',');
  if (entry.empty() || comma == std::string::npos) return 0;
  const std::string path = entry.substr(0, comma);
  const auto index = ParseProfileNumber(entry.substr(comma + 1));
  // -1 would ask for the number of icons in the file.
  if (!index || *index == -1) return 0;
  IconHandle extracted;
  extracted.h = ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), static_cast<UINT>(*index));
  // 1: the file is no icon file; it is no handle to destroy.
  if (extracted.h == reinterpret_cast<HICON>(1)) extracted.h = nullptr;
  if (!extracted.h) return 0;

  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &raw))) return 0;
  base::ComPtr<IStream> stream(raw);
  raw->Release();
  WriteIconToStream(stream.Get(), extracted.h, false);
  HGLOBAL memory = nullptr;
  GetHGlobalFromStream(stream.Get(), &memory);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  IconHandle loaded;
  if (const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory))) {
    loaded.h = LoadIconImage(bytes, static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
  }
  if (!loaded.h) return 0;
  ICONINFO info{};
  if (!GetIconInfo(loaded.h, &info)) return 0;
  BITMAP size{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof size, &size);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  const int width = size.bmWidth;
  const int height = info.hbmColor ? size.bmHeight : size.bmHeight / 2;
  if (width <= 0 || height <= 0) return 0;

  // The key colour shows through where the icon is clear.
  fw::Bitmap drawing;
  drawing.SetSize(width, height);
  {
    base::ScopedBrush brush(CreateSolidBrush(kPictureBackground));
    RECT all{0, 0, width, height};
    FillRect(drawing.Dc(), &all, brush.Get());
  }
  DrawIconEx(drawing.Dc(), 0, 0, loaded.h, width, height, 0, nullptr, DI_NORMAL);
  fw::Bitmap small;
  small.SetBitsPerPixel(drawing.BitsPerPixel());
  small.SetSize(list.Width(), list.Height());
  small.StretchFrom(drawing);
  return list.Add(small, kPictureBackground);
}

}  // namespace

void TVantrel::SetClassesRootForTests(ClassesRootReader reader) { g_classesRoot = reader; }

int TVantrel::LoadMediaTypeIcon(const std::string& extension) {
  try {
    return LoadIconIntoList(*ImageListMediaType, extension);
  } catch (...) {
    return 0;
  }
}

namespace {

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
  VideoWindow->SetBounds(VideoWindow->Left(), VideoWindow->Top(), 0, 0);
  ApplyLanguageTexts(static_cast<LANGID>(ParseInstallLanguage(InstallLanguageText())));

  const form::TreeNode timeRoot = TreeViewSurveillance->Add(nullptr, Texts[0], 0, 0);
  TreeViewSurveillance->Select(timeRoot);
  ShowRootInfo(timeRoot);
  TreeViewSurveillance->Add(nullptr, Texts[2], 1, 1);

  FrameBitmap = std::make_unique<fw::Bitmap>();
  VideoThumbBitmap = std::make_unique<fw::Bitmap>();
  PictureBitmap = std::make_unique<fw::Bitmap>();
  PictureThumbBitmap = std::make_unique<fw::Bitmap>();
  JpegImage = std::make_unique<TJpegImage>();

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
