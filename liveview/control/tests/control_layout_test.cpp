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

}  // namespace
}  // namespace liveview
