#include <gtest/gtest.h>

#include <string>

#include "framework/resources.h"
#include "liveview/render/overlay_layout.h"
#include "liveview/render/overlay_text.h"
#include "liveview/render/tests/dib_canvas.h"
#include "liveview/resources/tessaly_resource.h"

namespace liveview {
namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(OverlayLayout, FontTitleAndRecFollowTheSurfaceAndTheStretch) {
  struct Case {
    int surfaceWidth, surfaceHeight, windowWidth, windowHeight;
    int fontTenths;
    RECT title, rec;
  };
  for (const Case& c : {
           // 320 x 240 shown twice as large: 20 and 10 screen pixels are 10 and 5 here.
           Case{320, 240, 640, 480, 140, {10, 5, 320, 45}, {280, 5, 320, 45}},
           Case{640, 480, 640, 480, 200, {20, 10, 640, 50}, {580, 10, 640, 50}},
           Case{160, 120, 320, 240, 100, {10, 5, 160, 45}, {120, 5, 160, 45}},
           // Shrunk: the distances grow on the surface. 640/200*20 = 64, 480/150*10 = 32.
           Case{640, 480, 200, 150, 200, {64, 32, 640, 72}, {580, 32, 640, 72}},
           // Truncated, not rounded: 320/700*20 = 9.14, 240/500*10 = 4.8.
           Case{320, 240, 700, 500, 140, {9, 4, 320, 44}, {280, 4, 320, 44}},
           // The font steps at 320 and 640, "REC" widens at 640.
           Case{319, 240, 319, 240, 100, {20, 10, 319, 50}, {279, 10, 319, 50}},
           Case{639, 480, 639, 480, 140, {20, 10, 639, 50}, {599, 10, 639, 50}},
       }) {
    SCOPED_TRACE(::testing::Message() << c.surfaceWidth << "x" << c.surfaceHeight << " in "
                                      << c.windowWidth << "x" << c.windowHeight);
    OverlayLayout layout;
    ASSERT_TRUE(ComputeOverlayLayout(c.surfaceWidth, c.surfaceHeight, c.windowWidth,
                                     c.windowHeight, &layout));
    EXPECT_EQ(layout.fontTenths, c.fontTenths);
    EXPECT_TRUE(SameRect(layout.title, c.title))
        << layout.title.left << "," << layout.title.top << "," << layout.title.right << ","
        << layout.title.bottom;
    EXPECT_TRUE(SameRect(layout.rec, c.rec))
        << layout.rec.left << "," << layout.rec.top << "," << layout.rec.right << ","
        << layout.rec.bottom;
  }
}

TEST(OverlayLayout, AReducedSurfaceKeepsTheFullPicturesOverlays) {
  // A 640 x 480 picture in a 160 x 120 window, its surface a quarter of it: the title, "REC"
  // and the font are the full picture's shrunk by four, not those a 160 x 120 picture gets
  // (10 points, "REC" 40 wide), so the screen shows what the full picture would.
  OverlayLayout full;
  ASSERT_TRUE(ComputeOverlayLayout(640, 480, 160, 120, &full));
  const OverlayLayout quarter = ScaleOverlayLayout(full, 640, 480, 160, 120);
  EXPECT_EQ(quarter.fontTenths, 50);
  EXPECT_TRUE(SameRect(quarter.title, RECT{20, 10, 160, 20}));
  EXPECT_TRUE(SameRect(quarter.rec, RECT{145, 10, 160, 20}));

  ASSERT_TRUE(ComputeOverlayLayout(640, 480, 320, 240, &full));
  const OverlayLayout half = ScaleOverlayLayout(full, 640, 480, 320, 240);
  EXPECT_EQ(half.fontTenths, 100);
  EXPECT_TRUE(SameRect(half.title, RECT{20, 10, 320, 30}));
  EXPECT_TRUE(SameRect(half.rec, RECT{290, 10, 320, 30}));

  // Not reduced: unchanged.
  const OverlayLayout same = ScaleOverlayLayout(full, 640, 480, 640, 480);
  EXPECT_EQ(same.fontTenths, full.fontTenths);
  EXPECT_TRUE(SameRect(same.title, full.title));
}

TEST(OverlayLayout, NoPlaceInAWindowOfZeroSize) {
  OverlayLayout layout;
  EXPECT_FALSE(ComputeOverlayLayout(320, 240, 0, 480, &layout));
  EXPECT_FALSE(ComputeOverlayLayout(320, 240, 640, 0, &layout));
  EXPECT_FALSE(ComputeOverlayLayout(320, 240, 0, 0, &layout));
}

TEST(OverlayLayout, PointFontHeightAtTheDeviceResolution) {
  EXPECT_EQ(PointFontHeight(100, 96), -13);  // 13.33
  EXPECT_EQ(PointFontHeight(140, 96), -19);  // 18.67
  EXPECT_EQ(PointFontHeight(200, 96), -27);  // 26.67
  EXPECT_EQ(PointFontHeight(90, 96), -12);
  EXPECT_EQ(PointFontHeight(140, 120), -23);  // 23.33
}

using testing_support::DibCanvas;
constexpr int kCanvasWidth = 320, kCanvasHeight = 240;

// Pixels near a colour: anti-aliased text on white only comes close.
int CountNear(const test_container::Image& image, COLORREF color, const RECT& area) {
  const double share = image.ShareOf(color, area, 60);
  return static_cast<int>(share * (area.right - area.left) * (area.bottom - area.top) + 0.5);
}

TEST(OverlayText, TitleInGreenAndRecInRedInsideTheirRectangles) {
  const std::string face = fw::LoadResString(IDS_TITLE_FONT);
  EXPECT_EQ(face, "Arial");
  OverlayLayout layout;
  ASSERT_TRUE(ComputeOverlayLayout(320, 240, 640, 480, &layout));
  const RECT whole{0, 0, kCanvasWidth, kCanvasHeight};
  const RECT belowBand{0, layout.title.bottom, kCanvasWidth, kCanvasHeight};
  const RECT leftOfTitle{0, 0, layout.title.left, kCanvasHeight};

  for (const bool recording : {false, true}) {
    SCOPED_TRACE(recording ? "recording" : "not recording");
    DibCanvas canvas(kCanvasWidth, kCanvasHeight);
    DrawOverlayText(canvas.dc(), layout, face, "lobby", recording);
    const test_container::Image image = canvas.Read();
    EXPECT_GT(CountNear(image, RGB(0, 255, 0), layout.title), 20);
    EXPECT_EQ(CountNear(image, RGB(0, 255, 0), belowBand), 0);
    EXPECT_EQ(CountNear(image, RGB(0, 255, 0), leftOfTitle), 0);
    if (recording)
      EXPECT_GT(CountNear(image, RGB(255, 0, 0), layout.rec), 20);
    else
      EXPECT_EQ(CountNear(image, RGB(255, 0, 0), whole), 0);
    EXPECT_EQ(CountNear(image, RGB(255, 0, 0), belowBand), 0);
    // Transparent background: the white around the letters stays.
    EXPECT_GT(image.ShareOf(RGB(255, 255, 255), layout.title, 0), 0.5);
  }
}

TEST(OverlayText, LeavesTheDeviceContextAsItWas) {
  DibCanvas canvas(kCanvasWidth, kCanvasHeight);
  SetBkMode(canvas.dc(), OPAQUE);
  SetTextColor(canvas.dc(), RGB(1, 2, 3));
  const HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
  OverlayLayout layout;
  ASSERT_TRUE(ComputeOverlayLayout(320, 240, 320, 240, &layout));
  DrawOverlayText(canvas.dc(), layout, "Arial", "lobby", true);
  EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
}

}  // namespace
}  // namespace liveview
