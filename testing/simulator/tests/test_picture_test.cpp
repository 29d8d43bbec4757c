#include "simulator/test_picture.h"

#include <gtest/gtest.h>

#include <string>

#include "jpeg_probe.h"
#include "simulator/jpeg_writer.h"

namespace camsim {
namespace {

std::string Jpeg(const std::string& name, uint32_t frame, int width, int height) {
  const std::vector<uint8_t> bytes = EncodeJpeg(RenderTestPicture(name, frame, width, height), 75);
  return std::string(bytes.begin(), bytes.end());
}

TEST(TestPicture, EncodesToARealJpegOfTheRequestedSize) {
  struct Size {
    int width, height;
  } sizes[] = {{160, 120}, {320, 240}, {640, 480}, {101, 77}, {1, 1}};
  for (const Size& size : sizes) {
    const std::string jpeg = Jpeg("Lobby", 7, size.width, size.height);
    const camsim_test::JpegProbe probe = camsim_test::ProbeJpeg(jpeg);
    EXPECT_TRUE(probe.decoded) << size.width << "x" << size.height;
    EXPECT_EQ(probe.warnings, 0);
    EXPECT_EQ(probe.width, size.width);
    EXPECT_EQ(probe.height, size.height);
    EXPECT_TRUE(camsim_test::EndsWithEoi(jpeg));
  }
}

TEST(TestPicture, MovesFromFrameToFrameAndShowsTheCameraName) {
  const RgbImage first = RenderTestPicture("Lobby", 0, 320, 240);
  const RgbImage next = RenderTestPicture("Lobby", 1, 320, 240);
  const RgbImage again = RenderTestPicture("Lobby", 0, 320, 240);
  const RgbImage other = RenderTestPicture("Garage", 0, 320, 240);
  EXPECT_NE(first.pixels, next.pixels);
  EXPECT_EQ(first.pixels, again.pixels);
  EXPECT_NE(first.pixels, other.pixels);
}

TEST(TestPicture, CaptionMovesDownLeavingBarsAboveIt) {
  // Column 0 is black only inside the caption: the darkest bar is (16, 16, 16), and the
  // sliding box is further right in frame 3.
  const auto blackRows = [](const RgbImage& image) {
    int rows = 0;
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* p = &image.pixels[static_cast<size_t>(y) * image.width * 3];
      rows += p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
    return rows;
  };
  const auto firstBlackRow = [](const RgbImage& image) {
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* p = &image.pixels[static_cast<size_t>(y) * image.width * 3];
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) return y;
    }
    return -1;
  };
  const RgbImage top = RenderTestPicture("Lobby", 3, 320, 240);
  const RgbImage lower = RenderTestPicture("Lobby", 3, 320, 240, 40);
  EXPECT_EQ(firstBlackRow(top), 0);
  EXPECT_EQ(firstBlackRow(lower), 40);
  EXPECT_EQ(blackRows(lower), blackRows(top));  // the whole caption, only lower
  const RgbImage past = RenderTestPicture("Lobby", 3, 320, 240, 10000);
  EXPECT_EQ(firstBlackRow(past), 239);  // kept inside the picture
}

TEST(TestPicture, ClampsSizesOutsideWhatJpegCanCarry) {
  const RgbImage tiny = RenderTestPicture("x", 0, 0, -5);
  EXPECT_EQ(tiny.width, 1);
  EXPECT_EQ(tiny.height, 1);
  const RgbImage wide = RenderTestPicture("x", 0, 100000, 2);
  EXPECT_EQ(wide.width, kMaxPictureSide);
}

}  // namespace
}  // namespace camsim
