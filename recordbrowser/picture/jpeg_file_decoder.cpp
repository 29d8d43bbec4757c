#include "recordbrowser/picture/jpeg_file_decoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>
#include <new>

#include <jpeglib.h>
//
#include <jerror.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces are needed (JCS_EXT_BGR)"
#endif

namespace vantrel {

namespace {

// libjpeg's standard manager, silent, with a way back out of the library: a fatal error
// formats its message and jumps to `exit`. Code between the setjmp and the library holds
// only trivially destructible locals, since the jump skips destructors.
struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg only ever sees this part
  std::jmp_buf exit;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->exit, 1);
}

void DiscardMessage(j_common_ptr) {}

// The file image in memory. Past its end the library gets an end-of-image marker (with the
// warning it counts), so a cut picture still ends.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

// A skip past the end goes straight to the end, never round a loop of refills.
void SkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  if (static_cast<unsigned long>(count) < source->bytes_in_buffer) {
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
  } else {
    FillInput(cinfo);
  }
}

void TermSource(j_decompress_ptr) {}

struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  jpeg_source_mgr source;
};

void SetMessage(Decoder* d, const char* text) {
  std::snprintf(d->error.message, sizeof d->error.message, "%s", text);
}

// 0 decoded; 1 refused, the reason in d->error.message. Locals here are all trivial.
int Run(Decoder* d, const uint8_t* data, size_t size, const JpegDecodeLimits& limits,
        JpegPicture* picture) {
  j_decompress_ptr cinfo = &d->cinfo;
  cinfo->err = jpeg_std_error(&d->error.pub);
  d->error.pub.error_exit = ErrorExit;
  d->error.pub.output_message = DiscardMessage;
  if (setjmp(d->error.exit)) {
    jpeg_destroy_decompress(cinfo);
    return 1;
  }
  jpeg_create_decompress(cinfo);
  d->source.init_source = InitSource;
  d->source.fill_input_buffer = FillInput;
  d->source.skip_input_data = SkipInput;
  d->source.resync_to_restart = jpeg_resync_to_restart;
  d->source.term_source = TermSource;
  d->source.next_input_byte = data;
  d->source.bytes_in_buffer = size;
  cinfo->src = &d->source;

  int refused = 0;
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
    SetMessage(d, "holds no picture");
    refused = 1;
  } else if (cinfo->jpeg_color_space != JCS_GRAYSCALE && cinfo->jpeg_color_space != JCS_YCbCr &&
             cinfo->jpeg_color_space != JCS_RGB) {
    SetMessage(d, "is neither a colour nor a greyscale picture");
    refused = 1;
  } else if (uint64_t{cinfo->image_width} * cinfo->image_height > limits.maxSourcePixels) {
    SetMessage(d, "is too large a picture");
    refused = 1;
  }
  if (refused) {
    jpeg_destroy_decompress(cinfo);
    return 1;
  }
  picture->sourceWidth = static_cast<int>(cinfo->image_width);
  picture->sourceHeight = static_cast<int>(cinfo->image_height);
  cinfo->scale_num = 1;
  cinfo->scale_denom = static_cast<unsigned>(
      JpegScaleDenominator(picture->sourceWidth, picture->sourceHeight, limits));
  cinfo->out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 3 || cinfo->output_width == 0 || cinfo->output_height == 0) {
    SetMessage(d, "gives no colour rows");
    jpeg_destroy_decompress(cinfo);
    return 1;
  }
  const int width = static_cast<int>(cinfo->output_width);
  const int height = static_cast<int>(cinfo->output_height);
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  try {
    picture->rows.assign(stride * static_cast<size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    SetMessage(d, "is too large for the memory left");
    jpeg_destroy_decompress(cinfo);
    return 1;
  }
  uint8_t* const rows = picture->rows.data();
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = rows + (static_cast<size_t>(height) - 1 - cinfo->output_scanline) * stride;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
  }
  picture->width = width;
  picture->height = height;
  picture->stride = static_cast<int>(stride);
  // The rest of the file (markers after the picture) is not needed.
  jpeg_destroy_decompress(cinfo);
  return 0;
}

}  // namespace

int JpegScaleDenominator(int width, int height, const JpegDecodeLimits& limits) {
  for (int d : {8, 4, 2}) {
    const int64_t w = (int64_t{width} + d - 1) / d;
    const int64_t h = (int64_t{height} + d - 1) / d;
    if (w >= limits.minWidth && h >= limits.minHeight) return d;
  }
  return 1;
}

std::string DecodeJpegFile(const uint8_t* data, size_t size, const JpegDecodeLimits& limits,
                           JpegPicture* picture) {
  *picture = JpegPicture();
  if (!data || size == 0) return "is empty";
  Decoder decoder;
  std::memset(&decoder, 0, sizeof decoder);
  if (Run(&decoder, data, size, limits, picture) != 0) {
    *picture = JpegPicture();
    return decoder.error.message[0] ? std::string(decoder.error.message)
                                    : std::string("is no JPEG picture");
  }
  return {};
}

}  // namespace vantrel
