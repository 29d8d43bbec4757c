#include "liveview/control/control_layout.h"

namespace liveview {

std::vector<CellRect> LayoutCells(const RECT& client, int n) {
  std::vector<CellRect> cells;
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  if (w <= 0 || h <= 0 || n < 1 || n > kMaxGridSize) return cells;
  const int cw = (w - 2) / n;
  const int ch = (h - 2) / n;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      CellRect cell;
      cell.x = 2 + c * cw;
      cell.y = 2 + r * ch;
      cell.width = c == n - 1 ? client.right - cell.x - 2 : cw - 2;
      cell.height = r == n - 1 ? client.bottom - cell.y - 2 : ch - 2;
      cells.push_back(cell);
    }
  }
  return cells;
}

std::vector<GridLine> GridLines(const RECT& client, const std::vector<CellRect>& cells, int n) {
  std::vector<GridLine> lines;
  if (n < 1 || cells.size() < static_cast<size_t>(n * n)) return lines;
  const LONG right = client.right - 1;
  const LONG bottom = client.bottom - 1;
  for (int r = 0; r < n; ++r) {
    const LONG y = cells[static_cast<size_t>(r * n)].y - 1;
    lines.push_back({{0, y}, {right, y}});
  }
  lines.push_back({{0, bottom}, {right, bottom}});
  for (int c = 0; c < n; ++c) {
    const LONG x = cells[static_cast<size_t>(c)].x - 1;
    lines.push_back({{x, 0}, {x, bottom}});
  }
  lines.push_back({{right, 0}, {right, bottom}});
  return lines;
}

std::array<POINT, 5> SelectionFrame(const CellRect& cell) {
  const LONG left = cell.x - 1;
  const LONG top = cell.y - 1;
  const LONG right = cell.x + cell.width + 1;
  const LONG bottom = cell.y + cell.height + 1;
  return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, cell.y - 2}}};
}

int ArrowTarget(WPARAM key, int selected, int n, bool fullWindow) {
  if (key < VK_LEFT || key > VK_DOWN) return -1;
  if (fullWindow || selected < 0 || n < 1) return -1;
  const int count = n * n;
  if (selected >= count) return 0;
  switch (key) {
    case VK_LEFT:
      return selected == 0 ? count - 1 : selected - 1;
    case VK_UP:
      return selected - n < 0 ? selected + n * (n - 1) : selected - n;
    case VK_RIGHT:
      return selected == count - 1 ? 0 : selected + 1;
    default:  // VK_DOWN
      return selected + n >= count ? selected % n : selected + n;
  }
}

PanTiltZone PanTiltZoneAt(int width, int height, int x, int y) {
  constexpr int kMinSize = 20;
  if (width <= kMinSize || height <= kMinSize) return PanTiltZone::kNone;
  if (x < 0 || y < 0 || x >= width || y >= height) return PanTiltZone::kNone;
  const int boxWidth = width * 3 / 5;
  const int boxHeight = height * 3 / 5;
  const int left = (width - boxWidth) / 2;
  const int top = (height - boxHeight) / 2;
  const int column = x < left ? 0 : (x < left + boxWidth ? 1 : 2);
  const int row = y < top ? 0 : (y < top + boxHeight ? 1 : 2);
  static constexpr PanTiltZone kZones[3][3] = {
      {PanTiltZone::kTopLeft, PanTiltZone::kTop, PanTiltZone::kTopRight},
      {PanTiltZone::kLeft, PanTiltZone::kCentre, PanTiltZone::kRight},
      {PanTiltZone::kBottomLeft, PanTiltZone::kBottom, PanTiltZone::kBottomRight},
  };
  return kZones[row][column];
}

std::vector<int> PanTiltCommands(PanTiltZone zone) {
  constexpr int kRight = 0, kLeft = 1, kUp = 2, kDown = 3;
  switch (zone) {
    case PanTiltZone::kTopLeft: return {kUp, kLeft};
    case PanTiltZone::kTop: return {kUp};
    case PanTiltZone::kTopRight: return {kUp, kRight};
    case PanTiltZone::kLeft: return {kLeft};
    case PanTiltZone::kRight: return {kRight};
    case PanTiltZone::kBottomLeft: return {kLeft, kDown};
    case PanTiltZone::kBottom: return {kDown};
    case PanTiltZone::kBottomRight: return {kDown, kRight};
    case PanTiltZone::kCentre:
    case PanTiltZone::kNone: break;
  }
  return {};
}

}  // namespace liveview
