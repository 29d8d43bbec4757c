// Records a 640 x 480 camera-like JPEG frame again and again through the slot-level
// recording operations into an AVI file, then stops (index written, rate patched), and
// prints the cost per frame and the write throughput: what a stream worker spends on
// recording inside its slot lock.
// Usage: record_write_bench [frames]   (default 2000)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "liveview/decode/tests/jpeg_fixture.h"
#include "liveview/record/slot_recording.h"

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const std::vector<uint8_t> frame = jpegfixture::CameraSceneJpeg(640, 480);

  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "record_write_bench.avi";

  liveview::SlotRecording slot;
  const auto start = Clock::now();
  if (!liveview::StartRecording(slot, 0, 640, 480, liveview::kFormatMotionJpeg, 0, path.c_str())) {
    std::printf("cannot create %s\n", path.c_str());
    return 1;
  }
  const auto opened = Clock::now();
  for (int i = 0; i < frames; ++i)
    liveview::AddRecordFrame(slot, 0, frame.data(), int(frame.size()), 640, 480);
  const auto written = Clock::now();
  liveview::StopRecording(slot, 0);
  const auto stopped = Clock::now();

  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  const double bytes = double(slot.totalBytes);
  std::printf("frame %zu bytes, %d frames, file grew by %.1f MB\n", frame.size(), frames,
              bytes / 1e6);
  std::printf("open %.2f ms, write %.4f ms per frame (%.0f MB/s), stop %.2f ms\n",
              ms(opened - start), ms(written - opened) / frames,
              bytes / 1e6 / (ms(written - opened) / 1000), ms(stopped - written));
  DeleteFileA(path.c_str());
  return 0;
}
