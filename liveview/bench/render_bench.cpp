// Draws camera-sized pictures into a 640 x 480 window on the display again and again,
// through the renderer's DirectDraw path and through its GDI path, and prints the set-up
// time and milliseconds per frame of each.
// Usage: render_bench [frames]   (default 300)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pixel_copy.h"
#include "video_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  HWND window = CreateWindowExA(0, "STATIC", "render bench", WS_POPUP | WS_VISIBLE, 100, 100,
                                640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump();
  for (const int width : {320, 640}) {
    const int height = width * 3 / 4;
    std::vector<uint8_t> rows(static_cast<size_t>(liveview::PaddedRowBytes(width, 24)) * height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
    for (const bool directDraw : {true, false}) {
      liveview::CVideoRenderer renderer;
      const auto setUp = Clock::now();
      if (directDraw) {
        if (FAILED(renderer.CreateSurfaces(window, width, height))) {
          std::printf("%dx%d DirectDraw: no surfaces\n", width, height);
          continue;
        }
      } else {
        renderer.UseGdiOnly(window);
      }
      const double setUpMs = MsSince(setUp);
      renderer.SetBitCount(24);
      renderer.SetShowTitle(1);
      renderer.SetTitle("bench");
      const auto start = Clock::now();
      for (int i = 0; i < frames; ++i) {
        renderer.DrawFrame(rows.data(), width, height, 1);
        Pump();
      }
      std::printf("%dx%d %-10s set-up %7.1f ms, %6.2f ms per frame (%d-bit surface)\n", width,
                  height, directDraw ? "DirectDraw" : "GDI", setUpMs, MsSince(start) / frames,
                  renderer.SurfaceBitCount());
    }
  }
  DestroyWindow(window);
  return 0;
}
