// How long one simulated frame takes to draw and to compress, per picture size: the ceiling
// on the frame rate a camera (and a test machine) can keep up.
#include <chrono>
#include <cstdio>

#include "simulator/jpeg_writer.h"
#include "simulator/test_picture.h"

int main() {
  struct Size {
    int width, height;
  };
  const Size sizes[] = {{160, 120}, {320, 240}, {640, 480}};
  constexpr int kFrames = 30;
  std::printf("%-9s %10s %12s %10s\n", "size", "draw ms", "compress ms", "bytes");
  for (const Size& size : sizes) {
    using Clock = std::chrono::steady_clock;
    Clock::duration draw{}, compress{};
    size_t bytes = 0;
    for (uint32_t frame = 0; frame < kFrames; ++frame) {
      const auto t0 = Clock::now();
      const camsim::RgbImage image = camsim::RenderTestPicture("Bench", frame, size.width, size.height);
      const auto t1 = Clock::now();
      bytes += camsim::EncodeJpeg(image, 75).size();
      const auto t2 = Clock::now();
      draw += t1 - t0;
      compress += t2 - t1;
    }
    const auto ms = [](Clock::duration d) {
      return std::chrono::duration<double, std::milli>(d).count() / kFrames;
    };
    char label[16];
    std::snprintf(label, sizeof label, "%dx%d", size.width, size.height);
    std::printf("%-9s %10.2f %12.2f %10zu\n", label, ms(draw), ms(compress), bytes / kFrames);
  }
  return 0;
}
