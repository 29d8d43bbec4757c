// fw::Bitmap: a picture that is always a DIB section, so its pixels can be read and written
// directly and any thread can draw on it (under its canvas lock).
//
// Depths 1, 4 and 8 have a colour table (black and white; the 16 standard colours; a
// 6 x 6 x 6 colour cube and 40 greys, until SetColorTable); 16 is 5-5-5, or 5-6-5 when a
// file or a handed-over section says so; 24 and 32 are blue-green-red(-unused).
// Failures (no memory for a section, a file that cannot be read or written) raise
// fw::Error; file errors name the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/critical_section.h"

namespace fw {

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bpp_; }
  bool Empty() const { return !dib_; }

  // A new section of that size and the current depth, all pixels 0 (black, or colour 0);
  // 0 x 0 frees the image.
  void SetSize(int width, int height);
  // 1, 4, 8, 16, 24 or 32; a new section of the current size when it changes.
  void SetBitsPerPixel(int bitsPerPixel);

  HBITMAP Handle() const { return dib_; }
  // Takes ownership of `bitmap`. A DIB section is kept as it is (FrameToBitmap hands its
  // frame over this way); any other bitmap is copied into a 32-bit section and deleted.
  // Null frees the image.
  void SetHandle(HBITMAP bitmap);
  // Frees the pixels and the DC; the bitmap is 0 x 0 and keeps its depth.
  void FreeImage();

  // A memory DC with the bitmap selected, made on first use and kept until the image
  // changes or ReleaseDc. A bitmap handed to another API (an image list) is released first.
  HDC Dc();
  void ReleaseDc();

  // The canvas lock, for drawing from more than one thread; it nests.
  void Lock() { EnterCriticalSection(&lock_.native()); }
  void Unlock() { LeaveCriticalSection(&lock_.native()); }

  // Draws all of `source` over all of this bitmap with COLORONCOLOR, so a reduction takes
  // exact source pixels, never blends. Neither may be empty.
  void StretchFrom(Bitmap& source);

  // Uncompressed BMP files with info headers of 40, 108 or 124 bytes, BI_RGB or
  // BI_BITFIELDS, bottom-up or top-down. The bitmap takes the file's size and depth
  // (32-bit files with other masks become blue-green-red-unused). A file whose sizes,
  // depth, colour count or pixel offset do not fit it is refused and the bitmap is left
  // as it was.
  void LoadBmpFile(const std::string& path);
  // 14-byte file header, 40-byte info header (with the three masks of a 5-6-5 bitmap),
  // the colour table, bottom-up rows padded to 4 bytes. A write that does not complete (a
  // full disk) raises; what was written stays for the caller to judge.
  void SaveBmpFile(const std::string& path);

  // Row `y` counted from the top; Stride() bytes long.
  uint8_t* Row(int y);
  const uint8_t* Row(int y) const;
  int Stride() const { return Stride(width_, bpp_); }
  static int Stride(int width, int bitsPerPixel);

  // Depths of 8 bits or less.
  std::vector<RGBQUAD> ColorTable() const { return colors_; }
  void SetColorTable(const std::vector<RGBQUAD>& colors);
  // 16 bits per pixel with a 6-bit green.
  bool Is565() const { return is565_; }

 private:
  void Create(int width, int height, int bpp, bool is565, const std::vector<RGBQUAD>& colors);
  void Adopt(HBITMAP dib);
  void Clear();

  base::CriticalSection lock_;
  HBITMAP dib_ = nullptr;
  uint8_t* bits_ = nullptr;
  bool topDown_ = false;
  int width_ = 0;
  int height_ = 0;
  int bpp_ = 24;
  bool is565_ = false;
  std::vector<RGBQUAD> colors_;
  HDC dc_ = nullptr;
  HGDIOBJ dcOld_ = nullptr;
};

// Holds a bitmap's canvas lock for its scope.
class CanvasLock {
 public:
  explicit CanvasLock(Bitmap& bitmap) : bitmap_(bitmap) { bitmap_.Lock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;
  ~CanvasLock() { bitmap_.Unlock(); }

 private:
  Bitmap& bitmap_;
};

}  // namespace fw
