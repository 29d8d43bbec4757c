// The camera window's frame decoder over libjpeg-turbo: every input is one frame, decoded by
// one decoder that lives for the whole run, as a camera window's does. Frames go up to past
// the 512 KiB limit, pictures up to and past the 2 MiB image limit.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_order.h"
#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_decoder.h"
#include "support/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CJpegDecoder* const decoder = new CJpegDecoder();
  const int length = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  if (!decoder->CanDecode(data, length)) return 0;
  const int result = decoder->Decode(size ? data : nullptr, length);
  if (result == 1) {
    FUZZ_CHECK(length <= CJpegDecoder::kMaxFrameLength);
    const uint8_t* info = decoder->GetInfoHeader();
    const uint8_t* image = info - bmp::kFileHeaderSize;
    const int width = decoder->GetWidth();
    const int height = decoder->GetHeight();
    FUZZ_CHECK(width > 0 && height > 0);
    FUZZ_CHECK(decoder->GetBitCount() == 24 && decoder->IsBottomUp());
    FUZZ_CHECK(image[0] == 'B' && image[1] == 'M');
    const int64_t imageSize = bmp::ImageSize(width, height);
    FUZZ_CHECK(imageSize <= bmp::kMaxImageSize);
    FUZZ_CHECK(base::ReadLe32(image + 2) == imageSize);
    FUZZ_CHECK(base::ReadLe32(image + 10) == bmp::kPixelOffset);
    FUZZ_CHECK(decoder->GetBits() == image + bmp::kPixelOffset);
    // What the renderer and the host's picture copy read: every row, pad bytes zero.
    const int64_t row = bmp::RowWidth(width);
    const uint8_t* bits = decoder->GetBits();
    
    for (int y = 0; y < height; ++y) {
      const uint8_t* r = bits + row * y;
      g_fuzzSink += r[0];
      for (int64_t i = int64_t(width) * 3; i < row; ++i) FUZZ_CHECK(r[i] == 0);
    }
  }
  decoder->EndFrame();
  return 0;
}
