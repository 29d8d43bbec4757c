// Decodes a 640 x 480 camera-like JPEG frame again and again, once through CJpegDecoder and
// once through plain libjpeg into a throw-away row, with the same decoding settings, so the
// cost of the decoder's own work (copying the frame in, refilling its source, placing and
// converting rows, writing headers) shows as the ratio of the two.
// Usage: frame_decode_bench [frames]   (default 300)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/tests/jpeg_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

bool DecodePlain(const std::vector<uint8_t>& frame, std::vector<JSAMPLE>* row) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);  // the frame is valid: any error ends the program
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, frame.data(), static_cast<unsigned long>(frame.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = JDCT_IFAST;
  cinfo.do_fancy_upsampling = FALSE;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  row->resize(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
  JSAMPROW rowPointer = row->data();
  while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, &rowPointer, 1);
  jpeg_finish_decompress(&cinfo);
  const bool clean = errors.num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  return clean;
}

struct Figures {
  double msPerFrame;
  double megapixelsPerSecond;
};

template <typename DecodeOnce>
Figures Measure(int frames, int pixels, DecodeOnce decodeOnce) {
  for (int i = 0; i < 10; ++i) decodeOnce();  // warm caches and the allocator
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) decodeOnce();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return {seconds * 1000.0 / frames, static_cast<double>(pixels) * frames / seconds / 1e6};
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  if (frames <= 0) {
    std::fprintf(stderr, "usage: frame_decode_bench [frames]\n");
    return 2;
  }
  const int width = 640, height = 480;
  const std::vector<uint8_t> frame = jpegfixture::CameraSceneJpeg(width, height);
  const int length = static_cast<int>(frame.size());

  CJpegDecoder decoder;
  if (decoder.Decode(frame.data(), length) != 1) {
    std::fprintf(stderr, "the benchmark frame does not decode cleanly\n");
    return 1;
  }
  std::vector<JSAMPLE> row;
  if (!DecodePlain(frame, &row)) {
    std::fprintf(stderr, "plain libjpeg warns about the benchmark frame\n");
    return 1;
  }

  int failures = 0;
  const Figures ours = Measure(frames, width * height, [&] {
    if (decoder.Decode(frame.data(), length) != 1) ++failures;
  });
  const Figures plain = Measure(frames, width * height, [&] { DecodePlain(frame, &row); });
  if (failures) {
    std::fprintf(stderr, "%d frames failed to decode\n", failures);
    return 1;
  }

  std::printf("frame: %d x %d JPEG, %d bytes; %d frames each\n", width, height, length, frames);
  std::printf("CJpegDecoder:  %8.3f ms/frame  %8.2f megapixels/s\n", ours.msPerFrame,
              ours.megapixelsPerSecond);
  std::printf("plain libjpeg: %8.3f ms/frame  %8.2f megapixels/s\n", plain.msPerFrame,
              plain.megapixelsPerSecond);
  std::printf("decoder / plain time: %.3f\n", ours.msPerFrame / plain.msPerFrame);
  return 0;
}
