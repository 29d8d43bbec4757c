// One JPEG frame to one in-memory BMP image, through libjpeg.
#pragma once

class MemoryStream;

// Decodes the JPEG held in `in` (from its position to its length) into the BMP image at the
// start of `out`. Returns 1 on a clean decode. Returns 0 on a fatal library error (the
// buffer may then hold a partial image) and also when the library only warned, for
// example about a cut-off frame: that image is complete but damaged. Pictures that do not
// fit `out` as it is are refused (0) before any row is written.
int DecodeJpegToBmp(MemoryStream* in, MemoryStream* out);
