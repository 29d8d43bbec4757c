#include "liveview/render/pixel_copy.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "liveview/decode/bmp_image.h"

namespace liveview {

namespace {

// The fourth byte becomes 0 whatever the source left in it.
void CopyWords32(const uint8_t* src, uint8_t* dst, int from, int count) {
  for (int x = from; x < count; ++x) {
    uint32_t pixel;
    std::memcpy(&pixel, src + 4 * x, 4);
    pixel &= 0x00FFFFFFu;
    std::memcpy(dst + 4 * x, &pixel, 4);
  }
}

// Four pixels a step, the frame path's case (a whole picture each frame). The build's baseline
// is the plain i686 instruction set; this runs only where the processor has SSE2.
__attribute__((target("sse2"))) void CopyWords32Sse2(const uint8_t* src, uint8_t* dst,
                                                     int count) {
  const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
  int x = 0;
  for (; x + 4 <= count; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_and_si128(pixels, mask));
  }
  CopyWords32(src, dst, x, count);
}

bool HasSse2() {
  static const bool has = __builtin_cpu_supports("sse2");
  return has;
}

void CopyRow32(const uint8_t* src, int srcStep, uint8_t* dst, int count) {
  if (srcStep == 4) {
    if (HasSse2()) {
      CopyWords32Sse2(src, dst, count);
    } else {
      CopyWords32(src, dst, 0, count);
    }
    return;
  }
  for (int x = 0; x < count; ++x, src += srcStep, dst += 4) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    dst[3] = 0;
  }
}

void CopyRow24(const uint8_t* src, int srcStep, uint8_t* dst, int count) {
  if (srcStep == 3) {
    std::memcpy(dst, src, static_cast<size_t>(count) * 3);
    return;
  }
  for (int x = 0; x < count; ++x, src += srcStep, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

void CopyRow16(const uint8_t* src, int srcStep, uint8_t* dst, int count) {
  for (int x = 0; x < count; ++x, src += srcStep, dst += 2) {
    const uint16_t p = Pack565(src[2], src[1], src[0]);
    dst[0] = static_cast<uint8_t>(p & 0xFF);  // surfaces are little-endian; dst may be unaligned
    dst[1] = static_cast<uint8_t>(p >> 8);
  }
}

}  // namespace

bool CopyPixels(const PixelSource& source, const PixelDestination& destination) {
  if (source.bitCount != 24 && source.bitCount != 32) return false;
  void (*copyRow)(const uint8_t*, int, uint8_t*, int) = nullptr;
  switch (destination.bitCount) {
    case 32: copyRow = CopyRow32; break;
    case 24: copyRow = CopyRow24; break;
    case 16: copyRow = CopyRow16; break;
    default: return false;
  }
  if (!source.rows || !destination.rows) return false;
  const int srcStep = source.bitCount / 8;
  const int srcRowBytes = static_cast<int>(bmp::PaddedRowBytes(source.width, source.bitCount));
  const int columns = std::min(source.width, destination.width);
  const int rows = std::min(source.height, destination.height);
  for (int y = 0; y < rows; ++y) {
    const int stored = source.bottomUp ? source.height - 1 - y : y;
    copyRow(source.rows + static_cast<ptrdiff_t>(stored) * srcRowBytes, srcStep,
            destination.rows + static_cast<ptrdiff_t>(y) * destination.pitch, columns);
  }
  return true;
}

}  // namespace liveview
