#include "liveview/decode/jpeg_bmp_writer.h"

#include <jerror.h>

#include <cstring>

#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_error_manager.h"
#include "liveview/decode/memory_stream.h"

namespace {

constexpr int kBytesPerPixel = 3;

}  // namespace

BmpRowLayout InitBmpWriter(j_decompress_ptr cinfo, MemoryStream* out) {
  // Greyscale output would give 1-byte pixels that the 24-bit rows cannot hold; the decoder
  // asks for RGB from every frame, so anything else here is a fault.
  if (cinfo->out_color_space != JCS_RGB) ERREXIT(cinfo, kErrBmpColorSpace);
  // The scale stays 1/1, so the output has the picture's own size. A picture too large for
  // the buffer is refused before the library allocates anything for it.
  if (!bmp::Fits(cinfo->image_width, cinfo->image_height, out->Capacity()))
    ERREXIT(cinfo, JERR_FILE_WRITE);
  const auto width = static_cast<int>(cinfo->image_width);
  const auto rowWidth = static_cast<int>(bmp::RowWidth(width));
  const BmpRowLayout layout{width, static_cast<int>(cinfo->image_height), rowWidth,
                            rowWidth - width * kBytesPerPixel};
  out->SetPadCount(layout.padCount);
  return layout;
}

void ReadRowsBottomUp(j_decompress_ptr cinfo, const BmpRowLayout& layout, MemoryStream* out) {
  if (cinfo->output_components != kBytesPerPixel ||
      cinfo->output_width != static_cast<JDIMENSION>(layout.width) ||
      cinfo->output_height != static_cast<JDIMENSION>(layout.height) ||
      !bmp::Fits(layout.width, layout.height, out->Capacity()))
    ERREXIT(cinfo, JERR_FILE_WRITE);
  while (cinfo->output_scanline < cinfo->output_height) {
    const int bottomUpIndex = layout.height - static_cast<int>(cinfo->output_scanline) - 1;
    // Inside the buffer, as Fits has just shown, so the int cannot overflow.
    out->SetPosition(bmp::kPixelOffset + layout.rowWidth * bottomUpIndex);
    JSAMPROW row = out->WritableSpan(layout.rowWidth);
    if (!row) ERREXIT(cinfo, JERR_FILE_WRITE);
    // Our source never suspends, so no row means something is badly wrong; stop rather
    // than spin.
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) ERREXIT(cinfo, JERR_CANT_SUSPEND);
    RgbRowToBgr(row, layout.width, layout.padCount);
    out->SetPosition(out->Position() + layout.rowWidth);
  }
}

void WriteBmpHeader(j_decompress_ptr cinfo, MemoryStream* out) {
  bmp::ImageHeader header;
  header.width = static_cast<int32_t>(cinfo->output_width);
  header.height = static_cast<int32_t>(cinfo->output_height);
  header.xPelsPerMeter = bmp::ResolutionFromDensity(cinfo->density_unit, cinfo->X_density);
  header.yPelsPerMeter = bmp::ResolutionFromDensity(cinfo->density_unit, cinfo->Y_density);
  uint8_t bytes[bmp::kPixelOffset];
  bmp::WriteHeaders(header, bytes);
  out->SetPosition(0);
  if (out->Write(bytes, sizeof bytes) != static_cast<int>(sizeof bytes))
    ERREXIT(cinfo, JERR_FILE_WRITE);
}

void RgbRowToBgr(JSAMPLE* row, int width, int padCount) {
  JSAMPLE* p = row;
  for (int x = 0; x < width; ++x, p += kBytesPerPixel) {
    const JSAMPLE red = p[0];
    p[0] = p[2];
    p[2] = red;
  }
  if (padCount > 0) std::memset(p, 0, static_cast<size_t>(padCount));
}
