#include "liveview/decode/jpeg_decoder.h"

#include "liveview/decode/jpeg_to_bmp.h"

CJpegDecoder::CJpegDecoder()
    : CFrameDecoder(/*isBottomUp=*/1, /*isKeyFrame=*/1),
      input_(kMaxFrameLength),
      output_(bmp::kMaxImageSize) {}

int CJpegDecoder::CanDecode(const uint8_t*, int) { return 1; }

void CJpegDecoder::EndFrame() {}

int CJpegDecoder::Decode(const uint8_t* frame, int length) {
  if (!frame || length <= 0) return 0;
  if (!input_.Assign(frame, length)) return 0;  // longer than any frame the client collects
  output_.SetPosition(0);
  return DecodeJpegToBmp(&input_, &output_);
}

const uint8_t* CJpegDecoder::GetInfoHeader() {
  if (!output_.Data()) return nullptr;
  infoHeaderTaken_ = true;
  return output_.Data() + bmp::kFileHeaderSize;
}

const uint8_t* CJpegDecoder::GetBits() {
  return output_.Data() ? output_.Data() + bmp::kPixelOffset : nullptr;
}

int CJpegDecoder::GetWidth() {
  return infoHeaderTaken_ ? bmp::InfoWidth(output_.Data() + bmp::kFileHeaderSize) : 0;
}

int CJpegDecoder::GetHeight() {
  return infoHeaderTaken_ ? bmp::InfoHeight(output_.Data() + bmp::kFileHeaderSize) : 0;
}

int CJpegDecoder::GetBitCount() {
  return infoHeaderTaken_ ? bmp::InfoBitCount(output_.Data() + bmp::kFileHeaderSize) : 0;
}

liveview::ShownResult CJpegDecoder::DecodeShown(const uint8_t* frame, int length, int boxWidth,
                                                int boxHeight, int bitCount,
                                                liveview::ShownPicture* picture,
                                                liveview::ShownSizes sizes) {
  if (!frame || length <= 0 || !input_.Assign(frame, length)) return liveview::kShownFailed;
  return liveview::DecodeJpegShown(&input_, boxWidth, boxHeight, bitCount, &shown_, picture,
                                   sizes);
}
