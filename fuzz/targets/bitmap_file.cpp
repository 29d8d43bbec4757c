// fw::Bitmap's .bmp loader over a whole file image: the header check, and every row copied
// the way the loader fills its section.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/bmp_layout.h"
#include "support/fuzz_check.h"

using namespace fw;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BmpLayout layout;
  if (!ReadBmpLayout(data, size, &layout).empty()) return 0;
  const int bpp = layout.bitsPerPixel;
  FUZZ_CHECK(layout.width > 0 && layout.height > 0 && layout.width <= 0xFFFF &&
             layout.height <= 0xFFFF);
  FUZZ_CHECK(layout.stride == (uint64_t(layout.width) * bpp + 31) / 32 * 4);
  FUZZ_CHECK(layout.pixelOffset + layout.stride * uint64_t(layout.height) <= size);
  FUZZ_CHECK(bpp <= 8 ? layout.colors.size() <= (size_t{1} << bpp) : layout.colors.empty());
  FUZZ_CHECK(!layout.is565 || bpp == 16);
  FUZZ_CHECK(!layout.convert32 || bpp == 32);

  // What the section holds: a row of the stride, the sanitizers watching both ends.
  std::vector<uint8_t> row(static_cast<size_t>(layout.stride));
  for (int y = 0; y < layout.height; ++y) {
    CopyBmpRow(data, layout, y, row.data());
    g_fuzzSink += row.front();
    g_fuzzSink += row.back();
  }
  // A channel's full value is white and its empty value black, whatever the mask's width.
  for (uint32_t mask : layout.masks) {
    if (!mask) continue;
    FUZZ_CHECK(BmpChannel(mask, mask) == 255);
    FUZZ_CHECK(BmpChannel(~mask, mask) == 0);
  }
  return 0;
}
