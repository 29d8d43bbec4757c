#include "recordbrowser/form/image_list.h"

#include "framework/error.h"
#include "recordbrowser/form/control.h"

namespace form {

ImageList::ImageList(fw::Component* owner, int width, int height, bool masked, int grow)
    : Component(owner), width_(width), height_(height), masked_(masked) {
  InitCommonControlsOnce();
  list_ = ImageList_Create(width, height, ILC_COLOR24 | (masked ? ILC_MASK : 0), 4, grow);
  if (!list_) throw fw::Error("An image list cannot be made.", E_OUTOFMEMORY);
}

ImageList::~ImageList() { ImageList_Destroy(list_); }

int ImageList::Add(fw::Bitmap& image, COLORREF transparent) {
  if (image.Empty())
    throw fw::Error("An empty picture cannot go into an image list.", E_INVALIDARG);
  fw::Bitmap sized;
  fw::Bitmap* source = &image;
  // A masked add blackens the transparent pixels of the bitmap it is given: never the
  // caller's.
  if (masked_ || image.Width() != width_ || image.Height() != height_) {
    sized.SetSize(width_, height_);
    sized.StretchFrom(image);
    source = &sized;
  }
  // The list copies the bitmap; it must not be selected into a DC meanwhile.
  source->ReleaseDc();
  int index;
  if (masked_) {
    COLORREF key = transparent;
    if (key == CLR_DEFAULT) key = GetPixel(source->Dc(), 0, source->Height() - 1);
    source->ReleaseDc();
    index = ImageList_AddMasked(list_, source->Handle(), key);
  } else {
    index = ImageList_Add(list_, source->Handle(), nullptr);
  }
  if (index < 0) throw fw::Error("An image list refused a picture.", E_FAIL);
  return index;
}

void ImageList::Clear() { ImageList_RemoveAll(list_); }

void ImageList::Draw(int index, HDC dc, int x, int y) const {
  ImageList_Draw(list_, index, dc, x, y, masked_ ? ILD_TRANSPARENT : ILD_NORMAL);
}

}  // namespace form
