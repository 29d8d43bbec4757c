// The grid's arithmetic: cells, grid lines, the selection frame and the arrow keys.
#include <gtest/gtest.h>

#include <vector>

#include "liveview/control/control_layout.h"

namespace liveview {
namespace {

TEST(LayoutCells, CellsAreTwoPixelsApartAndTheRemainderGoesToTheLastRowAndColumn) {
  struct Case {
    const char* name;
    RECT client;
    int n;
    size_t index;
    CellRect expected;
  };
  const Case cases[] = {
      {"642 x 482, N = 4, first", {0, 0, 642, 482}, 4, 0, {2, 2, 158, 118}},
      {"642 x 482, N = 4, last", {0, 0, 642, 482}, 4, 15, {482, 362, 158, 118}},
      {"645 x 485, N = 3, first", {0, 0, 645, 485}, 3, 0, {2, 2, 212, 159}},
      {"645 x 485, N = 3, last column", {0, 0, 645, 485}, 3, 2, {430, 2, 213, 159}},
      {"645 x 485, N = 3, last row", {0, 0, 645, 485}, 3, 6, {2, 324, 212, 159}},
      {"645 x 485, N = 3, last", {0, 0, 645, 485}, 3, 8, {430, 324, 213, 159}},
      {"N = 1 fills the client less the edges", {0, 0, 300, 200}, 1, 0, {2, 2, 296, 196}},
      {"N = 2, odd sizes", {0, 0, 101, 77}, 2, 3, {51, 39, 48, 36}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<CellRect> cells = LayoutCells(c.client, c.n);
    ASSERT_EQ(cells.size(), static_cast<size_t>(c.n * c.n));
    const CellRect& got = cells[c.index];
    EXPECT_EQ(got.x, c.expected.x);
    EXPECT_EQ(got.y, c.expected.y);
    EXPECT_EQ(got.width, c.expected.width);
    EXPECT_EQ(got.height, c.expected.height);
  }
}

TEST(LayoutCells, NothingForAnEmptyClientOrAGridSizeOutsideOneToFour) {
  EXPECT_TRUE(LayoutCells(RECT{0, 0, 0, 100}, 2).empty());
  EXPECT_TRUE(LayoutCells(RECT{0, 0, 100, 0}, 2).empty());
  EXPECT_TRUE(LayoutCells(RECT{0, 0, -5, 10}, 2).empty());
  EXPECT_TRUE(LayoutCells(RECT{0, 0, 100, 100}, 0).empty());
  EXPECT_TRUE(LayoutCells(RECT{0, 0, 100, 100}, 5).empty());
}

TEST(GridLines, OneAboveEachRowOneLeftOfEachColumnAndOneAtEachFarEdge) {
  const RECT client{0, 0, 642, 482};
  const auto cells = LayoutCells(client, 2);
  const auto lines = GridLines(client, cells, 2);
  ASSERT_EQ(lines.size(), 6u);
  // Horizontal: above rows 0 and 1, then the bottom.
  EXPECT_EQ(lines[0].from.y, 1);
  EXPECT_EQ(lines[1].from.y, cells[2].y - 1);
  EXPECT_EQ(lines[2].from.y, 481);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].from.x, 0);
    EXPECT_EQ(lines[i].to.x, 641);
    EXPECT_EQ(lines[i].to.y, lines[i].from.y);
  }
  // Vertical: left of columns 0 and 1, then the right edge.
  EXPECT_EQ(lines[3].from.x, 1);
  EXPECT_EQ(lines[4].from.x, cells[1].x - 1);
  EXPECT_EQ(lines[5].from.x, 641);
  for (int i = 3; i < 6; ++i) {
    EXPECT_EQ(lines[i].from.y, 0);
    EXPECT_EQ(lines[i].to.y, 481);
  }
}

TEST(SelectionFrame, ClosesOnePixelOutsideTheCell) {
  const auto frame = SelectionFrame(CellRect{162, 2, 158, 118});
  const POINT expected[5] = {{161, 1}, {321, 1}, {321, 121}, {161, 121}, {161, 0}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(frame[i].x, expected[i].x) << i;
    EXPECT_EQ(frame[i].y, expected[i].y) << i;
  }
}

TEST(ArrowTarget, MovesWrapAroundTheGrid) {
  struct Case {
    int n;
    int selected;
    WPARAM key;
    int expected;
  };
  const Case cases[] = {
      {3, 4, VK_LEFT, 3},  {3, 4, VK_UP, 1},    {3, 4, VK_RIGHT, 5}, {3, 4, VK_DOWN, 7},
      {3, 0, VK_LEFT, 8},  {3, 0, VK_UP, 6},    {3, 8, VK_RIGHT, 0}, {3, 8, VK_DOWN, 2},
      {4, 15, VK_RIGHT, 0}, {4, 13, VK_DOWN, 1}, {4, 2, VK_UP, 14},  {2, 1, VK_RIGHT, 2},
      // N = 1: the selected window itself, every key.
      {1, 0, VK_LEFT, 0},  {1, 0, VK_UP, 0},    {1, 0, VK_RIGHT, 0}, {1, 0, VK_DOWN, 0},
      // A selection outside the grid (N made smaller): window 0.
      {2, 9, VK_LEFT, 0},  {2, 4, VK_DOWN, 0},  {1, 3, VK_UP, 0},
      // No selection, or another key: nothing.
      {3, -1, VK_LEFT, -1}, {3, 4, VK_DELETE, -1}, {3, 4, 'C', -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArrowTarget(c.key, c.selected, c.n, false), c.expected)
        << "N = " << c.n << ", from " << c.selected << ", key " << c.key;
  }
}

TEST(ArrowTarget, NothingInFullWindowMode) {
  for (WPARAM key = VK_LEFT; key <= VK_DOWN; ++key) {
    EXPECT_EQ(ArrowTarget(key, 4, 3, true), -1) << key;
    EXPECT_EQ(ArrowTarget(key, 0, 1, true), -1) << key;
  }
}

// 100 x 50: a 60 x 30 box with margins 20 and 10; 125 is divisible by 5, where a box
// computed as 125 x 0.6 in extended precision would be one pixel narrower.
TEST(PanTiltZoneAt, TheCentreBoxIsThreeFifthsAndEachZoneHoldsItsLeftAndTopEdges) {
  struct Case {
    int width, height, x, y;
    PanTiltZone expected;
  };
  const Case cases[] = {
      {100, 50, 0, 0, PanTiltZone::kTopLeft},      {100, 50, 19, 9, PanTiltZone::kTopLeft},
      {100, 50, 20, 9, PanTiltZone::kTop},         {100, 50, 79, 0, PanTiltZone::kTop},
      {100, 50, 80, 9, PanTiltZone::kTopRight},    {100, 50, 99, 0, PanTiltZone::kTopRight},
      {100, 50, 19, 10, PanTiltZone::kLeft},       {100, 50, 20, 10, PanTiltZone::kCentre},
      {100, 50, 79, 39, PanTiltZone::kCentre},     {100, 50, 80, 39, PanTiltZone::kRight},
      {100, 50, 0, 40, PanTiltZone::kBottomLeft},  {100, 50, 20, 40, PanTiltZone::kBottom},
      {100, 50, 80, 49, PanTiltZone::kBottomRight},
      {125, 100, 24, 50, PanTiltZone::kLeft},      {125, 100, 25, 50, PanTiltZone::kCentre},
      {125, 100, 99, 50, PanTiltZone::kCentre},    {125, 100, 100, 50, PanTiltZone::kRight},
      {125, 125, 50, 99, PanTiltZone::kCentre},    {125, 125, 50, 100, PanTiltZone::kBottom},
      {21, 21, 3, 3, PanTiltZone::kTopLeft},       {21, 21, 4, 4, PanTiltZone::kCentre},
      {20, 20, 0, 0, PanTiltZone::kNone},          {21, 20, 0, 0, PanTiltZone::kNone},
      {20, 100, 0, 0, PanTiltZone::kNone},
      {100, 50, -1, 0, PanTiltZone::kNone},        {100, 50, 100, 0, PanTiltZone::kNone},
      {100, 50, 0, 50, PanTiltZone::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PanTiltZoneAt(c.width, c.height, c.x, c.y), c.expected)
        << c.width << " x " << c.height << " at (" << c.x << ", " << c.y << ")";
  }
}

TEST(PanTiltCommands, EachZoneSendsItsCommandsInItsOwnOrder) {
  using V = std::vector<int>;
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kTopLeft), (V{2, 1}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kTop), (V{2}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kTopRight), (V{2, 0}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kLeft), (V{1}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kCentre), V{});
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kRight), (V{0}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kBottomLeft), (V{1, 3}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kBottom), (V{3}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kBottomRight), (V{3, 0}));
  EXPECT_EQ(PanTiltCommands(PanTiltZone::kNone), V{});
}

}  // namespace
}  // namespace liveview
