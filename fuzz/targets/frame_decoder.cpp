// The camera window's frame decoder over libjpeg-turbo: every input is one frame, decoded by
// one decoder that lives for the whole run, as a camera window's does. Frames go up to past
// the 512 KiB limit, pictures up to and past the 2 MiB image limit. The same decoder then
// decodes the frame reduced, as a small camera window does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "base/byte_order.h"
#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/jpeg_shown.h"
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
    // A frame that decodes cleanly has its size where the window looks for it first, and
    // decodes reduced to the scaled size in every format the window asks for.
    int peekedWidth = 0, peekedHeight = 0;
    FUZZ_CHECK(liveview::PeekJpegSize(data, length, &peekedWidth, &peekedHeight));
    FUZZ_CHECK(peekedWidth == width && peekedHeight == height);
    for (const int denom : {2, 4}) {
      const int boxWidth = width / denom, boxHeight = height / denom;
      if (boxWidth == 0 || boxHeight == 0) continue;
      liveview::ShownPicture shown;
      const int bitCount = denom == 2 ? 32 : 24;
      FUZZ_CHECK(decoder->DecodeShown(data, length, boxWidth, boxHeight, bitCount, &shown) ==
                 liveview::kShownDecoded);
      FUZZ_CHECK(shown.fullWidth == width && shown.fullHeight == height);
      FUZZ_CHECK(shown.width == (width + denom - 1) / denom);
      FUZZ_CHECK(shown.height == (height + denom - 1) / denom);
      FUZZ_CHECK(shown.pitch == bmp::PaddedRowBytes(shown.width, bitCount));
      for (int y = 0; y < shown.height; ++y) g_fuzzSink += shown.rows[int64_t(y) * shown.pitch];
    }
    FUZZ_CHECK(decoder->GetBits() == bits && decoder->GetWidth() == width);
  } else if (length > 0) {
    // Whatever the bytes, a reduced decode ends, and never shows a frame the full one refuses
    // for its data.
    liveview::ShownPicture shown;
    decoder->DecodeShown(data, length, 40, 30, 32, &shown);
  }
  decoder->EndFrame();
  return 0;
}
