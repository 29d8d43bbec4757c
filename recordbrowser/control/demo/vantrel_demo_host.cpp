// The record browser's demo host: the registered control in Wine's ATL container window, as
// a host program embeds it, handed media files (a recording and a snapshot of the live view
// demo), with a picture of the window once their thumbnails are shown.
//
//   vantrel_demo_host.exe --picture FILE.bmp [--wait SECONDS] MEDIA...
//
// The control keeps its catalogue beside this program: it is emptied first, so every run
// shows just the files it was given. Exit codes: 0 done, 2 usage, 3 no ATL container or no
// control, 4 a record was refused, 5 the picture could not be written.
#include <windows.h>

#include <commctrl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "testing/container/atl_host.h"
#include "testing/container/child_process.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"

namespace {

constexpr char kProgId[] = "VantrelProj.Vantrel";
constexpr int kWidth = 760;
constexpr int kHeight = 520;
// Videos are rendered one after another through the filter graph.
constexpr DWORD kDefaultWaitSeconds = 60;

const char kUsage[] =
    "usage: vantrel_demo_host.exe --picture FILE.bmp [--wait SECONDS] MEDIA...\n";

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The thumbnail the control makes for `media`: its name with ".BMP" in Thumb\.
std::string ThumbnailOf(const std::string& folder, const std::string& media) {
  std::string name = BaseName(media);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return folder + "Thumb\\" + name + ".BMP";
}

bool Exists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void EmptyCatalogue(const std::string& folder) {
  const std::string ini = folder + "Records.ini";
  DeleteFileA(ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "Thumb\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileA((folder + "Thumb\\" + found.cFileName).c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

double Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  double when = 0;
  SystemTimeToVariantTime(&now, &when);
  return when;
}

struct ChildSearch {
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM l) {
  auto* s = reinterpret_cast<ChildSearch*>(l);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, s->className) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

HWND FindChild(HWND root, const char* className) {
  ChildSearch s{className, nullptr};
  EnumChildWindows(root, MatchChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

int Run(const std::string& picture, DWORD waitMs, const std::vector<std::string>& media) {
  const std::string folder = test_container::ExecutableFolder();
  EmptyCatalogue(folder);
  auto getControl = test_container::AtlAxWinReady();
  if (!getControl) {
    std::fprintf(stderr, "vantrel_demo_host: Wine's atl.dll offers no AtlAxWin\n");
    return 3;
  }
  RECT outer{0, 0, kWidth, kHeight};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
  HWND frame = CreateWindowExA(0, "STATIC", "Vantrel demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                               20, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND axis = CreateWindowExA(0, "AtlAxWin", kProgId, WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight,
                              frame, nullptr, GetModuleHandleA(nullptr), nullptr);
  base::ComPtr<IUnknown> control;
  if (!axis || FAILED(getControl(axis, control.Receive())) || !control) {
    std::fprintf(stderr, "vantrel_demo_host: %s did not start (is it registered?)\n", kProgId);
    DestroyWindow(frame);
    return 3;
  }
  base::ComPtr<IDispatch> dispatch = control.As<IDispatch>();
  int status = 0;
  for (const std::string& file : media) {
    test_container::CallArgs args;
    args.Text(file).Text("Demo").Text("Camera 1").Double(Now()).Double(Now());
    const auto r = test_container::CallByName(dispatch.Get(), "AddSurveillanceRecord", args);
    if (r.hr != S_OK) {
      std::fprintf(stderr, "vantrel_demo_host: %s was refused (0x%08lX)\n", file.c_str(),
                   static_cast<unsigned long>(r.hr));
      status = 4;
    } else {
      std::printf("vantrel_demo: handed %s\n", file.c_str());
    }
  }
  const DWORD start = GetTickCount();
  const bool thumbnails = test_container::PumpUntil(
      [&] {
        for (const std::string& file : media) {
          if (!Exists(ThumbnailOf(folder, file))) return false;
        }
        return true;
      },
      waitMs);
  if (thumbnails) {
    std::printf("vantrel_demo: %zu thumbnail(s) made in %lu ms\n", media.size(),
                static_cast<unsigned long>(GetTickCount() - start));
  } else {
    std::printf("vantrel_demo: note: not every thumbnail was made within %lu s\n",
                static_cast<unsigned long>(waitMs / 1000));
  }
  // The first date group: its records show in the list.
  if (HWND tree = FindChild(axis, WC_TREEVIEWA)) {
    auto root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (auto group = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, root)) {
      SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, group);
    }
  }
  test_container::PumpFor(500);
  const auto image = test_container::CaptureWindow(axis);
  if (!image || !image->SaveBmp(picture)) {
    std::fprintf(stderr, "vantrel_demo_host: the picture %s could not be written\n",
                 picture.c_str());
    status = status ? status : 5;
  } else {
    std::printf("vantrel_demo: picture %s (%d x %d)\n", picture.c_str(), image->width,
                image->height);
  }
  dispatch.Reset();
  control.Reset();
  DestroyWindow(frame);
  test_container::PumpFor(50);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string picture;
  DWORD waitSeconds = kDefaultWaitSeconds;
  std::vector<std::string> media;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--picture" && i + 1 < argc) {
      picture = argv[++i];
    } else if (arg == "--wait" && i + 1 < argc) {
      waitSeconds = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg.rfind("--", 0) == 0) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      media.push_back(arg);
    }
  }
  if (picture.empty() || media.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (FAILED(OleInitialize(nullptr))) return 3;
  const int status = Run(picture, waitSeconds * 1000, media);
  OleUninitialize();
  return status;
}
