#include <gtest/gtest.h>

#include "liveview/render/bmp_file.h"
#include "liveview/render/tests/bmp_test_files.h"

namespace liveview {
namespace {

using testing_support::BmpShape;
using testing_support::MakeBmp;

bool Parse(const std::vector<uint8_t>& bytes, BmpFileImage* image) {
  return ParseBmpFile(bytes.data(), bytes.size(), image);
}

TEST(BmpFile, PaletteLess24BitWithImageSizeZeroReadsTheRows) {
  BmpShape shape;
  shape.width = 100;
  shape.height = 100;
  const std::vector<uint8_t> file = MakeBmp(shape);
  BmpFileImage image;
  ASSERT_TRUE(Parse(file, &image));
  ASSERT_EQ(image.bits.size(), 30000u);  // rows of 300 bytes
  EXPECT_TRUE(std::equal(image.bits.begin(), image.bits.end(), file.begin() + 54));
  EXPECT_EQ(image.info.header.biWidth, 100);
  EXPECT_EQ(image.info.header.biHeight, 100);
  EXPECT_EQ(image.info.header.biBitCount, 24);
  EXPECT_EQ(image.info.header.biSizeImage, 30000u);
  EXPECT_EQ(image.info.header.biClrUsed, 0u);
  EXPECT_EQ(image.fileHeader.bfType, 0x4D42);
}

TEST(BmpFile, PaletteOnlyForOneFourAndEightBits) {
  struct Case {
    int bitCount, paletteEntries;
    uint32_t colorsUsed;
    int expectedEntries;
  };
  for (const Case& c : {Case{1, 2, 0, 2}, Case{4, 16, 0, 16}, Case{8, 256, 0, 256},
                        Case{8, 16, 16, 16}, Case{4, 3, 3, 3}, Case{32, 0, 0, 0},
                        // A 24-bit file may carry a colour table; its pixels still start at
                        // the offset the file header gives.
                        Case{24, 4, 4, 0}}) {
    SCOPED_TRACE(::testing::Message() << c.bitCount << " bits, " << c.paletteEntries
                                      << " entries");
    BmpShape shape;
    shape.width = 5;
    shape.height = 3;
    shape.bitCount = c.bitCount;
    shape.paletteEntries = c.paletteEntries;
    shape.colorsUsed = c.colorsUsed;
    const std::vector<uint8_t> file = MakeBmp(shape);
    BmpFileImage image;
    ASSERT_TRUE(Parse(file, &image));
    EXPECT_EQ(image.info.header.biClrUsed, static_cast<DWORD>(c.expectedEntries));
    for (int i = 0; i < c.expectedEntries; ++i) {
      EXPECT_EQ(image.info.palette[i].rgbBlue, i);
      EXPECT_EQ(image.info.palette[i].rgbRed, static_cast<uint8_t>(3 * i));
    }
    const size_t offset = testing_support::BmpPixelOffset(shape);
    ASSERT_EQ(image.bits.size(), file.size() - offset);
    EXPECT_TRUE(std::equal(image.bits.begin(), image.bits.end(), file.begin() + offset));
  }
}

TEST(BmpFile, PixelsComeFromThePixelOffset) {
  BmpShape shape;
  shape.bitCount = 8;
  shape.paletteEntries = 256;
  shape.gap = 37;  // junk between palette and pixels
  std::vector<uint8_t> file = MakeBmp(shape);
  BmpFileImage image;
  ASSERT_TRUE(Parse(file, &image));
  EXPECT_EQ(image.bits.front(), 1);  // not 0xEE
  EXPECT_TRUE(std::equal(image.bits.begin(), image.bits.end(),
                         file.begin() + testing_support::BmpPixelOffset(shape)));

  // A larger (V5) header: the palette follows the whole header.
  BmpShape v5;
  v5.bitCount = 4;
  v5.infoSize = 124;
  v5.paletteEntries = 16;
  file = MakeBmp(v5);
  ASSERT_TRUE(Parse(file, &image));
  EXPECT_EQ(image.info.header.biSize, 40u);  // the palette sits right behind it in memory
  EXPECT_EQ(image.info.palette[5].rgbGreen, 10);
  EXPECT_EQ(image.bits.size(), 8u);
}

TEST(BmpFile, RefusesWhatDoesNotFitOrIsNotHandled) {
  struct Case {
    const char* what;
    BmpShape shape;
    int cut;  // bytes cut from the end of the file
    int offsetShift;  // added to the file header's pixel offset
  };
  auto shape = [](auto change) {
    BmpShape s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"signature BA", shape([](BmpShape& s) { s.signature[1] = 'A'; }), 0, 0},
      {"one byte of pixels missing", BmpShape{}, 1, 0},
      {"pixels missing", shape([](BmpShape& s) { s.height = 2000; }), 24000 - 30, 0},
      {"image size below the rows", shape([](BmpShape& s) { s.imageSize = 23; }), 0, 0},
      {"zero width", shape([](BmpShape& s) { s.width = 0; }), 0, 0},
      {"zero height", shape([](BmpShape& s) { s.height = 0; }), 0, 0},
      {"negative width", shape([](BmpShape& s) { s.width = -4; }), 0, 0},
      {"huge width", shape([](BmpShape& s) { s.width = 0x7FFFFFFF; }), 0, 0},
      {"16 bits", shape([](BmpShape& s) { s.bitCount = 16; }), 0, 0},
      {"2 bits", shape([](BmpShape& s) { s.bitCount = 2; s.paletteEntries = 4; }), 0, 0},
      {"0 bits", shape([](BmpShape& s) { s.bitCount = 0; }), 0, 0},
      {"RLE", shape([](BmpShape& s) { s.bitCount = 8; s.paletteEntries = 256; s.compression = 1; }), 0, 0},
      {"more colours than the depth has",
       shape([](BmpShape& s) { s.bitCount = 4; s.paletteEntries = 16; s.colorsUsed = 17; }), 0, 0},
      {"palette runs into the pixels",
       shape([](BmpShape& s) { s.bitCount = 8; s.paletteEntries = 16; }), 0, 0},
      {"pixel offset inside the headers", BmpShape{}, 0, -20},
      {"pixel offset past the end", BmpShape{}, 0, 4},
      {"info header too small", shape([](BmpShape& s) { s.infoSize = 12; }), 0, 0},
      {"info header past the end", shape([](BmpShape& s) { s.infoSize = 4000; s.height = 1; }), 40, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = MakeBmp(c.shape);
    if (c.cut) file.resize(file.size() - c.cut);
    if (c.offsetShift) testing_support::Put32(file, 10, static_cast<uint32_t>(54 + c.offsetShift));
    BmpFileImage image;
    image.bits = {9, 9, 9};
    EXPECT_FALSE(Parse(file, &image));
    EXPECT_EQ(image.bits, (std::vector<uint8_t>{9, 9, 9}));
  }
  BmpFileImage image;
  EXPECT_FALSE(ParseBmpFile(nullptr, 0, &image));
  const std::vector<uint8_t> full = MakeBmp(BmpShape{});
  EXPECT_FALSE(ParseBmpFile(full.data(), 53, &image));  // shorter than the two headers
}

}  // namespace
}  // namespace liveview
