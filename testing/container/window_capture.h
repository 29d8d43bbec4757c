// Pixels of a window as it shows on the test display, for checks on what was painted.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_container {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row by row from the top, 0x00RRGGBB

  COLORREF At(int x, int y) const;
  // Share of the pixels of `area` within `tolerance` (per channel) of `color`, 0 to 1.
  double ShareOf(COLORREF color, const RECT& area, int tolerance = 8) const;
  // A 24-bit BMP file, for looking at a failure.
  bool SaveBmp(const std::string& path) const;
  // A 24-bit bottom-up BMP file as SaveBmp writes it; nothing for any other file.
  static std::optional<Image> LoadBmp(const std::string& path);
};

// The client area of `window` (its child windows included), after it has painted.
std::optional<Image> CaptureWindow(HWND window);
// The whole window, caption and frame included, as the screen shows it: it may belong to
// another process, and must lie on the screen above the others.
std::optional<Image> CaptureWholeWindow(HWND window);

// Draws a control's view (IViewObject::Draw) into a memory bitmap of `width` x `height`.
std::optional<Image> DrawView(IUnknown* control, int width, int height);

}  // namespace test_container
