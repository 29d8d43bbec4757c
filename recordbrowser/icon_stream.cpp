#include "recordbrowser/icon_stream.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/error.h"

namespace vantrel {

namespace {

// A bitmap as a device-independent bitmap at its own depth: header (with colour table) and
// rows.
struct DibImage {
  std::vector<BYTE> header;
  std::vector<BYTE> bits;
};

DibImage TakeDib(HBITMAP bitmap) {
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof info, &info)) throw fw::Error("The icon's bitmap cannot be read");
  const int depth = info.bmPlanes * info.bmBitsPixel;
  const size_t colors = depth <= 8 ? size_t{1} << depth : 0;
  DibImage dib;
  dib.header.assign(sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD), 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib.header.data());
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = info.bmWidth;
  h->biHeight = info.bmHeight;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(depth);
  h->biCompression = BI_RGB;
  const size_t stride = ((static_cast<size_t>(info.bmWidth) * depth + 31) / 32) * 4;
  h->biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(info.bmHeight));
  h->biClrUsed = 0;
  dib.bits.assign(h->biSizeImage, 0);
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), dib.bits.data(),
                             reinterpret_cast<BITMAPINFO*>(dib.header.data()), DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != info.bmHeight) throw fw::Error("The icon's bitmap cannot be read");
  // GetDIBits may fill in fields of its own; the image keeps the sizes above.
  h = reinterpret_cast<BITMAPINFOHEADER*>(dib.header.data());
  h->biSizeImage = static_cast<DWORD>(dib.bits.size());
  h->biClrUsed = 0;
  h->biClrImportant = 0;
  return dib;
}

void Write(IStream* stream, const void* data, size_t size) {
  ULONG written = 0;
  const HRESULT hr = stream->Write(data, static_cast<ULONG>(size), &written);
  if (FAILED(hr) || written != size)
    throw fw::Error("The icon cannot be written", FAILED(hr) ? hr : STG_E_MEDIUMFULL);
}

template <class T>
void Put(std::vector<BYTE>& out, T value) {
  for (size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<BYTE>(static_cast<uint64_t>(value) >> (8 * i)));
}

}  // namespace

void WriteIconBitmaps(IStream* stream, HBITMAP color, HBITMAP mask, bool writeLength) {
  DibImage colorDib = TakeDib(color);
  const DibImage maskDib = TakeDib(mask);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(colorDib.header.data());
  const uint32_t imageSize =
      static_cast<uint32_t>(colorDib.header.size() + colorDib.bits.size() + maskDib.bits.size());
  BITMAP info{};
  GetObjectA(color, sizeof info, &info);
  std::vector<BYTE> head;
  if (writeLength) Put<uint32_t>(head, imageSize + 22);
  Put<uint16_t>(head, 0);
  Put<uint16_t>(head, 1);
  Put<uint16_t>(head, 1);
  head.push_back(static_cast<BYTE>(h->biWidth & 0xFF));
  head.push_back(static_cast<BYTE>(h->biHeight & 0xFF));
  Put<uint16_t>(head, static_cast<uint16_t>(info.bmPlanes * info.bmBitsPixel));
  Put<uint16_t>(head, 0);
  Put<uint16_t>(head, 0);
  Put<uint32_t>(head, imageSize);
  Put<uint32_t>(head, 22);
  h->biHeight *= 2;
  Write(stream, head.data(), head.size());
  Write(stream, colorDib.header.data(), colorDib.header.size());
  Write(stream, colorDib.bits.data(), colorDib.bits.size());
  Write(stream, maskDib.bits.data(), maskDib.bits.size());
}

void WriteIconToStream(IStream* stream, HICON icon, bool writeLength) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    const DWORD error = GetLastError();
    throw fw::Error("The icon cannot be read",
                    HRESULT_FROM_WIN32(error ? error : ERROR_INVALID_HANDLE));
  }
  struct Bitmaps {
    ICONINFO& i;
    ~Bitmaps() {
      if (i.hbmColor) DeleteObject(i.hbmColor);
      if (i.hbmMask) DeleteObject(i.hbmMask);
    }
  } release{info};
  if (!info.hbmColor || !info.hbmMask) throw fw::Error("The icon has no colour bitmap");
  WriteIconBitmaps(stream, info.hbmColor, info.hbmMask, writeLength);
}

HICON LoadIconImage(const BYTE* data, size_t size) {
  if (size < 22 + sizeof(BITMAPINFOHEADER)) return nullptr;
  uint32_t offset = 0, length = 0;
  std::memcpy(&length, data + 14, 4);
  std::memcpy(&offset, data + 18, 4);
  if (offset > size || length > size - offset) return nullptr;
  return CreateIconFromResourceEx(const_cast<BYTE*>(data + offset), length, TRUE, 0x00030000, 0, 0,
                                  LR_DEFAULTCOLOR);
}

}  // namespace vantrel
