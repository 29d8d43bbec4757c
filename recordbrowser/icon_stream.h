// Icons as ICO images in a stream: the header, one directory entry, the colour bitmap's
// device-independent header (height doubled) with its colour table, the colour rows and the
// mask rows, each bitmap at its own depth. The entry's colour-count and reserved bytes hold
// planes x bits per pixel of the colour bitmap; its planes and bit count are 0.
#pragma once

#include <windows.h>

#include <objidl.h>

namespace vantrel {

// Writes `icon`'s image, with its total length first when `writeLength`. A failure to get
// the icon's bitmaps (an icon without a colour bitmap too) raises fw::Error with the system's
// code; so does a failed write.
void WriteIconToStream(IStream* stream, HICON icon, bool writeLength);
void WriteIconBitmaps(IStream* stream, HBITMAP color, HBITMAP mask, bool writeLength);

// Loads the icon of an ICO image as WriteIconToStream writes it (its first image); null
// when it is none.
HICON LoadIconImage(const BYTE* data, size_t size);

}  // namespace vantrel
