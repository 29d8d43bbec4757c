#include "jpeg_probe.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace camsim_test {
namespace {

struct Trap {
  jpeg_error_mgr manager;
  std::jmp_buf unwind;
};

void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Trap*>(cinfo->err)->unwind, 1); }
void Quiet(j_common_ptr) {}

// Plain C locals only: the longjmp skips this frame's destructors.
bool Decode(const unsigned char* data, unsigned long size, unsigned char* row, size_t rowSize,
            JpegProbe* probe) {
  jpeg_decompress_struct cinfo;
  Trap trap;
  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = ErrorExit;
  trap.manager.output_message = Quiet;
  if (setjmp(trap.unwind)) {
    probe->warnings = trap.manager.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  probe->width = static_cast<int>(cinfo.image_width);
  probe->height = static_cast<int>(cinfo.image_height);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width * 3 > rowSize) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  probe->warnings = trap.manager.num_warnings;
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

JpegProbe ProbeJpeg(const std::string& bytes) {
  JpegProbe probe;
  if (bytes.empty()) return probe;
  std::vector<unsigned char> row(3 * 8192);
  probe.decoded = Decode(reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned long>(bytes.size()), row.data(), row.size(), &probe);
  return probe;
}

bool EndsWithEoi(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[bytes.size() - 2]) == 0xFF &&
         static_cast<unsigned char>(bytes[bytes.size() - 1]) == 0xD9;
}

}  // namespace camsim_test
