// The address-setup tool for the demo: starts Orvex.exe (or Setrova_CN.exe) as a user does,
// waits for its dialog and for the cameras that answer its search to fill the list, prints
// the list's rows as it holds them, saves the dialog's pixels, caption and frame included,
// and ends the program with its Exit button. It exits 1, saying what was missing, when no
// dialog showed, too few cameras were listed or the program did not end on Exit.
//
//   tool_capture.exe [--cameras 4] [--wait-seconds 30] [--picture FILE.bmp] PROGRAM.exe
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "framework/ansi_text.h"
#include "setuptool/resource_ids.h"
#include "testing/demo/demo_program.h"
#include "testing/container/dialog_items.h"
#include "testing/container/message_pump.h"
#include "testing/container/window_capture.h"

namespace {

using demo_program::kExitHostFailed;
using demo_program::Number;
using test_container::PumpUntil;

constexpr int kExitMissing = 1;
constexpr DWORD kExitWaitMs = 20000;
constexpr DWORD kAnswerMs = 5000;  // for one message to the program's window
constexpr DWORD kUncoveredWaitMs = 20000;

struct Options {
  int cameras = 4;
  int waitSeconds = 30;
  std::string picture;
  std::string program;
};

const char kUsage[] =
    "usage: tool_capture.exe [--cameras 4] [--wait-seconds 30] [--picture FILE.bmp] PROGRAM.exe\n"
    "Starts the address-setup tool, waits for that many cameras in its list, saves the dialog's\n"
    "pixels and ends the tool with its Exit button.\n";

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      if (!o.program.empty()) {
        error = "one program only";
        return std::nullopt;
      }
      o.program = arg;
      continue;
    }
    if (i + 1 >= argc) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string value = argv[++i];
    if (arg == "--picture") {
      o.picture = value;
    } else if (arg == "--cameras" || arg == "--wait-seconds") {
      const bool cameras = arg == "--cameras";
      const auto n = cameras ? Number(value, 1, 64) : Number(value, 1, 3600);
      if (!n) {
        error = arg + (cameras ? " takes 1 to 64" : " takes 1 to 3600 seconds");
        return std::nullopt;
      }
      (cameras ? o.cameras : o.waitSeconds) = *n;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (o.program.empty()) {
    error = "name the program";
    return std::nullopt;
  }
  return o;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process's visible dialogs: its main one (the one with the camera list) and any
// message box it shows.
struct Found {
  HWND main = nullptr;
  std::vector<HWND> boxes;
};

Found FindDialogs(DWORD process) {
  Found found;
  for (HWND dialog : test_container::ProcessDialogs(process)) {
    if (GetDlgItem(dialog, IDC_CAMERA_LIST)) {
      found.main = dialog;
    } else {
      found.boxes.push_back(dialog);
    }
  }
  return found;
}

// What the message boxes the program shows say: their captions and texts.
std::string BoxTexts(const std::vector<HWND>& boxes) {
  constexpr int kMessageBoxText = 0xFFFF;  // the static control holding a message box's text
  std::string said;
  for (HWND box : boxes) {
    said += (said.empty() ? "" : ", ") + std::string("\"") +
            fw::WideToUtf8(test_container::WindowTextW(box)) + ": " +
            fw::WideToUtf8(test_container::WindowTextW(GetDlgItem(box, kMessageBoxText))) + "\"";
  }
  return said;
}

// Pointers in list-view messages are the receiver's: the texts are read through memory in
// the tool's own process.
class RemoteList {
 public:
  RemoteList(HANDLE process, HWND list)
      : process_(process),
        list_(list),
        memory_(VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteList() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
  }
  RemoteList(const RemoteList&) = delete;
  RemoteList& operator=(const RemoteList&) = delete;

  explicit operator bool() const { return memory_ != nullptr; }

  int Rows() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0).value_or(-1)); }
  int Columns() const {
    const auto header = Send(LVM_GETHEADER, 0, 0);
    if (!header || !*header) return 0;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0,
                             SMTO_ABORTIFHUNG, kAnswerMs, &count))
      return 0;
    return static_cast<int>(count);
  }
  std::wstring Column(int index) const {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = TextAt();
    column.cchTextMax = kTextChars;
    return Read(&column, sizeof column, LVM_GETCOLUMNW, static_cast<WPARAM>(index));
  }
  std::wstring Cell(int row, int column) const {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = TextAt();
    item.cchTextMax = kTextChars;
    return Read(&item, sizeof item, LVM_GETITEMTEXTW, static_cast<WPARAM>(row));
  }

 private:
  static constexpr SIZE_T kSize = 4096;
  static constexpr SIZE_T kTextOffset = 512;
  static constexpr int kTextChars = 256;

  wchar_t* TextAt() const {
    return reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + kTextOffset);
  }
  std::optional<LRESULT> Send(UINT msg, WPARAM w, LPARAM l) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list_, msg, w, l, SMTO_ABORTIFHUNG, kAnswerMs, &result))
      return std::nullopt;
    return static_cast<LRESULT>(result);
  }
  std::wstring Read(const void* request, SIZE_T size, UINT msg, WPARAM w) const {
    const wchar_t none = 0;
    if (!WriteProcessMemory(process_, memory_, request, size, nullptr) ||
        !WriteProcessMemory(process_, TextAt(), &none, sizeof none, nullptr) ||
        !Send(msg, w, reinterpret_cast<LPARAM>(memory_)))
      return L"";
    wchar_t text[kTextChars] = {};
    ReadProcessMemory(process_, TextAt(), text, sizeof text - sizeof(wchar_t), nullptr);
    return text;
  }

  HANDLE process_;
  HWND list_;
  void* memory_;
};

class ToolRun {
 public:
  explicit ToolRun(Options options) : options_(std::move(options)), name_(BaseName(options_.program)) {}
  ~ToolRun() { EndProgram(); }

  int Run();

 private:
  int Missing(const std::string& why) {
    std::printf("tool: %s %s\n", name_.c_str(), why.c_str());
    return kExitMissing;
  }
  int HostFailure(const std::string& why) {
    std::printf("tool: %s\n", why.c_str());
    return kExitHostFailed;
  }
  static std::string Saying(const std::vector<HWND>& boxes) {
    return boxes.empty() ? "" : "; it shows " + BoxTexts(boxes);
  }
  bool Ended() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }
  // Exit, as a user clicks it; true when the program ended with 0 in time.
  bool ClickExit();
  // Whatever failed: the program must not be left holding the discovery ports.
  void EndProgram();
  bool SavePicture(HWND dialog);

  Options options_;
  std::string name_;
  base::ScopedHandle process_;
  DWORD processId_ = 0;
  HWND dialog_ = nullptr;
};

bool ToolRun::ClickExit() {
  PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDCANCEL)));
  if (WaitForSingleObject(process_.Get(), kExitWaitMs) != WAIT_OBJECT_0) return false;
  DWORD code = 1;
  return GetExitCodeProcess(process_.Get(), &code) && code == 0;
}

void ToolRun::EndProgram() {
  if (!process_ || Ended()) return;
  // A thread inside a message box outlives the dialog: the boxes go first.
  const Found found = FindDialogs(processId_);
  for (HWND box : found.boxes) PostMessageW(box, WM_CLOSE, 0, 0);
  if (found.main) {
    PostMessageW(found.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.Get(), kExitWaitMs) == WAIT_OBJECT_0) {
      std::printf("tool: closed %s\n", name_.c_str());
      return;
    }
  }
  std::printf("tool: %s did not close; ending it\n", name_.c_str());
  TerminateProcess(process_.Get(), 255);
  WaitForSingleObject(process_.Get(), 5000);
}

struct CoverSearch {
  HWND dialog;
  RECT area;
  HWND covering;
};

BOOL CALLBACK FindCovering(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<CoverSearch*>(param);
  RECT r{}, overlap{};
  if (window == s->dialog || !IsWindowVisible(window) || IsIconic(window) ||
      !GetWindowRect(window, &r) || !IntersectRect(&overlap, &r, &s->area))
    return TRUE;
  s->covering = window;
  return FALSE;
}

// The first visible top-level window other than `dialog` that overlaps it, whatever its
// place in the order: a window newly shown by another program lies above on the screen.
HWND CoveringWindow(HWND dialog) {
  CoverSearch search{dialog, {}, nullptr};
  GetWindowRect(dialog, &search.area);
  EnumWindows(&FindCovering, reinterpret_cast<LPARAM>(&search));
  return search.covering;
}

std::string Describe(HWND window) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  return std::string(cls) + " \"" + fw::WideToUtf8(test_container::WindowTextW(window)) + "\"";
}

bool ToolRun::SavePicture(HWND dialog) {
  // The pixels are read from the screen, where the suite's other programs, run beside this
  // on the same display, show their windows: the dialog moves to the screen's bottom right
  // corner, out of their usual places, and is taken only while no other window overlaps it.
  RECT r{};
  GetWindowRect(dialog, &r);
  SetWindowPos(dialog, nullptr, GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left),
               GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  std::optional<test_container::Image> image;
  HWND covering = nullptr;
  const DWORD start = GetTickCount();
  do {
    covering = CoveringWindow(dialog);
    if (covering) {
      Sleep(100);
      continue;
    }
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &ignored);
    Sleep(300);
    image = test_container::CaptureWholeWindow(dialog);
    // One that came and went meanwhile may be in the picture.
    covering = CoveringWindow(dialog);
  } while ((covering || !image) && GetTickCount() - start < kUncoveredWaitMs);
  if (covering) {
    std::printf("tool: the dialog stayed covered by %s for %lu s\n", Describe(covering).c_str(),
                kUncoveredWaitMs / 1000);
    return false;
  }
  if (!image || !image->SaveBmp(options_.picture)) return false;
  std::printf("tool: picture of the %d x %d dialog saved to %s\n", image->width, image->height,
              options_.picture.c_str());
  return true;
}

int ToolRun::Run() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::string line = "\"" + options_.program + "\"";
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return HostFailure("cannot start " + options_.program + " (error " +
                       std::to_string(GetLastError()) + ")");
  }
  process_.Reset(started.hProcess);
  CloseHandle(started.hThread);
  processId_ = started.dwProcessId;
  const DWORD waitMs = static_cast<DWORD>(options_.waitSeconds) * 1000;
  const std::string within = " within " + std::to_string(options_.waitSeconds) + " s";

  PumpUntil([&] { return FindDialogs(processId_).main != nullptr || Ended(); }, waitMs);
  const Found found = FindDialogs(processId_);
  if (!found.main) {
    if (Ended()) {
      DWORD code = 0;
      GetExitCodeProcess(process_.Get(), &code);
      return Missing("ended (exit code " + std::to_string(code) + ") without showing its dialog");
    }
    return Missing("showed no dialog" + within + Saying(found.boxes));
  }
  dialog_ = found.main;
  std::printf("tool: %s shows its dialog \"%s\"\n", name_.c_str(),
              fw::WideToUtf8(test_container::WindowTextW(dialog_)).c_str());

  const HWND listWindow = GetDlgItem(dialog_, IDC_CAMERA_LIST);
  RemoteList list(process_.Get(), listWindow);
  if (!listWindow || !list) return Missing("shows no camera list");
  const DWORD listStart = GetTickCount();
  PumpUntil([&] { return list.Rows() >= options_.cameras || Ended(); }, waitMs);
  const int rows = list.Rows();
  if (Ended()) return Missing("ended while its list filled");
  if (rows < options_.cameras) {
    const std::string saying = Saying(FindDialogs(processId_).boxes);
    if (rows <= 0) {
      return Missing("listed no camera" + within +
                     (saying.empty() ? " (nothing answered on UDP 13000)" : saying));
    }
    return Missing("listed " + std::to_string(rows) + " of " + std::to_string(options_.cameras) +
                   " cameras" + within + saying);
  }
  std::printf("tool: %d cameras listed %.1f s after the dialog showed\n", rows,
              (GetTickCount() - listStart) / 1000.0);
  const int columns = list.Columns();
  std::wstring titles;
  for (int c = 0; c < columns; ++c) titles += (c ? L" | " : L"") + list.Column(c);
  std::printf("tool: columns: %s\n", fw::WideToUtf8(titles).c_str());
  for (int r = 0; r < rows; ++r) {
    std::wstring cells;
    for (int c = 0; c < columns; ++c) cells += (c ? L" | " : L"") + list.Cell(r, c);
    std::printf("tool: row %d: %s\n", r + 1, fw::WideToUtf8(cells).c_str());
  }

  if (!options_.picture.empty() && !SavePicture(dialog_))
    return HostFailure("cannot save the picture to " + options_.picture);
  if (!ClickExit()) return Missing("did not end with 0 on Exit");
  std::printf("tool: %s ended on Exit\n", name_.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return demo_program::Main(argc, argv, "tool_capture", "tool", kUsage, ParseOptions,
                            [](const Options& options) { return ToolRun(options).Run(); });
}
