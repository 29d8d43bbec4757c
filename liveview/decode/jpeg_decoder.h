// The camera window's decoder for motion-JPEG frames: each frame becomes an in-memory BMP
// image (see bmp_image.h) in a buffer the decoder owns and reuses for every frame.
#pragma once

#include "liveview/decode/bmp_image.h"
#include "liveview/decode/frame_decoder.h"
#include "liveview/decode/jpeg_shown.h"
#include "liveview/decode/memory_stream.h"

class CJpegDecoder final : public CFrameDecoder {
 public:
  // The stream client collects frames in a buffer of the same size, so no longer frame
  // should arrive; one that does is refused rather than cut.
  static constexpr int kMaxFrameLength = 0x80000;

  // Never throws; when the buffers cannot be allocated every Decode returns 0.
  CJpegDecoder();

  int CanDecode(const uint8_t* frame, int length) override;
  void EndFrame() override;
  int GetWidth() override;
  int GetHeight() override;
  int GetBitCount() override;
  int Decode(const uint8_t* frame, int length) override;
  const uint8_t* GetInfoHeader() override;
  const uint8_t* GetBits() override;

  // The frame at the size a window of `boxWidth` x `boxHeight` shows it (see
  // DecodeJpegShown); the rows stay valid until the next call or TakeShownRows. The BMP image
  // of the last Decode is left as it is.
  liveview::ShownResult DecodeShown(
      const uint8_t* frame, int length, int boxWidth, int boxHeight, int bitCount,
      liveview::ShownPicture* picture,
      liveview::ShownSizes sizes = liveview::ShownSizes::kReducedOnly);
  // Hands the rows of the last DecodeShown over to `keeper` without copying them; `keeper`'s
  // old storage is what the next DecodeShown writes into.
  void TakeShownRows(std::vector<uint8_t>* keeper) { shown_.bytes.swap(*keeper); }

 private:
  MemoryStream input_;
  MemoryStream output_;
  // Set by GetInfoHeader; until then the size getters answer 0.
  bool infoHeaderTaken_ = false;
  liveview::ShownBuffer shown_;
};
