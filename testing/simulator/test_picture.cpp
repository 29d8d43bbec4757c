#include "simulator/test_picture.h"

#include <algorithm>
#include <cstdio>

#include "simulator/pixel_font.h"

namespace camsim {
namespace {

constexpr Rgb kBars[] = {
    {235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
    {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16},
};
constexpr Rgb kCaptionBackground{0, 0, 0};
constexpr Rgb kCaptionText{255, 255, 255};
constexpr Rgb kBoxFill{255, 255, 255};
constexpr Rgb kBoxEdge{0, 0, 0};

void DrawBars(RgbImage& image, uint32_t frameNumber) {
  const int barWidth = std::max(1, image.width / 8);
  const int step = std::max(1, image.width / 80);
  const uint64_t offset = static_cast<uint64_t>(frameNumber) * step;
  for (int x = 0; x < image.width; ++x) image.SetPixel(x, 0, kBars[((x + offset) / barWidth) % 8]);
  // Every row is the same: copy the first.
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  for (int y = 1; y < image.height; ++y)
    std::copy_n(image.pixels.begin(), rowBytes, image.pixels.begin() + y * rowBytes);
}

void DrawSlidingBox(RgbImage& image, uint32_t frameNumber) {
  const int side = std::max(2, image.height / 6);
  const int travel = std::max(1, image.width - side);
  const int step = std::max(1, image.width / 40);
  // Back and forth rather than wrapping, so the box never jumps.
  const uint64_t along = static_cast<uint64_t>(frameNumber) * step % (2 * travel);
  const int x = static_cast<int>(along < static_cast<uint64_t>(travel) ? along : 2 * travel - along);
  const int y = image.height - side - std::max(1, image.height / 12);
  image.FillRect(x, y, side, side, kBoxEdge);
  image.FillRect(x + 1, y + 1, side - 2, side - 2, kBoxFill);
}

void DrawCaption(RgbImage& image, const std::string& cameraName, uint32_t frameNumber, int top) {
  const int scale = std::max(1, std::min(image.width / 160, image.height / 120));
  char frameText[32];
  std::snprintf(frameText, sizeof frameText, "FRAME %06u", static_cast<unsigned>(frameNumber));
  char sizeText[32];
  std::snprintf(sizeText, sizeof sizeText, "%dX%d", image.width, image.height);
  const std::string lines[] = {cameraName, frameText, sizeText};

  const int margin = 2 * scale;
  const int lineHeight = (kGlyphHeight + 3) * scale;
  int widest = 0;
  for (const auto& line : lines) widest = std::max(widest, TextWidth(line, scale));
  image.FillRect(0, top, widest + 2 * margin, 3 * lineHeight + margin, kCaptionBackground);
  for (int i = 0; i < 3; ++i)
    DrawText(image, margin, top + margin + i * lineHeight, scale, lines[i], kCaptionText);
}

}  // namespace

RgbImage RenderTestPicture(const std::string& cameraName, uint32_t frameNumber, int width,
                           int height, int captionTop) {
  RgbImage image(std::clamp(width, 1, kMaxPictureSide), std::clamp(height, 1, kMaxPictureSide));
  DrawBars(image, frameNumber);
  DrawSlidingBox(image, frameNumber);
  DrawCaption(image, cameraName, frameNumber, std::clamp(captionTop, 0, image.height - 1));
  return image;
}

}  // namespace camsim
