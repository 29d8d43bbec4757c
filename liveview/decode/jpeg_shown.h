// Decoding a frame at the size a camera window shows it: with libjpeg's DCT scaling at a half
// or a quarter of the picture, or whole, straight into rows of the renderer's surface format.
// The picture the window reports, records and hands out stays the full one in the BMP image's
// layout; this is only what goes on screen.
#pragma once

#include <cstdint>
#include <vector>

class MemoryStream;

namespace liveview {

// The scale's denominator (1, 2 or 4) for a full picture shown in a box: a quarter when the
// box is at most a quarter of the picture in both directions, a half when at most half, else
// the full size. A box with no area (a window not laid out yet) shows nothing scaled.
int ShownScaleDenom(int fullWidth, int fullHeight, int boxWidth, int boxHeight);

// The picture size in a JPEG's frame header (SOF marker), found by walking the markers before
// it, without decoding anything; false when the bytes end before one or are not a JPEG.
bool PeekJpegSize(const uint8_t* frame, int length, int* width, int* height);

// Rows of a shown picture, top row first. 32 bits: blue, green, red and one unused byte;
// 24 bits: blue, green, red, each row padded to a multiple of 4 bytes.
struct ShownPicture {
  const uint8_t* rows = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bitCount = 0;
  int fullWidth = 0;  // the picture's own size, from the frame's header
  int fullHeight = 0;
};

// Where DecodeJpegShown puts its rows: sized to them by each decode, owned by the caller,
// who may swap the vector away to keep a picture without copying it.
struct ShownBuffer {
  std::vector<uint8_t> bytes;
};

// Which sizes DecodeJpegShown decodes: reduced ones only (a box that needs the full picture
// gets kShownFullSize once the header is read), or the full size as well.
enum class ShownSizes { kReducedOnly, kAny };

enum ShownResult : int {
  kShownFailed = 0,    // not a picture, or damaged (a warning): not to be shown
  kShownDecoded = 1,   // `picture` holds the scaled rows
  kShownFullSize = -1, // the box needs the full picture (kReducedOnly); only the header was read
};

// Decodes the JPEG in `in` (read from its position) for a box of that size, with the frame
// decoder's settings (fast integer DCT, no fancy upsampling). `bitCount` is 32 or 24.
ShownResult DecodeJpegShown(MemoryStream* in, int boxWidth, int boxHeight, int bitCount,
                            ShownBuffer* buffer, ShownPicture* picture,
                            ShownSizes sizes = ShownSizes::kReducedOnly);

}  // namespace liveview
