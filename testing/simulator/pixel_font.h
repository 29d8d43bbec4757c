// A 5 x 7 pixel font for the test picture's captions: digits, capital letters (small ones
// are drawn as capitals) and a little punctuation; anything else is drawn as "?".
#pragma once

#include <string_view>

#include "simulator/rgb_image.h"

namespace camsim {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between characters

// Width in pixels of `text` drawn at `scale`.
int TextWidth(std::string_view text, int scale);

// Draws `text` with its top-left corner at (x, y), each font pixel a scale x scale square.
void DrawText(RgbImage& image, int x, int y, int scale, std::string_view text, Rgb colour);

}  // namespace camsim
