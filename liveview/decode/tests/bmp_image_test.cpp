#include <gtest/gtest.h>

#include "liveview/decode/bmp_image.h"

namespace bmp {
namespace {

TEST(BmpImage, RowsArePaddedToFourBytes) {
  struct Case {
    int width, rowWidth;
  };
  for (const auto& c : {Case{1, 4}, Case{7, 24}, Case{8, 24}, Case{160, 480}, Case{161, 484},
                        Case{162, 488}, Case{640, 1920}})
    EXPECT_EQ(RowWidth(c.width), c.rowWidth) << c.width;
  EXPECT_EQ(ImageSize(320, 240), 230454);
  EXPECT_EQ(ImageSize(640, 480), 921654);
}

TEST(BmpImage, FitsTheBufferUpToItsLastByte) {
  // 1024-pixel rows take 3072 bytes: 682 of them fit 2 MiB with the headers, 683 do not.
  EXPECT_TRUE(Fits(1024, 682, kMaxImageSize));
  EXPECT_FALSE(Fits(1024, 683, kMaxImageSize));
  EXPECT_TRUE(Fits(640, 480, 921654));
  EXPECT_FALSE(Fits(640, 480, 921653));
  EXPECT_FALSE(Fits(0, 480, kMaxImageSize));
  EXPECT_FALSE(Fits(65535, 65535, kMaxImageSize));  // no wrap-around
}

TEST(BmpImage, ResolutionOnlyFromDotsPerCentimetre) {
  EXPECT_EQ(ResolutionFromDensity(2, 28), 2800);
  EXPECT_EQ(ResolutionFromDensity(2, 65535), 6553500);
  EXPECT_EQ(ResolutionFromDensity(1, 72), 0);
  EXPECT_EQ(ResolutionFromDensity(0, 1), 0);
}

TEST(BmpImage, HeaderReadersSeeWhatWasWritten) {
  uint8_t bytes[kPixelOffset];
  WriteHeaders({161, 120, 0, 0}, bytes);
  EXPECT_EQ(InfoWidth(bytes + kFileHeaderSize), 161);
  EXPECT_EQ(InfoHeight(bytes + kFileHeaderSize), 120);
  EXPECT_EQ(InfoBitCount(bytes + kFileHeaderSize), 24);
  EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16, 54 + 484 * 120);
}

}  // namespace
}  // namespace bmp
