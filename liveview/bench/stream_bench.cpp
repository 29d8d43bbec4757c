// N simulated cameras (640 x 480, 25 fps) streamed into real camera windows for a while:
// frames delivered per second, frames lost against frames the cameras sent, and the
// process's CPU seconds per delivered frame. The cameras run in this process; the cost of
// rendering and encoding their pictures is measured apart and shown, so the client's own
// share can be read off.
// Usage: stream_bench [seconds] [camera counts...]   (default 20, then 1 4 16)
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "liveview/cameras/camera_table.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/stream/thread_manager.h"
#include "liveview/window/watch_wnd.h"
#include "simulator/http_camera.h"
#include "simulator/jpeg_writer.h"
#include "simulator/test_picture.h"

namespace {

using liveview::CCameraTable;
using liveview::CThreadManager;
using liveview::CWatchWnd;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFps = 25;

long long g_framesDelivered = 0;
long long g_connecting = 0;

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == liveview::WM_CAM_STATE && l == liveview::kCamStateFrame) ++g_framesDelivered;
  if (message == liveview::WM_CAM_STATE && l == liveview::kCamStateConnecting) ++g_connecting;
  return DefWindowProcA(window, message, w, l);
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// CPU seconds the simulator spends on one picture (render and encode).
double SimulatorCpuPerFrame() {
  const int frames = 50;
  const double before = ProcessCpuSeconds();
  size_t bytes = 0;
  for (int i = 0; i < frames; ++i) {
    bytes += camsim::EncodeJpeg(camsim::RenderTestPicture("Bench", i, kWidth, kHeight), 75).size();
  }
  const double spent = ProcessCpuSeconds() - before;
  std::printf("simulator picture: %.1f KiB, %.2f ms CPU to render and encode\n",
              bytes / 1024.0 / frames, spent * 1000 / frames);
  return spent / frames;
}

void Run(int cameraCount, int seconds, CWatchWnd* windows, double simulatorCost) {
  CCameraTable* table = CCameraTable::Instance();
  table->Settings().reconnect = 1;
  std::vector<std::unique_ptr<camsim::HttpCamera>> cameras;
  for (int i = 0; i < cameraCount; ++i) {
    camsim::CameraConfig config;
    config.name = "Bench " + std::to_string(i);
    config.width = kWidth;
    config.height = kHeight;
    config.fps = kFps;
    cameras.push_back(std::make_unique<camsim::HttpCamera>(config));
    cameras.back()->Start();
    table->Clear(i);
    table->Add(i, "127.0.0.1", cameras.back()->Port(), "admin", "admin", config.name);
  }
  CThreadManager* manager = CThreadManager::Instance();
  for (int i = 0; i < cameraCount; ++i) manager->StartStream(&windows[i], table->CameraText(i));
  const long long deliveredAtStart = g_framesDelivered;
  const long long connectingAtStart = g_connecting;
  Pump(2000);  // connections up, first frames through

  const long long deliveredBefore = g_framesDelivered;
  const double cpuBefore = ProcessCpuSeconds();
  const DWORD start = GetTickCount();
  Pump(seconds * 1000);
  const double elapsed = (GetTickCount() - start) / 1000.0;
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const long long delivered = g_framesDelivered - deliveredBefore;
  manager->StopAllStreams();
  unsigned long long sent = 0;
  size_t connections = 0;
  for (auto& camera : cameras) {
    sent += camera->Log().FramesSent();
    connections += camera->Log().Connections().size();
  }
  cameras.clear();
  // Frames the workers handed off but whose messages were still queued count as delivered.
  Pump(500);
  // Lost frames over the whole run, warm-up included: a frame the camera queued before the
  // measured time may be delivered within it.
  const long long deliveredInAll = g_framesDelivered - deliveredAtStart;

  const double perFrame = delivered > 0 ? cpu / delivered : 0;
  std::printf(
      "%2d cameras: %7.1f frames/s delivered (%5.1f per camera, %d offered); whole run: sent "
      "%llu, delivered %lld, lost %lld (%.1f%%); CPU %.2f s in %.1f s = %.2f ms/frame "
      "(simulator about %.2f, client about %.2f)\n",
      cameraCount, delivered / elapsed, delivered / elapsed / cameraCount, kFps, sent,
      deliveredInAll, static_cast<long long>(sent) - deliveredInAll,
      sent ? 100.0 * (static_cast<long long>(sent) - deliveredInAll) / sent : 0.0, cpu, elapsed,
      perFrame * 1000, simulatorCost * 1000, (perFrame - simulatorCost) * 1000);
  std::printf("    connection attempts %lld, connections the cameras accepted %zu\n",
              g_connecting - connectingAtStart, connections);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  std::vector<int> counts;
  for (int i = 2; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {1, 4, 16};

  WNDCLASSA wc{};
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "StreamBenchControl";
  RegisterClassA(&wc);
  HWND parent = CreateWindowExA(0, "StreamBenchControl", "stream bench",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1300, 1000, nullptr,
                                nullptr, wc.hInstance, nullptr);
  liveview::SetControlWindow(parent);
  CWatchWnd windows[16];
  for (int i = 0; i < 16; ++i) {
    windows[i].Create(256 + i, parent, i);
    // A 4 x 4 grid of quarter-size windows, as the control lays them out.
    MoveWindow(windows[i].GetSafeHwnd(), (i % 4) * 320, (i / 4) * 240, 320, 240, FALSE);
  }

  const double simulatorCost = SimulatorCpuPerFrame();
  for (int count : counts) {
    if (count < 1 || count > 16) continue;
    Run(count, seconds, windows, simulatorCost);
  }
  CThreadManager::Release();
  CCameraTable::Release();
  liveview::SetControlWindow(nullptr);
  for (auto& w : windows) w.DestroyWindow();
  DestroyWindow(parent);
  return 0;
}
