#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/tests/jpeg_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using jpegfixture::MakeJpeg;

int Decode(CJpegDecoder& decoder, const Bytes& frame) {
  return decoder.Decode(frame.data(), static_cast<int>(frame.size()));
}

const uint8_t* ImageOf(CJpegDecoder& decoder) {
  return decoder.GetInfoHeader() - bmp::kFileHeaderSize;
}

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The image as a copy, so later frames cannot change what a test compares.
Bytes CopyImage(CJpegDecoder& decoder) {
  const uint8_t* image = ImageOf(decoder);
  return Bytes(image, image + Le32(image + 2));
}

// JPEG is lossy; solid areas aligned to whole blocks come back within a few levels.
constexpr int kTolerance = 8;

void ExpectNear(const uint8_t* bgr, int red, int green, int blue, const char* where) {
  EXPECT_NEAR(bgr[0], blue, kTolerance) << where;
  EXPECT_NEAR(bgr[1], green, kTolerance) << where;
  EXPECT_NEAR(bgr[2], red, kTolerance) << where;
}

// Bands of 16 rows, each with its own red and blue, so a misplaced row or swapped channels
// show.
int BandLevel(int y) { return 16 + 14 * (y / 16); }

TEST(JpegDecoder, Decodes320x240IntoBottomUpBgrImage) {
  const Bytes frame = MakeJpeg({320, 240, 3, JCS_RGB, [](int, int y, uint8_t* p) {
                                  p[0] = static_cast<uint8_t>(BandLevel(y));
                                  p[1] = 128;
                                  p[2] = static_cast<uint8_t>(255 - BandLevel(y));
                                }});
  CJpegDecoder decoder;
  EXPECT_EQ(decoder.CanDecode(frame.data(), static_cast<int>(frame.size())), 1);
  ASSERT_EQ(Decode(decoder, frame), 1);

  const uint8_t* image = ImageOf(decoder);
  const uint8_t expectedHeaders[bmp::kPixelOffset] = {
      'B', 'M', 0x36, 0x84, 0x03, 0x00, 0, 0, 0, 0, 54, 0, 0, 0,  // 230,454 bytes, pixels at 54
      40, 0, 0, 0, 0x40, 0x01, 0, 0, 0xF0, 0, 0, 0,                // 40, 320, 240
      1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,                         // planes, bits, BI_RGB, size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};             // resolutions, colours
  EXPECT_EQ(Bytes(image, image + bmp::kPixelOffset),
            Bytes(expectedHeaders, expectedHeaders + bmp::kPixelOffset));
  EXPECT_EQ(decoder.GetWidth(), 320);
  EXPECT_EQ(decoder.GetHeight(), 240);
  EXPECT_EQ(decoder.GetBitCount(), 24);
  EXPECT_EQ(decoder.IsBottomUp(), 1);
  EXPECT_EQ(decoder.IsKeyFrame(), 1);
  EXPECT_EQ(decoder.GetBits(), image + 54);

  const int rowWidth = 960;
  for (int stored = 0; stored < 240; ++stored) {
    const int y = 239 - stored;  // the first stored row is the picture's bottom row
    for (int x : {0, 159, 319}) {
      const std::string where = "row " + std::to_string(y) + " x " + std::to_string(x);
      ExpectNear(decoder.GetBits() + stored * rowWidth + x * 3, BandLevel(y), 128,
                 255 - BandLevel(y), where.c_str());
    }
  }
}

TEST(JpegDecoder, OddWidthRowsEndInZeroPadBytes) {
  CJpegDecoder decoder;
  // A white picture first, so no pad byte can be zero by leftover.
  ASSERT_EQ(Decode(decoder, jpegfixture::SolidJpeg(320, 240, 255, 255, 255)), 1);
  ASSERT_EQ(Decode(decoder, jpegfixture::SolidJpeg(161, 120, 250, 250, 250)), 1);

  const uint8_t* image = ImageOf(decoder);
  EXPECT_EQ(Le32(image + 2), 54u + 484u * 120u);
  EXPECT_EQ(decoder.GetWidth(), 161);
  for (int row = 0; row < 120; ++row) {
    const uint8_t* stored = decoder.GetBits() + row * 484;
    EXPECT_EQ(stored[483], 0) << "row " << row;
    ExpectNear(stored + 160 * 3, 250, 250, 250, "last pixel");
  }
}

TEST(JpegDecoder, CutOffFrameIsDecodedWholeButReportedAsDamaged) {
  const Bytes frame = jpegfixture::NoiseJpeg(320, 240, 7);
  ASSERT_GT(frame.size(), 3u * 4096u);  // the cut lies several refills in
  CJpegDecoder whole, cut;
  ASSERT_EQ(Decode(whole, frame), 1);
  const Bytes wholeImage = CopyImage(whole);

  const Bytes firstHalf(frame.begin(), frame.begin() + frame.size() / 2);
  EXPECT_EQ(Decode(cut, firstHalf), 0);
  const Bytes cutImage = CopyImage(cut);
  ASSERT_EQ(cutImage.size(), wholeImage.size());
  EXPECT_TRUE(std::equal(cutImage.begin(), cutImage.begin() + 54, wholeImage.begin()))
      << "headers are written for a damaged frame too";
  // The picture's top row, stored last, came before the cut; the bottom row did not.
  const size_t topRow = 54 + 239 * 960;
  EXPECT_TRUE(std::equal(cutImage.begin() + topRow, cutImage.end(), wholeImage.begin() + topRow));
  EXPECT_FALSE(std::equal(cutImage.begin() + 54, cutImage.begin() + 54 + 960,
                          wholeImage.begin() + 54));

  // All the picture's data but not its end-of-image marker: only the source can notice.
  const Bytes noEndMarker(frame.begin(), frame.end() - 2);
  EXPECT_EQ(Decode(cut, noEndMarker), 0);
  EXPECT_EQ(CopyImage(cut), wholeImage);
}

TEST(JpegDecoder, NullOrEmptyFrameIsRefusedAndLeavesTheImage) {
  CJpegDecoder decoder;
  const Bytes frame = jpegfixture::SolidJpeg(160, 120, 10, 200, 30);
  ASSERT_EQ(Decode(decoder, frame), 1);
  const Bytes before = CopyImage(decoder);

  EXPECT_EQ(decoder.Decode(nullptr, static_cast<int>(frame.size())), 0);
  EXPECT_EQ(decoder.Decode(frame.data(), 0), 0);
  EXPECT_EQ(decoder.Decode(frame.data(), -1), 0);
  EXPECT_EQ(CopyImage(decoder), before);
}

TEST(JpegDecoder, SizeIsZeroUntilAFrameHasBeenDecoded) {
  CJpegDecoder decoder;
  EXPECT_EQ(decoder.GetWidth(), 0);
  EXPECT_EQ(decoder.GetHeight(), 0);
  const Bytes garbage(100, 0x55);
  EXPECT_EQ(Decode(decoder, garbage), 0);
  ASSERT_NE(decoder.GetInfoHeader(), nullptr);
  EXPECT_EQ(decoder.GetWidth(), 0);
  EXPECT_EQ(decoder.GetHeight(), 0);
}

TEST(JpegDecoder, ResolutionComesOnlyFromDotsPerCentimetre) {
  struct Case {
    int unit, xDensity, yDensity;
    uint32_t xResolution, yResolution;
  };
  const Case cases[] = {
      {2, 28, 28, 2800, 2800}, {2, 30, 45, 3000, 4500}, {1, 72, 72, 0, 0}, {0, 1, 1, 0, 0}};
  CJpegDecoder decoder;
  for (const auto& c : cases) {
    jpegfixture::Options options;
    options.densityUnit = c.unit;
    options.xDensity = c.xDensity;
    options.yDensity = c.yDensity;
    const Bytes frame = MakeJpeg(
        {32, 32, 3, JCS_RGB, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 90; }}, options);
    ASSERT_EQ(Decode(decoder, frame), 1) << "unit " << c.unit;
    const uint8_t* image = ImageOf(decoder);
    EXPECT_EQ(Le32(image + 38), c.xResolution) << "unit " << c.unit;
    EXPECT_EQ(Le32(image + 42), c.yResolution) << "unit " << c.unit;
  }
}

TEST(JpegDecoder, GreyscaleFrameBecomes24BitGreyPixels) {
  const Bytes frame = MakeJpeg({64, 48, 1, JCS_GRAYSCALE, [](int, int y, uint8_t* p) {
                                  *p = static_cast<uint8_t>(BandLevel(y) * 4);
                                }});
  CJpegDecoder decoder;
  // A colour frame of another size first: the grey one must lay out rows of its own.
  ASSERT_EQ(Decode(decoder, jpegfixture::SolidJpeg(80, 60, 255, 0, 0)), 1);
  ASSERT_EQ(Decode(decoder, frame), 1);
  ASSERT_NE(decoder.GetInfoHeader(), nullptr);  // the getters read the header it hands out
  EXPECT_EQ(decoder.GetBitCount(), 24);
  EXPECT_EQ(decoder.GetWidth(), 64);
  EXPECT_EQ(Le32(ImageOf(decoder) + 2), 54u + 192u * 48u);
  for (int stored = 0; stored < 48; ++stored) {
    const uint8_t* row = decoder.GetBits() + stored * 192;
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(row[x * 3], row[x * 3 + 1]);
      ASSERT_EQ(row[x * 3], row[x * 3 + 2]);
    }
    const int level = BandLevel(47 - stored) * 4;
    ExpectNear(row, level, level, level, "grey row");
  }
}

TEST(JpegDecoder, FrameLongerThanTheInputBufferIsRefused) {
  // Bytes after the end-of-image marker are never read, so padding keeps a frame valid.
  Bytes frame = jpegfixture::SolidJpeg(160, 120, 1, 2, 3);
  CJpegDecoder decoder;
  frame.resize(CJpegDecoder::kMaxFrameLength, 0);
  EXPECT_EQ(Decode(decoder, frame), 1);
  frame.push_back(0);
  EXPECT_EQ(Decode(decoder, frame), 0);
}

// Sets the picture size in the frame's start-of-frame segment.
Bytes WithForgedSize(Bytes frame, int width, int height) {
  for (size_t i = 0; i + 9 < frame.size(); ++i) {
    if (frame[i] == 0xFF && frame[i + 1] == 0xC0) {
      frame[i + 5] = static_cast<uint8_t>(height >> 8);
      frame[i + 6] = static_cast<uint8_t>(height);
      frame[i + 7] = static_cast<uint8_t>(width >> 8);
      frame[i + 8] = static_cast<uint8_t>(width);
      return frame;
    }
  }
  ADD_FAILURE() << "no start-of-frame segment";
  return frame;
}

TEST(JpegDecoder, PictureTooLargeForTheImageIsRefusedBeforeAnyRow) {
  CJpegDecoder decoder;
  ASSERT_EQ(Decode(decoder, jpegfixture::SolidJpeg(1024, 682, 40, 50, 60)), 1);  // just fits
  const Bytes before = CopyImage(decoder);
  EXPECT_EQ(Decode(decoder, jpegfixture::SolidJpeg(1024, 683, 200, 200, 200)), 0);
  const Bytes small = jpegfixture::SolidJpeg(64, 64, 200, 200, 200);
  EXPECT_EQ(Decode(decoder, WithForgedSize(small, 65000, 65000)), 0);
  EXPECT_EQ(Decode(decoder, WithForgedSize(small, 65000, 11)), 0);
  EXPECT_EQ(CopyImage(decoder), before);

  // Width alone is no reason to refuse: this one fits, and is decoded (its data is short,
  // hence the warning).
  EXPECT_EQ(Decode(decoder, WithForgedSize(small, 2000, 1)), 0);
  EXPECT_EQ(decoder.GetWidth(), 2000);
}

TEST(JpegDecoder, UnsupportedColourSpaceIsRefused) {
  const Bytes cmyk = MakeJpeg({32, 32, 4, JCS_CMYK, [](int, int, uint8_t* p) {
                                 p[0] = 10;
                                 p[1] = 20;
                                 p[2] = 30;
                                 p[3] = 40;
                               }});
  ASSERT_FALSE(cmyk.empty());
  CJpegDecoder decoder;
  EXPECT_EQ(Decode(decoder, cmyk), 0);
}

TEST(JpegDecoder, LargeMarkerIsSkippedAcrossRefills) {
  jpegfixture::Options options;
  options.appMarkerBytes = 65533;
  const Bytes frame = MakeJpeg(
      {48, 32, 3, JCS_RGB, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 77; }}, options);
  CJpegDecoder decoder;
  ASSERT_EQ(Decode(decoder, frame), 1);
  ExpectNear(decoder.GetBits(), 77, 77, 77, "first pixel");
  // Cut inside the marker: the skip runs off the end of the frame.
  const Bytes cut(frame.begin(), frame.begin() + 30000);
  EXPECT_EQ(Decode(decoder, cut), 0);
}

TEST(JpegDecoder, ProgressiveFrameDecodes) {
  jpegfixture::Options options;
  options.progressive = true;
  const Bytes frame = MakeJpeg(
      {96, 64, 3, JCS_RGB, [](int x, int, uint8_t* p) { p[0] = p[1] = p[2] = x < 48 ? 0 : 255; }},
      options);
  CJpegDecoder decoder;
  ASSERT_EQ(Decode(decoder, frame), 1);
  ExpectNear(decoder.GetBits(), 0, 0, 0, "left");
  ExpectNear(decoder.GetBits() + 95 * 3, 255, 255, 255, "right");
}

TEST(JpegDecoder, GarbageIsRefusedWithoutCrashing) {
  std::mt19937 random(2024);
  CJpegDecoder decoder;
  const Bytes good = jpegfixture::CameraSceneJpeg(160, 120);

  std::vector<Bytes> frames;
  for (int length : {1, 2, 3, 17, 600, 5000, 70000}) {
    Bytes bytes(static_cast<size_t>(length));
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    frames.push_back(bytes);
    if (length >= 2) {
      bytes[0] = 0xFF;  // a start-of-image marker, then noise
      bytes[1] = 0xD8;
      frames.push_back(bytes);
    }
  }
  for (size_t cut : {2, 4, 20, 100, 300}) frames.emplace_back(good.begin(), good.begin() + cut);
  for (const auto& frame : frames) EXPECT_EQ(Decode(decoder, frame), 0) << frame.size();

  // Damaged copies of a good frame may decode or be refused, but must not crash, and the
  // good frame that follows each one decodes whole: no state of the decoder is spoilt.
  CJpegDecoder reference;
  ASSERT_EQ(Decode(reference, good), 1);
  const Bytes expected(reference.GetBits(), reference.GetBits() + 160 * 3 * 120);
  for (int i = 0; i < 200; ++i) {
    Bytes damaged = good;
    for (int j = 0; j < 4; ++j) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    Decode(decoder, damaged);
    ASSERT_EQ(Decode(decoder, good), 1) << "after damaged copy " << i;
    ASSERT_NE(decoder.GetInfoHeader(), nullptr);
    ASSERT_EQ(decoder.GetWidth(), 160);
    ASSERT_EQ(decoder.GetHeight(), 120);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), decoder.GetBits()))
        << "after damaged copy " << i;
  }
}

}  // namespace
