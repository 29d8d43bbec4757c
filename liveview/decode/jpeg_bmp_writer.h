// Places libjpeg's output straight into the in-memory BMP image held by a MemoryStream:
// each scanline is decoded at its final bottom-up place, turned from RGB into BGR where it
// lies and zero-padded, so the picture is never copied or flipped as a whole.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

class MemoryStream;

struct BmpRowLayout {
  int width;     // pixels per row
  int height;    // rows
  int rowWidth;  // bytes per stored row, a multiple of 4
  int padCount;  // zero bytes after each row's pixels
};

// Before jpeg_start_decompress: checks that the output is 3-component RGB and that the
// whole image fits `out` as it is (the rows are placed without growing it). Error exits
// otherwise. Returns the row layout, which it also stores as `out`'s pad count.
BmpRowLayout InitBmpWriter(j_decompress_ptr cinfo, MemoryStream* out);

// After jpeg_start_decompress: decodes every scanline into its place, bottom row first in
// the buffer. Error exits when the library's output geometry is not the checked one.
void ReadRowsBottomUp(j_decompress_ptr cinfo, const BmpRowLayout& layout, MemoryStream* out);

// Writes the 54 header bytes at the start of `out`; a short write is a library error.
void WriteBmpHeader(j_decompress_ptr cinfo, MemoryStream* out);

// RGB triples to BGR in place, then `padCount` zero bytes after them.
void RgbRowToBgr(JSAMPLE* row, int width, int padCount);
