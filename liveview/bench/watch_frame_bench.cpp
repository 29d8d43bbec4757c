// Hands camera-like frames to a camera window on the display again and again, as a stream
// worker does, and prints milliseconds per frame for the whole hand-off (decode, copies,
// drawing) next to a bare decode of the same frame.
// Usage: watch_frame_bench [frames]   (default 300)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "jpeg_decoder.h"
#include "jpeg_fixture.h"
#include "watch_wnd.h"

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
  HWND parent = CreateWindowExA(0, "STATIC", "watch bench", WS_POPUP | WS_VISIBLE, 100, 100, 640,
                                480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump();
  for (const int width : {320, 640}) {
    const int height = width * 3 / 4;
    const std::vector<uint8_t> frame = jpegfixture::CameraSceneJpeg(width, height);
    const int length = static_cast<int>(frame.size());

    CJpegDecoder decoder;
    auto start = Clock::now();
    for (int i = 0; i < frames; ++i) decoder.Decode(frame.data(), length);
    const double decodeMs = MsSince(start) / frames;

    liveview::CWatchWnd window;
    window.Create(256, parent, 0);
    window.Move(RECT{0, 0, 640, 480});
    Pump();
    int w = 0, h = 0;
    window.OnFrame(frame.data(), length, 1, &w, &h);  // decoder and renderer set up
    start = Clock::now();
    for (int i = 0; i < frames; ++i) window.OnFrame(frame.data(), length, 1, &w, &h);
    const double handOffMs = MsSince(start) / frames;
    Pump();
    std::printf("%dx%d (%d-byte frames): OnFrame %.3f ms, bare decode %.3f ms, ratio %.2f\n",
                width, height, length, handOffMs, decodeMs, handOffMs / decodeMs);
  }
  DestroyWindow(parent);
  return 0;
}
