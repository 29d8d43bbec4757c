// A libjpeg data source that feeds the decompressor from a MemoryStream in 4096-byte
// refills. A frame that ends early gets an end-of-image marker and a warning, so the
// library finishes the picture and the caller learns that the frame was damaged.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

class MemoryStream;

constexpr int kStreamSourceBufferSize = 4096;

// Points the decompression object at `stream`, which must outlive the decompression. The
// source object and its buffer come from the library's permanent pool, made once per
// decompression object.
void InitStreamSource(j_decompress_ptr cinfo, MemoryStream* stream);
