// The arithmetic of the control's grid: where the N x N cells lie, where the grid lines and
// the selection frame are drawn, and which window an arrow key selects. Plain functions, so
// the rules are checked without a window.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

namespace liveview {

constexpr int kCellCount = 16;
constexpr int kMaxGridSize = 4;

struct CellRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const CellRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// The first n x n cells, row by row, for a client rectangle; empty when its width or height
// is not positive or n is outside 1 to 4. Two pixels between cells and at the edges; the
// remainder of the division goes to the last row and column.
std::vector<CellRect> LayoutCells(const RECT& client, int n);

struct GridLine {
  POINT from;
  POINT to;
};

// The grid's lines for the cells of LayoutCells: one above each row and one at the bottom,
// one left of each column and one at the right edge.
std::vector<GridLine> GridLines(const RECT& client, const std::vector<CellRect>& cells, int n);

// The closed line around a selected cell, one pixel outside it.
std::array<POINT, 5> SelectionFrame(const CellRect& cell);

// The window an arrow key (VK_LEFT to VK_DOWN) selects from `selected` in an n x n grid; -1
// when nothing is selected, in full-window mode, or for another key. From a window outside
// the grid (after n was made smaller) every arrow selects window 0.
int ArrowTarget(WPARAM key, int selected, int n, bool fullWindow);

// The nine zones of a camera window that a pan/tilt click tells apart: a centre box of
// three fifths of the width and height, with margins around it.
enum class PanTiltZone {
  kNone,  // a window of 20 pixels or less, or a point outside the window
  kTopLeft,
  kTop,
  kTopRight,
  kLeft,
  kCentre,
  kRight,
  kBottomLeft,
  kBottom,
  kBottomRight,
};

// The zone of a client point in a window of `width` x `height`. The box is width x 3 / 5 by
// height x 3 / 5 in integers (floating point would give hosts that run the FPU at another
// precision other zones); each zone holds its left and top edges, not its right and bottom.
PanTiltZone PanTiltZoneAt(int width, int height, int x, int y);

// The camera command codes a click in the zone sends, in order (2 up, 1 left, 0 right,
// 3 down).
std::vector<int> PanTiltCommands(PanTiltZone zone);

}  // namespace liveview
