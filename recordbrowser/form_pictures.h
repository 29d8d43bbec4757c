// The pictures the record browser's form carries, drawn by code: the kinds of group (date,
// camera, area) at any size, the built-in media-type image and the four button glyphs.
// Each is drawn on magenta, which the masked image lists and the buttons make transparent
// (the bottom-left pixel is always background).
#pragma once

#include "framework/bitmap.h"

namespace vantrel {

enum class Picture { kDate, kCamera, kArea, kMedia, kGoto, kView, kLocate, kDelete };

constexpr COLORREF kPictureBackground = RGB(255, 0, 255);

// `bitmap` becomes a 24-bit `size` x `size` picture.
void DrawPicture(fw::Bitmap& bitmap, Picture picture, int size);

}  // namespace vantrel
