// An image list of the form: images of one size, 24-bit colour, so the unused byte of an
// RGB32 frame never acts as alpha; a masked list makes one colour of each image transparent.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/bitmap.h"
#include "framework/component.h"

namespace form {

class ImageList : public fw::Component {
 public:
  // `grow`: how many images the list makes room for at a time (a list that takes many grows
  // in larger steps, so it is copied less often).
  ImageList(fw::Component* owner, int width, int height, bool masked = false, int grow = 4);
  ~ImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  HIMAGELIST Handle() const { return list_; }
  int Count() const { return ImageList_GetImageCount(list_); }

  // Adds `image`, stretched to the list's size when it has another; on a masked list
  // `transparent` (CLR_DEFAULT: the image's bottom-left pixel) shows through. The index of
  // the new image; fw::Error when the list refuses it.
  int Add(fw::Bitmap& image, COLORREF transparent = CLR_DEFAULT);
  void Clear();
  void Draw(int index, HDC dc, int x, int y) const;

 private:
  int width_;
  int height_;
  bool masked_;
  HIMAGELIST list_;
};

}  // namespace form
