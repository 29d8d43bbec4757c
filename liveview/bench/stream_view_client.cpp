// The live view client as a user runs it, for scripts/bench-stream: N cameras of a camera
// simulator in another process, streamed into real camera windows laid out in a G x G grid
// of a 640 x 480 area, titles on. It prints the frames handed to the windows so far, every
// 100 ms, as "frames <count>", so that a script reading this process's CPU from outside can
// pair the two; it ends when the stop file appears or after the given seconds.
// Usage: stream_view_client FIRST_PORT CAMERAS GRID STOP_FILE [SECONDS]
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "liveview/cameras/camera_table.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/stream/thread_manager.h"
#include "liveview/window/watch_wnd.h"

namespace {

using liveview::CCameraTable;
using liveview::CThreadManager;
using liveview::CWatchWnd;

constexpr int kAreaWidth = 640;
constexpr int kAreaHeight = 480;

constexpr UINT_PTR kReportTimer = 1;

long long g_frames = 0;
const char* g_stopFile = nullptr;
DWORD g_start = 0;
DWORD g_limitMs = 0;

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == liveview::WM_CAM_STATE && l == liveview::kCamStateFrame) ++g_frames;
  if (message == WM_TIMER && w == kReportTimer) {
    std::printf("frames %lld\n", g_frames);
    std::fflush(stdout);
    if (GetTickCount() - g_start >= g_limitMs || FileExists(g_stopFile)) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: stream_view_client FIRST_PORT CAMERAS GRID STOP_FILE [SECONDS]\n");
    return 2;
  }
  const int firstPort = std::atoi(argv[1]);
  const int cameras = std::atoi(argv[2]);
  const int grid = std::atoi(argv[3]);
  g_stopFile = argv[4];
  g_limitMs = argc > 5 ? static_cast<DWORD>(std::atoi(argv[5])) * 1000 : 600000;
  if (cameras < 1 || cameras > 16 || grid < 1 || grid > 4 || cameras > grid * grid) return 2;

  WNDCLASSA wc{};
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "StreamViewClient";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&wc);
  RECT frame{0, 0, kAreaWidth, kAreaHeight};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND parent = CreateWindowExA(0, wc.lpszClassName, "stream view client",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, wc.hInstance, nullptr);
  liveview::SetControlWindow(parent);

  CCameraTable* table = CCameraTable::Instance();
  table->Settings().reconnect = 1;
  static CWatchWnd windows[16];
  const int cellWidth = kAreaWidth / grid;
  const int cellHeight = kAreaHeight / grid;
  for (int i = 0; i < cameras; ++i) {
    windows[i].Create(256 + i, parent, i);
    MoveWindow(windows[i].GetSafeHwnd(), (i % grid) * cellWidth, (i / grid) * cellHeight,
               cellWidth, cellHeight, FALSE);
    const std::string name = "Camera " + std::to_string(i + 1);
    table->Clear(i);
    table->Add(i, "127.0.0.1", firstPort + i, "admin", "admin", name);
    windows[i].BindCamera("127.0.0.1", static_cast<uint16_t>(firstPort + i), "admin", "admin",
                          name, 1);
  }
  CThreadManager* manager = CThreadManager::Instance();
  for (int i = 0; i < cameras; ++i) manager->StartStream(&windows[i], table->CameraText(i));

  // A host's message loop, as the control lives in: it sleeps until a message comes.
  g_start = GetTickCount();
  SetTimer(parent, kReportTimer, 100, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  KillTimer(parent, kReportTimer);
  manager->StopAllStreams();
  CThreadManager::Release();
  CCameraTable::Release();
  liveview::SetControlWindow(nullptr);
  for (auto& w : windows) w.DestroyWindow();
  DestroyWindow(parent);
  std::printf("frames %lld\nended\n", g_frames);
  return 0;
}
