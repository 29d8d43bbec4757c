// Hands camera-like frames to a camera window on the display again and again, as a stream
// worker does, and prints milliseconds per frame for the whole hand-off (decode, copies,
// drawing) next to a bare decode of the same frame.
// Usage: watch_frame_bench [frames]   (default 300)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "liveview/bench/bench_support.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/window/watch_wnd.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  HWND parent = bench::CreateBenchWindow("watch bench", 640, 480);
  for (const int width : {320, 640}) {
    const int height = width * 3 / 4;
    const std::vector<uint8_t> frame = jpegfixture::CameraSceneJpeg(width, height);
    const int length = static_cast<int>(frame.size());

    CJpegDecoder decoder;
    auto start = bench::Clock::now();
    for (int i = 0; i < frames; ++i) decoder.Decode(frame.data(), length);
    const double decodeMs = bench::MsSince(start) / frames;

    liveview::CWatchWnd window;
    window.Create(256, parent, 0);
    window.Move(RECT{0, 0, 640, 480});
    bench::PumpPending();
    int w = 0, h = 0;
    window.OnFrame(frame.data(), length, 1, &w, &h);  // decoder and renderer set up
    start = bench::Clock::now();
    for (int i = 0; i < frames; ++i) window.OnFrame(frame.data(), length, 1, &w, &h);
    const double handOffMs = bench::MsSince(start) / frames;
    bench::PumpPending();
    std::printf("%dx%d (%d-byte frames): OnFrame %.3f ms, bare decode %.3f ms, ratio %.2f\n",
                width, height, length, handOffMs, decodeMs, handOffMs / decodeMs);
  }
  DestroyWindow(parent);
  return 0;
}
