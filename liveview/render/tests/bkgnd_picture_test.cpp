#include <gtest/gtest.h>

#include "liveview/cameras/tests/camera_test_support.h"
#include "liveview/render/bkgnd_picture.h"
#include "liveview/render/tests/bmp_test_files.h"
#include "liveview/render/tests/dib_canvas.h"

namespace liveview {
namespace {

using testing_support::BmpShape;
using testing_support::DibCanvas;
using testing_support::MakeBmp;
using testing_support::MakeColourBmp;
using testing_support::TempFolder;
using testing_support::WriteFile;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255), kFill = RGB(10, 20, 30);

// Red, green over blue, white: a picture drawn upside down or mirrored shows it.
COLORREF Quadrant(int x, int y) {
  if (y == 0) return x == 0 ? kRed : kGreen;
  return x == 0 ? kBlue : kWhite;
}

class BkgndPictureTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder_.File(name);
    WriteFile(path, bytes);
    return path;
  }
  std::string QuadrantFile() { return Write("quadrants.bmp", MakeColourBmp(2, 2, Quadrant)); }

  // Draws into the middle of a 220 x 120 canvas, rectangle (10, 10)-(210, 110).
  int Draw(const CBkgndPicture& picture, test_container::Image* image) {
    DibCanvas canvas(220, 120, RGB(1, 1, 1));
    const int drawn = const_cast<CBkgndPicture&>(picture).DrawStretched(canvas.dc(), kRect, kFill);
    *image = canvas.Read();
    return drawn;
  }
  static void ExpectQuadrants(const test_container::Image& image) {
    EXPECT_EQ(image.At(60, 35), kRed);
    EXPECT_EQ(image.At(160, 35), kGreen);
    EXPECT_EQ(image.At(60, 85), kBlue);
    EXPECT_EQ(image.At(160, 85), kWhite);
    EXPECT_GT(image.ShareOf(kRed, {12, 12, 105, 58}, 0), 0.97);
    EXPECT_GT(image.ShareOf(kWhite, {115, 62, 208, 108}, 0), 0.97);
  }

  static constexpr RECT kRect{10, 10, 210, 110};
  TempFolder folder_;
};

TEST_F(BkgndPictureTest, DrawsTheLoadedPictureStretchedAndUpright) {
  CBkgndPicture picture;
  ASSERT_EQ(picture.LoadBmpFile(QuadrantFile().c_str()), 1);
  EXPECT_EQ(picture.Width(), 2);
  EXPECT_EQ(picture.Height(), 2);
  test_container::Image image;
  EXPECT_EQ(Draw(picture, &image), 1);
  ExpectQuadrants(image);
  EXPECT_EQ(image.At(5, 60), RGB(1, 1, 1));  // nothing outside the rectangle
  EXPECT_EQ(image.At(215, 60), RGB(1, 1, 1));
  EXPECT_EQ(image.At(100, 115), RGB(1, 1, 1));
}

TEST_F(BkgndPictureTest, FillsTheRectangleWithoutAPicture) {
  CBkgndPicture picture;
  test_container::Image image;
  EXPECT_EQ(Draw(picture, &image), 0);
  EXPECT_EQ(image.ShareOf(kFill, kRect, 0), 1.0);
  EXPECT_EQ(image.At(5, 5), RGB(1, 1, 1));

  EXPECT_EQ(picture.LoadBmpFile(folder_.File("missing.bmp").c_str()), 0);
  EXPECT_EQ(picture.LoadBmpFile(nullptr), 0);
  EXPECT_EQ(Draw(picture, &image), 0);
}

TEST_F(BkgndPictureTest, ARefusedFileLeavesThePreviousPicture) {
  CBkgndPicture picture;
  ASSERT_EQ(picture.LoadBmpFile(QuadrantFile().c_str()), 1);

  BmpShape ba;
  ba.signature[1] = 'A';
  std::vector<uint8_t> truncated = MakeBmp(BmpShape{});
  truncated.resize(truncated.size() - 1);
  BmpShape wrongSize;
  wrongSize.imageSize = 5;
  BmpShape sixteenBits;
  sixteenBits.bitCount = 16;
  for (const auto& [name, bytes] :
       {std::pair{"ba.bmp", MakeBmp(ba)}, std::pair{"truncated.bmp", truncated},
        std::pair{"wrongsize.bmp", MakeBmp(wrongSize)},
        std::pair{"sixteen.bmp", MakeBmp(sixteenBits)},
        std::pair{"empty.bmp", std::vector<uint8_t>{}}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(picture.LoadBmpFile(Write(name, bytes).c_str()), 0);
    EXPECT_EQ(picture.Width(), 2);
    test_container::Image image;
    EXPECT_EQ(Draw(picture, &image), 1);
    ExpectQuadrants(image);
  }
  EXPECT_EQ(picture.LoadBmpFile(folder_.File("missing.bmp").c_str()), 0);
  test_container::Image image;
  EXPECT_EQ(Draw(picture, &image), 1);
  ExpectQuadrants(image);

  // A good file replaces it.
  ASSERT_EQ(picture.LoadBmpFile(
                Write("blue.bmp", MakeColourBmp(3, 1, [](int, int) { return kBlue; })).c_str()),
            1);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(Draw(picture, &image), 1);
  EXPECT_EQ(image.ShareOf(kBlue, {12, 12, 208, 108}, 0), 1.0);
}

TEST_F(BkgndPictureTest, PalettePicturesDrawInTheirPaletteColours) {
  // Every pixel is palette entry 50, which MakeBmp makes (blue 50, green 100, red 150); at 1
  // bit every pixel is entry 1, (1, 2, 3).
  struct Case {
    int bitCount, entries;
    uint8_t pixelByte;
    COLORREF colour;
  };
  for (const Case& c : {Case{8, 256, 50, RGB(150, 100, 50)}, Case{4, 16, 0x77, RGB(21, 14, 7)},
                        Case{1, 2, 0xFF, RGB(3, 2, 1)}}) {
    SCOPED_TRACE(c.bitCount);
    BmpShape shape;
    shape.bitCount = c.bitCount;
    shape.paletteEntries = c.entries;
    shape.gap = 6;  // the pixel offset must be followed
    std::vector<uint8_t> file = MakeBmp(shape);
    for (size_t i = testing_support::BmpPixelOffset(shape); i < file.size(); ++i)
      file[i] = c.pixelByte;
    CBkgndPicture picture;
    ASSERT_EQ(picture.LoadBmpFile(Write("palette.bmp", file).c_str()), 1);
    test_container::Image image;
    EXPECT_EQ(Draw(picture, &image), 1);
    EXPECT_GT(image.ShareOf(c.colour, {12, 12, 208, 108}, 0), 0.99);
  }
}

}  // namespace
}  // namespace liveview
