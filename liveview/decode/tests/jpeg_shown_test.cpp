// Frames decoded at the size a window shows them: which scale a window gets, the picture's
// size read from its header without decoding, and the reduced rows in the surface's format,
// upright and in the right colours, against the full decode of the same frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/jpeg_shown.h"
#include "liveview/decode/tests/jpeg_fixture.h"

namespace liveview {
namespace {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  uint8_t r, g, b;
};
// Four quadrants that no channel swap or flip leaves alike.
constexpr Rgb kQuadrants[2][2] = {{{220, 30, 30}, {30, 200, 40}}, {{40, 40, 210}, {240, 240, 240}}};

Bytes QuadrantJpeg(int width, int height) {
  jpegfixture::Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixel = [width, height](int x, int y, uint8_t* p) {
    const Rgb& c = kQuadrants[y * 2 / height][x * 2 / width];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  };
  return jpegfixture::MakeJpeg(picture);
}

ShownResult Shown(CJpegDecoder& decoder, const Bytes& frame, int boxWidth, int boxHeight,
                  int bitCount, ShownPicture* picture) {
  return decoder.DecodeShown(frame.data(), static_cast<int>(frame.size()), boxWidth, boxHeight,
                             bitCount, picture);
}

TEST(ShownScale, QuarterOrHalfOnlyWhenTheBoxIsThatSmallBothWays) {
  struct Case {
    int fullWidth, fullHeight, boxWidth, boxHeight, denom;
  };
  const Case cases[] = {
      {640, 480, 160, 120, 4},  // the 4 x 4 grid of a 640 x 480 control
      {640, 480, 159, 119, 4},  {640, 480, 161, 120, 2}, {640, 480, 320, 240, 2},
      {640, 480, 321, 240, 1},  {640, 480, 640, 480, 1}, {640, 480, 160, 240, 2},
      {640, 480, 160, 241, 1},  {320, 240, 160, 120, 2}, {320, 240, 80, 60, 4},
      {320, 240, 0, 0, 1},  // a window not laid out yet
      {320, 240, 400, 0, 1},    {0, 0, 10, 10, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownScaleDenom(c.fullWidth, c.fullHeight, c.boxWidth, c.boxHeight), c.denom)
        << c.fullWidth << "x" << c.fullHeight << " in " << c.boxWidth << "x" << c.boxHeight;
  }
}

TEST(ShownScale, PictureSizeIsReadFromTheFrameHeaderAlone) {
  for (const auto& size : {std::pair<int, int>{640, 480}, {320, 240}, {161, 7}, {1, 1}}) {
    const Bytes frame = jpegfixture::SolidJpeg(size.first, size.second, 10, 20, 30);
    int width = 0, height = 0;
    ASSERT_TRUE(PeekJpegSize(frame.data(), static_cast<int>(frame.size()), &width, &height));
    EXPECT_EQ(width, size.first);
    EXPECT_EQ(height, size.second);
  }
  // Behind a large application marker, and in a progressive frame (another frame header).
  jpegfixture::Options options;
  options.appMarkerBytes = 60000;
  options.progressive = true;
  jpegfixture::Picture picture{320, 240, 3, JCS_RGB, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 9; }};
  const Bytes marked = jpegfixture::MakeJpeg(picture, options);
  int width = 0, height = 0;
  ASSERT_TRUE(PeekJpegSize(marked.data(), static_cast<int>(marked.size()), &width, &height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);

  const Bytes frame = jpegfixture::SolidJpeg(64, 48, 0, 0, 0);
  for (size_t cut : {size_t{0}, size_t{3}, size_t{20}}) {
    EXPECT_FALSE(PeekJpegSize(frame.data(), static_cast<int>(cut), &width, &height)) << cut;
  }
  const Bytes notJpeg = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(PeekJpegSize(notJpeg.data(), static_cast<int>(notJpeg.size()), &width, &height));
  EXPECT_FALSE(PeekJpegSize(nullptr, 100, &width, &height));
}

TEST(ShownDecode, ReducedRowsAreTheFullPictureSmallerInTheSurfaceFormat) {
  const Bytes frame = QuadrantJpeg(640, 480);
  struct Case {
    int boxWidth, boxHeight, bitCount, width, height;
  };
  for (const Case& c : {Case{160, 120, 32, 160, 120}, Case{320, 240, 32, 320, 240},
                        Case{160, 120, 24, 160, 120}, Case{300, 200, 24, 320, 240}}) {
    SCOPED_TRACE(::testing::Message() << c.boxWidth << "x" << c.boxHeight << ", " << c.bitCount
                                      << " bits");
    CJpegDecoder decoder;
    ShownPicture shown;
    ASSERT_EQ(Shown(decoder, frame, c.boxWidth, c.boxHeight, c.bitCount, &shown), kShownDecoded);
    EXPECT_EQ(shown.fullWidth, 640);
    EXPECT_EQ(shown.fullHeight, 480);
    EXPECT_EQ(shown.width, c.width);
    EXPECT_EQ(shown.height, c.height);
    EXPECT_EQ(shown.bitCount, c.bitCount);
    EXPECT_EQ(shown.pitch, bmp::PaddedRowBytes(c.width, c.bitCount));
    // Top row first, blue-green-red: the middle of each quadrant holds its colour.
    const int step = c.bitCount / 8;
    for (int qy = 0; qy < 2; ++qy) {
      for (int qx = 0; qx < 2; ++qx) {
        const int x = c.width / 4 + qx * c.width / 2;
        const int y = c.height / 4 + qy * c.height / 2;
        const uint8_t* p = shown.rows + y * shown.pitch + x * step;
        const Rgb& want = kQuadrants[qy][qx];
        EXPECT_LE(std::abs(p[0] - want.b), 12) << "quadrant " << qx << "," << qy;
        EXPECT_LE(std::abs(p[1] - want.g), 12) << "quadrant " << qx << "," << qy;
        EXPECT_LE(std::abs(p[2] - want.r), 12) << "quadrant " << qx << "," << qy;
      }
    }
    // The full decode the window hands out is untouched by a reduced one after it.
    ASSERT_EQ(decoder.Decode(frame.data(), static_cast<int>(frame.size())), 1);
    const Bytes full(decoder.GetBits(), decoder.GetBits() + bmp::RowWidth(640) * 480);
    ASSERT_EQ(Shown(decoder, frame, c.boxWidth, c.boxHeight, c.bitCount, &shown), kShownDecoded);
    EXPECT_EQ(Bytes(decoder.GetBits(), decoder.GetBits() + full.size()), full);
  }
}

TEST(ShownDecode, LargeWindowsDamagedFramesAndOtherInput) {
  CJpegDecoder decoder;
  ShownPicture shown;
  const Bytes frame = QuadrantJpeg(640, 480);
  EXPECT_EQ(Shown(decoder, frame, 400, 300, 32, &shown), kShownFullSize);
  EXPECT_EQ(Shown(decoder, frame, 0, 0, 32, &shown), kShownFullSize);

  // A frame cut in its entropy data is not shown, as the full decode reports it damaged.
  const Bytes noisy = jpegfixture::NoiseJpeg(640, 480, 7);
  const Bytes cut(noisy.begin(), noisy.begin() + noisy.size() / 2);
  EXPECT_EQ(Shown(decoder, cut, 160, 120, 32, &shown), kShownFailed);
  EXPECT_EQ(Shown(decoder, Bytes{1, 2, 3}, 160, 120, 32, &shown), kShownFailed);
  EXPECT_EQ(Shown(decoder, frame, 160, 120, 16, &shown), kShownFailed);

  // A greyscale frame comes out grey in every channel.
  jpegfixture::Picture grey{320, 240, 1, JCS_GRAYSCALE, [](int, int, uint8_t* p) { p[0] = 100; }};
  const Bytes greyFrame = jpegfixture::MakeJpeg(grey);
  ASSERT_EQ(Shown(decoder, greyFrame, 80, 60, 32, &shown), kShownDecoded);
  EXPECT_EQ(shown.width, 80);
  const uint8_t* p = shown.rows + 30 * shown.pitch + 40 * 4;
  EXPECT_NEAR(p[0], 100, 3);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
}

}  // namespace
}  // namespace liveview
