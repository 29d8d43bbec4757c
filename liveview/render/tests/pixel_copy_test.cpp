#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "liveview/decode/bmp_image.h"
#include "liveview/render/pixel_copy.h"

namespace liveview {
namespace {

TEST(PixelCopy, Packs565FromTheTopBitsOfEachChannel) {
  EXPECT_EQ(Pack565(255, 0, 0), 0xF800);
  EXPECT_EQ(Pack565(0, 255, 0), 0x07E0);
  EXPECT_EQ(Pack565(0, 0, 255), 0x001F);
  EXPECT_EQ(Pack565(255, 255, 255), 0xFFFF);
  EXPECT_EQ(Pack565(0x07, 0x03, 0x07), 0x0000);  // bits below the kept ones are dropped
  EXPECT_EQ(Pack565(0x08, 0x04, 0x08), 0x0821);
}

TEST(PixelCopy, PaddedRowBytes) {
  EXPECT_EQ(bmp::PaddedRowBytes(320, 24), 960);
  EXPECT_EQ(bmp::PaddedRowBytes(161, 24), 484);
  EXPECT_EQ(bmp::PaddedRowBytes(3, 24), 12);
  EXPECT_EQ(bmp::PaddedRowBytes(3, 32), 12);
  EXPECT_EQ(bmp::PaddedRowBytes(1, 24), 4);
}

// A 3 x 2 picture, stored bottom-up as the decoder leaves it: 9 bytes of pixels and 3 of
// padding per row. Picture row 0 (the top) is red, green, blue; row 1 is white, black, grey.
struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kPicture[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
                                {{255, 255, 255}, {0, 0, 0}, {0x80, 0x80, 0x80}}};

std::vector<uint8_t> StoredRows(bool bottomUp, int bitCount) {
  const int step = bitCount / 8;
  const int rowBytes = bmp::PaddedRowBytes(3, bitCount);
  std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * 2, 0xEE);  // padding is not picture
  for (int y = 0; y < 2; ++y) {
    const int stored = bottomUp ? 1 - y : y;
    for (int x = 0; x < 3; ++x) {
      uint8_t* p = &rows[stored * rowBytes + x * step];
      p[0] = kPicture[y][x].b;
      p[1] = kPicture[y][x].g;
      p[2] = kPicture[y][x].r;
    }
  }
  return rows;
}

uint32_t PixelAt(const std::vector<uint8_t>& surface, int pitch, int bitCount, int x, int y) {
  const uint8_t* p = &surface[y * pitch + x * (bitCount / 8)];
  switch (bitCount) {
    case 32: return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    case 24: return p[0] | p[1] << 8 | p[2] << 16;
    default: return p[0] | p[1] << 8;
  }
}

uint32_t Expected(int bitCount, const Rgb& c) {
  if (bitCount == 16) return Pack565(c.r, c.g, c.b);
  return c.b | c.g << 8 | c.r << 16;  // 32-bit: the fourth byte is 0
}

TEST(PixelCopy, EveryDepthGetsTheUprightPicture) {
  struct Case {
    int sourceBits;
    bool bottomUp;
    int surfaceBits;
  };
  for (const Case& c : {Case{24, true, 32}, Case{24, true, 24}, Case{24, true, 16},
                        Case{24, false, 32}, Case{24, false, 16}, Case{32, true, 32},
                        Case{32, true, 24}, Case{32, true, 16}}) {
    SCOPED_TRACE(::testing::Message() << c.sourceBits << " bits, bottom-up " << c.bottomUp
                                      << ", to " << c.surfaceBits << " bits");
    const std::vector<uint8_t> rows = StoredRows(c.bottomUp, c.sourceBits);
    const int pitch = 64;  // wider than a row, as surfaces often are
    std::vector<uint8_t> surface(pitch * 2, 0xAB);
    ASSERT_TRUE(CopyPixels({rows.data(), 3, 2, c.sourceBits, c.bottomUp},
                           {surface.data(), 3, 2, pitch, c.surfaceBits}));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(PixelAt(surface, pitch, c.surfaceBits, x, y),
                  Expected(c.surfaceBits, kPicture[y][x]))
            << "at " << x << "," << y;
    // Past the row's pixels the surface is left alone.
    EXPECT_EQ(surface[3 * (c.surfaceBits / 8)], 0xAB);
    EXPECT_EQ(surface[pitch + 3 * (c.surfaceBits / 8)], 0xAB);
  }
}

// Rows of whole words and of a few left over, as the frame path's four-pixel steps see them:
// every pixel copied, its fourth byte 0, nothing past the row touched.
TEST(PixelCopy, ThirtyTwoBitRowsOfAnyWidth) {
  for (const int width : {1, 4, 7, 8, 37, 640}) {
    SCOPED_TRACE(width);
    std::vector<uint8_t> rows(static_cast<size_t>(width) * 4 * 2);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 13 + 1);
    const int pitch = width * 4 + 12;
    std::vector<uint8_t> surface(static_cast<size_t>(pitch) * 2, 0xAB);
    ASSERT_TRUE(CopyPixels({rows.data(), width, 2, 32, false}, {surface.data(), width, 2, pitch, 32}));
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint8_t* in = rows.data() + (static_cast<size_t>(y) * width + x) * 4;
        const uint32_t expected = in[0] | in[1] << 8 | in[2] << 16;
        ASSERT_EQ(PixelAt(surface, pitch, 32, x, y), expected) << "at " << x << "," << y;
      }
      EXPECT_EQ(surface[static_cast<size_t>(y) * pitch + width * 4], 0xAB);
    }
  }
}

TEST(PixelCopy, CopiesOnlyWhatBothSidesHave) {
  const std::vector<uint8_t> rows = StoredRows(true, 24);
  // A surface one pixel narrower and one row shorter than the picture: its top-left corner.
  std::vector<uint8_t> small(8 * 2, 0xAB);
  ASSERT_TRUE(CopyPixels({rows.data(), 3, 2, 24, true}, {small.data(), 2, 1, 8, 32}));
  EXPECT_EQ(PixelAt(small, 8, 32, 0, 0), Expected(32, kPicture[0][0]));
  EXPECT_EQ(PixelAt(small, 8, 32, 1, 0), Expected(32, kPicture[0][1]));
  EXPECT_EQ(small[8], 0xAB);

  // A larger surface keeps what lies outside the picture.
  std::vector<uint8_t> large(16 * 3, 0xAB);
  ASSERT_TRUE(CopyPixels({rows.data(), 3, 2, 24, true}, {large.data(), 4, 3, 16, 32}));
  EXPECT_EQ(PixelAt(large, 16, 32, 2, 1), Expected(32, kPicture[1][2]));
  EXPECT_EQ(PixelAt(large, 16, 32, 3, 0), 0xABABABABu);
  EXPECT_EQ(large[32], 0xAB);
}

TEST(PixelCopy, OtherDepthsCopyNothing) {
  const std::vector<uint8_t> rows = StoredRows(true, 24);
  std::vector<uint8_t> surface(64, 0xAB);
  EXPECT_FALSE(CopyPixels({rows.data(), 3, 2, 24, true}, {surface.data(), 3, 2, 32, 8}));
  EXPECT_FALSE(CopyPixels({rows.data(), 3, 2, 16, true}, {surface.data(), 3, 2, 32, 32}));
  EXPECT_EQ(surface, std::vector<uint8_t>(64, 0xAB));
}

}  // namespace
}  // namespace liveview
