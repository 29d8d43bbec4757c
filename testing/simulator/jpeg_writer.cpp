#include "simulator/jpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace camsim {
namespace {

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf unwind;
};

void TrapErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->unwind, 1);
}

void Silent(j_common_ptr) {}

// Only plain C data lives in this frame: the longjmp must skip no destructor.
bool Compress(const uint8_t* pixels, int width, int height, int quality, unsigned char** out,
              unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  ErrorTrap trap;
  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = TrapErrorExit;
  trap.manager.output_message = Silent;
  if (setjmp(trap.unwind)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const RgbImage& image, int quality) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
    return {};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = Compress(image.pixels.data(), image.width, image.height,
                           std::clamp(quality, 1, 100), &buffer, &size);
  std::vector<uint8_t> jpeg;
  if (!ok) {
    // Once the destination has grown, `buffer` still names the block it already freed and
    // the live one is out of reach: leaking is the only safe course, and only out-of-memory
    // gets here.
    return jpeg;
  }
  jpeg.assign(buffer, buffer + size);
  std::free(buffer);  // jpeg_mem_dest allocates with malloc
  return jpeg;
}

}  // namespace camsim
