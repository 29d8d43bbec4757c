#include "liveview/decode/jpeg_shown.h"

#include <algorithm>
#include <new>
#include <utility>

#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_error_manager.h"
#include "liveview/decode/jpeg_stream_source.h"
#include "liveview/decode/memory_stream.h"

namespace liveview {
namespace {

// The frame decoder's own settings, so a scaled picture is the full one made smaller.
void SetShownParams(j_decompress_ptr cinfo, int denom, int bitCount) {
  cinfo->err->trace_level = 0;
  cinfo->dct_method = JDCT_IFAST;
  cinfo->do_fancy_upsampling = FALSE;
  cinfo->dither_mode = JDITHER_ORDERED;
  cinfo->two_pass_quantize = FALSE;
  cinfo->desired_number_of_colors = 216;
  cinfo->scale_num = 1;
  cinfo->scale_denom = static_cast<unsigned int>(denom);
#ifdef JCS_EXTENSIONS
  cinfo->out_color_space = bitCount == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
#else
  (void)bitCount;
  cinfo->out_color_space = JCS_RGB;
#endif
}

#ifndef JCS_EXTENSIONS
// RGB triples as the library leaves them, turned where they lie into the surface's order.
void RgbToSurfaceOrder(uint8_t* row, int width, int bitCount) {
  if (bitCount == 24) {
    for (int x = 0; x < width; ++x) std::swap(row[x * 3], row[x * 3 + 2]);
    return;
  }
  for (int x = width - 1; x >= 0; --x) {
    const uint8_t r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
    row[x * 4] = b;
    row[x * 4 + 1] = g;
    row[x * 4 + 2] = r;
    row[x * 4 + 3] = 0;
  }
}
#endif

}  // namespace

bool PeekJpegSize(const uint8_t* frame, int length, int* width, int* height) {
  if (!frame || length < 4 || frame[0] != 0xFF || frame[1] != 0xD8) return false;
  int at = 2;
  while (at + 4 <= length) {
    if (frame[at] != 0xFF) return false;
    const uint8_t marker = frame[at + 1];
    if (marker == 0xFF) {  // fill bytes before a marker
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;  // markers without a length
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return false;  // image end or scan before any frame header
    const int segment = frame[at + 2] << 8 | frame[at + 3];
    if (segment < 2) return false;
    const bool frameHeader =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameHeader) {
      if (segment < 7 || at + 9 > length) return false;
      *height = frame[at + 5] << 8 | frame[at + 6];
      *width = frame[at + 7] << 8 | frame[at + 8];
      return true;
    }
    at += 2 + segment;
  }
  return false;
}

int ShownScaleDenom(int fullWidth, int fullHeight, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0 || fullWidth <= 0 || fullHeight <= 0) return 1;
  const int64_t w = fullWidth, h = fullHeight, bw = boxWidth, bh = boxHeight;
  if (bw * 4 <= w && bh * 4 <= h) return 4;
  if (bw * 2 <= w && bh * 2 <= h) return 2;
  return 1;
}

ShownResult DecodeJpegShown(MemoryStream* in, int boxWidth, int boxHeight, int bitCount,
                            ShownBuffer* buffer, ShownPicture* picture, ShownSizes sizes) {
  if (bitCount != 32 && bitCount != 24) return kShownFailed;
  // Only trivially destructible objects live in this frame: a fatal error long-jumps back
  // to the setjmp below from deep inside the library.
  jpeg_decompress_struct cinfo;
  JpegErrorManager errors;
  cinfo.err = InitJpegErrorManager(&errors);
  if (setjmp(errors.exit)) {
    jpeg_destroy_decompress(&cinfo);
    return kShownFailed;
  }
  jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
  InitStreamSource(&cinfo, in);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return kShownFailed;
  }
  const int fullWidth = static_cast<int>(cinfo.image_width);
  const int fullHeight = static_cast<int>(cinfo.image_height);
  const int denom = ShownScaleDenom(fullWidth, fullHeight, boxWidth, boxHeight);
  // The full picture's image must fit as the frame decoder makes it: what it refuses is
  // not shown smaller either.
  const bool fullSizeRefused = denom == 1 && sizes == ShownSizes::kReducedOnly;
  if (fullSizeRefused || !bmp::Fits(fullWidth, fullHeight, bmp::kMaxImageSize)) {
    jpeg_destroy_decompress(&cinfo);
    return fullSizeRefused ? kShownFullSize : kShownFailed;
  }
  SetShownParams(&cinfo, denom, bitCount);
  jpeg_calc_output_dimensions(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
#ifdef JCS_EXTENSIONS
  const int pitch = static_cast<int>(bmp::PaddedRowBytes(width, bitCount));
#else
  // Room for the library's RGB row before it is spread to four bytes a pixel.
  const int pitch = static_cast<int>(bmp::PaddedRowBytes(width, 32));
#endif
  const int64_t needed = static_cast<int64_t>(pitch) * height;
  // No library call inside: nothing long-jumps across the handler.
  try {
    buffer->bytes.resize(static_cast<size_t>(needed));
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&cinfo);
    return kShownFailed;
  }
  jpeg_start_decompress(&cinfo);
  if (static_cast<int>(cinfo.output_width) != width ||
      static_cast<int>(cinfo.output_height) != height) {
    jpeg_destroy_decompress(&cinfo);
    return kShownFailed;
  }
  JSAMPROW rows[16];
  while (cinfo.output_scanline < cinfo.output_height) {
    const int first = static_cast<int>(cinfo.output_scanline);
    const int count = std::min(16, height - first);
    for (int i = 0; i < count; ++i) rows[i] = buffer->bytes.data() + static_cast<int64_t>(first + i) * pitch;
    const int got = static_cast<int>(jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count)));
#ifndef JCS_EXTENSIONS
    for (int i = 0; i < got; ++i) RgbToSurfaceOrder(rows[i], width, bitCount);
#endif
    if (got <= 0) break;
  }
  jpeg_finish_decompress(&cinfo);
  const bool clean = cinfo.err->num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  if (!clean) return kShownFailed;
  picture->rows = buffer->bytes.data();
  picture->width = width;
  picture->height = height;
  picture->pitch = pitch;
  picture->bitCount = bitCount;
  picture->fullWidth = fullWidth;
  picture->fullHeight = fullHeight;
  return kShownDecoded;
}

}  // namespace liveview
