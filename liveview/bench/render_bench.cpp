// Draws camera-sized pictures into a 640 x 480 window on the display again and again,
// through the renderer's DirectDraw path and through its GDI path, and prints the set-up
// time and milliseconds per frame of each.
// Usage: render_bench [frames]   (default 300)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "liveview/bench/bench_support.h"
#include "liveview/render/pixel_copy.h"
#include "liveview/decode/bmp_image.h"
#include "liveview/render/video_renderer.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  HWND window = bench::CreateBenchWindow("render bench", 640, 480);
  for (const int width : {320, 640}) {
    const int height = width * 3 / 4;
    std::vector<uint8_t> rows(static_cast<size_t>(static_cast<int>(bmp::PaddedRowBytes(width, 24))) * height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
    for (const bool directDraw : {true, false}) {
      liveview::CVideoRenderer renderer;
      const auto setUp = bench::Clock::now();
      if (directDraw) {
        if (FAILED(renderer.CreateSurfaces(window, width, height))) {
          std::printf("%dx%d DirectDraw: no surfaces\n", width, height);
          continue;
        }
      } else {
        renderer.UseGdiOnly(window);
      }
      const double setUpMs = bench::MsSince(setUp);
      renderer.SetBitCount(24);
      renderer.SetShowTitle(1);
      renderer.SetTitle("bench");
      const auto start = bench::Clock::now();
      for (int i = 0; i < frames; ++i) {
        renderer.DrawFrame(rows.data(), width, height, 1);
        bench::PumpPending();
      }
      const double frameMs = bench::MsSince(start) / frames;
      std::printf("%dx%d %-10s set-up %7.1f ms, %6.2f ms per frame (%d-bit surface)\n", width,
                  height, directDraw ? "DirectDraw" : "GDI", setUpMs, frameMs,
                  renderer.SurfaceBitCount());
    }
  }
  DestroyWindow(window);
  return 0;
}
