#include "liveview/decode/jpeg_to_bmp.h"

#include "liveview/decode/jpeg_bmp_writer.h"
#include "liveview/decode/jpeg_error_manager.h"
#include "liveview/decode/jpeg_stream_source.h"
#include "liveview/decode/memory_stream.h"

static_assert(JPEG_LIB_VERSION == 62, "the frame decoder is written against the v6.2 API");

namespace {

// Speed over the last bit of quality: a live view decodes up to 16 streams at once.
// Reading the header resets these, so they are set before and after it.
void SetDecodeParams(j_decompress_ptr cinfo) {
  cinfo->err->trace_level = 0;
  cinfo->dct_method = JDCT_IFAST;
  cinfo->do_fancy_upsampling = FALSE;
  cinfo->dither_mode = JDITHER_ORDERED;
  cinfo->two_pass_quantize = FALSE;
  cinfo->desired_number_of_colors = 216;
  // Three bytes a pixel from every frame, greyscale ones included, to match the 24-bit rows.
  cinfo->out_color_space = JCS_RGB;
}

}  // namespace

int DecodeJpegToBmp(MemoryStream* in, MemoryStream* out) {
  // Only trivially destructible objects live in this frame: a fatal error long-jumps back
  // to the setjmp below from deep inside the library.
  jpeg_decompress_struct cinfo;
  JpegErrorManager errors;
  cinfo.err = InitJpegErrorManager(&errors);
  if (setjmp(errors.exit)) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
  SetDecodeParams(&cinfo);
  InitStreamSource(&cinfo, in);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  SetDecodeParams(&cinfo);
  const BmpRowLayout layout = InitBmpWriter(&cinfo, out);
  jpeg_start_decompress(&cinfo);
  ReadRowsBottomUp(&cinfo, layout, out);
  WriteBmpHeader(&cinfo, out);
  jpeg_finish_decompress(&cinfo);
  const bool clean = cinfo.err->num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  return clean ? 1 : 0;
}
