#include "liveview/decode/tests/jpeg_fixture.h"

#include <csetjmp>
#include <cstdlib>
#include <memory>

namespace jpegfixture {
namespace {

struct CompressErrors {
  jpeg_error_mgr pub;
  std::jmp_buf exit;
};

void CompressErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<CompressErrors*>(cinfo->err)->exit, 1);
}

// Little LCG: the same pictures on every run and every platform.
struct Lcg {
  uint32_t state;
  uint8_t Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<uint8_t>(state >> 24);
  }
};

// Compresses rows already laid out; kept free of C++ objects with destructors because a
// compressor error long-jumps back into it.
bool Compress(const Picture& picture, const Options& options, const std::vector<uint8_t>& rows,
              const std::vector<JOCTET>& marker, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  CompressErrors errors;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = CompressErrorExit;
  if (setjmp(errors.exit)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = picture.components;
  cinfo.in_color_space = picture.colorSpace;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  cinfo.density_unit = static_cast<UINT8>(options.densityUnit);
  cinfo.X_density = static_cast<UINT16>(options.xDensity);
  cinfo.Y_density = static_cast<UINT16>(options.yDensity);
  if (options.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  if (!marker.empty())
    jpeg_write_marker(&cinfo, JPEG_APP0 + 2, marker.data(), static_cast<unsigned>(marker.size()));
  const size_t stride = static_cast<size_t>(picture.width) * picture.components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(rows.data() + stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::vector<uint8_t> MakeJpeg(const Picture& picture, const Options& options) {
  const size_t stride = static_cast<size_t>(picture.width) * picture.components;
  std::vector<uint8_t> rows(stride * static_cast<size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      picture.pixel(x, y, rows.data() + stride * y + static_cast<size_t>(x) * picture.components);

  const std::vector<JOCTET> marker(static_cast<size_t>(options.appMarkerBytes), 0x5A);
  unsigned char* compressed = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> jpeg;
  if (Compress(picture, options, rows, marker, &compressed, &size))
    jpeg.assign(compressed, compressed + size);
  std::free(compressed);
  return jpeg;
}

std::vector<uint8_t> SolidJpeg(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
  return MakeJpeg({width, height, 3, JCS_RGB, [=](int, int, uint8_t* p) {
                     p[0] = red;
                     p[1] = green;
                     p[2] = blue;
                   }});
}

std::vector<uint8_t> NoiseJpeg(int width, int height, uint32_t seed) {
  auto lcg = std::make_shared<Lcg>(Lcg{seed});
  return MakeJpeg({width, height, 3, JCS_RGB, [lcg](int, int, uint8_t* p) {
                     p[0] = lcg->Next();
                     p[1] = lcg->Next();
                     p[2] = lcg->Next();
                   }});
}

std::vector<uint8_t> CameraSceneJpeg(int width, int height) {
  auto lcg = std::make_shared<Lcg>(Lcg{12345});
  auto scene = [=](int x, int y, uint8_t* p) {
    // Sky-to-floor gradient.
    int r = 60 + 120 * y / height, g = 90 + 100 * y / height, b = 200 - 120 * y / height;
    // A lit wall and a dark doorway with hard edges, as in an indoor camera view.
    if (x > width / 8 && x < width / 2 && y > height / 4) r = g = b = 180 + (x * 37 / width);
    if (x > width / 4 && x < width / 3 && y > height / 2) r = g = b = 30;
    // A coloured object with a diagonal edge.
    if (x > 2 * width / 3 && y > height / 3 && x - 2 * width / 3 < y - height / 3) {
      r = 200;
      g = 40;
      b = 40;
    }
    const int noise = lcg->Next() % 9 - 4;
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    p[0] = clamp(r + noise);
    p[1] = clamp(g + noise);
    p[2] = clamp(b + noise);
  };
  return MakeJpeg({width, height, 3, JCS_RGB, scene}, Options{80});
}

}  // namespace jpegfixture
