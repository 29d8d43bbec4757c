#include "framework/bitmap.h"

#include <cstring>
#include <limits>
#include <memory>

#include "base/scoped_gdi.h"
#include "base/scoped_handle.h"
#include "framework/bmp_layout.h"
#include "framework/error.h"

namespace fw {

namespace {

constexpr uint32_t kMask565[3] = {0xF800, 0x07E0, 0x001F};
// Nothing this large is a picture of ours; it also keeps every size below in 32 bits.
constexpr uint64_t kMaxFileSize = 256u << 20;

RGBQUAD Quad(int r, int g, int b) {
  return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

std::vector<RGBQUAD> DefaultColors(int bpp) {
  std::vector<RGBQUAD> colors;
  if (bpp == 1) {
    colors = {Quad(0, 0, 0), Quad(255, 255, 255)};
  } else if (bpp == 4) {
    colors = {Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
              Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
              Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
              Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
  } else if (bpp == 8) {
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) colors.push_back(Quad(r * 51, g * 51, b * 51));
      }
    }
    for (int i = 0; i < 40; ++i) colors.push_back(Quad(i * 255 / 39, i * 255 / 39, i * 255 / 39));
  }
  return colors;
}

bool ValidDepth(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

[[noreturn]] void FileError(const std::string& path, const std::string& reason,
                            HRESULT code = E_FAIL) {
  throw Error("Bitmap file \"" + path + "\": " + reason + ".", code);
}

}  // namespace

Bitmap::~Bitmap() { Clear(); }

int Bitmap::Stride(int width, int bitsPerPixel) {
  return static_cast<int>((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32 * 4);
}

void Bitmap::Clear() {
  ReleaseDc();
  if (dib_) DeleteObject(dib_);
  dib_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
  topDown_ = false;
}

void Bitmap::FreeImage() { Clear(); }

void Bitmap::ReleaseDc() {
  if (!dc_) return;
  SelectObject(dc_, dcOld_);
  DeleteDC(dc_);
  dc_ = nullptr;
  dcOld_ = nullptr;
}

HDC Bitmap::Dc() {
  if (!dc_) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) throw Error("No device context for a bitmap.", E_OUTOFMEMORY);
    if (dib_) dcOld_ = SelectObject(dc_, dib_);
  }
  return dc_;
}

void Bitmap::Create(int width, int height, int bpp, bool is565,
                    const std::vector<RGBQUAD>& colors) {
  if (width <= 0 || height <= 0) {
    Clear();
    bpp_ = bpp;
    is565_ = bpp == 16 && is565;
    colors_ = bpp <= 8 ? colors : std::vector<RGBQUAD>{};
    return;
  }
  const size_t tableSize = bpp <= 8 ? (size_t{1} << bpp) : 3;
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + tableSize * sizeof(RGBQUAD));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bpp);
  header->biCompression = bpp == 16 && is565 ? BI_BITFIELDS : BI_RGB;
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  if (bpp <= 8) {
    header->biClrUsed = static_cast<DWORD>(tableSize);
    for (size_t i = 0; i < tableSize && i < colors.size(); ++i) table[i] = colors[i];
  } else if (header->biCompression == BI_BITFIELDS) {
    std::memcpy(table, kMask565, sizeof kMask565);
  }
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
                                 DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    throw Error("No memory for a bitmap of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels.",
                E_OUTOFMEMORY);
  }
  Clear();
  dib_ = dib;
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  bpp_ = bpp;
  is565_ = bpp == 16 && is565;
  colors_.clear();
  if (bpp <= 8) colors_.assign(table, table + tableSize);
}

void Bitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_ && dib_) return;
  Create(width, height, bpp_, is565_, colors_.empty() ? DefaultColors(bpp_) : colors_);
}

void Bitmap::SetBitsPerPixel(int bitsPerPixel) {
  if (!ValidDepth(bitsPerPixel)) {
    throw Error("A bitmap cannot have " + std::to_string(bitsPerPixel) + " bits per pixel.",
                E_INVALIDARG);
  }
  if (bitsPerPixel == bpp_ && !(bpp_ == 16 && is565_)) return;
  Create(width_, height_, bitsPerPixel, false, DefaultColors(bitsPerPixel));
}

void Bitmap::SetColorTable(const std::vector<RGBQUAD>& colors) {
  if (bpp_ > 8) return;
  std::vector<RGBQUAD> table = colors;
  table.resize(size_t{1} << bpp_, RGBQUAD{});
  colors_ = table;
  if (dib_) SetDIBColorTable(Dc(), 0, static_cast<UINT>(table.size()), table.data());
}

void Bitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == dib_) return;
  if (!bitmap) {
    Clear();
    return;
  }
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) == sizeof section && section.dsBm.bmBits &&
      ValidDepth(section.dsBmih.biBitCount)) {
    Adopt(bitmap);
    return;
  }
  // A device bitmap: its pixels into a section of our own.
  BITMAP plain{};
  if (!GetObjectA(bitmap, sizeof plain, &plain) || plain.bmWidth <= 0 || plain.bmHeight <= 0) {
    DeleteObject(bitmap);
    throw Error("Not a bitmap handle.", E_HANDLE);
  }
  base::ScopedGdiObject<HBITMAP> owned(bitmap);
  Create(plain.bmWidth, plain.bmHeight, 32, false, {});
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height_, bits_, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
}

void Bitmap::Adopt(HBITMAP dib) {
  DIBSECTION section{};
  GetObjectA(dib, sizeof section, &section);
  Clear();
  dib_ = dib;
  bits_ = static_cast<uint8_t*>(section.dsBm.bmBits);
  width_ = section.dsBm.bmWidth;
  height_ = section.dsBm.bmHeight;
  topDown_ = section.dsBmih.biHeight < 0;
  bpp_ = section.dsBmih.biBitCount;
  is565_ = bpp_ == 16 && section.dsBmih.biCompression == BI_BITFIELDS &&
           section.dsBitfields[1] == kMask565[1];
  colors_.clear();
  if (bpp_ <= 8) {
    colors_.resize(size_t{1} << bpp_);
    GetDIBColorTable(Dc(), 0, static_cast<UINT>(colors_.size()), colors_.data());
  }
}

uint8_t* Bitmap::Row(int y) {
  if (!bits_ || y < 0 || y >= height_) return nullptr;
  const int index = topDown_ ? y : height_ - 1 - y;
  return bits_ + static_cast<size_t>(index) * Stride();
}

const uint8_t* Bitmap::Row(int y) const { return const_cast<Bitmap*>(this)->Row(y); }

void Bitmap::StretchFrom(Bitmap& source) {
  if (Empty() || source.Empty()) throw Error("Stretching an empty bitmap.", E_INVALIDARG);
  HDC target = Dc();
  HDC from = source.Dc();
  SetStretchBltMode(target, COLORONCOLOR);
  const BOOL drawn =
      StretchBlt(target, 0, 0, width_, height_, from, 0, 0, source.width_, source.height_, SRCCOPY);
  GdiFlush();
  if (!drawn) throw Error("A bitmap could not be stretched.", HRESULT_FROM_WIN32(GetLastError()));
}

void Bitmap::LoadBmpFile(const std::string& path) {
  base::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    FileError(path, "cannot be opened", HRESULT_FROM_WIN32(error));
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) FileError(path, "cannot be read");
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  if (fileSize > kMaxFileSize) FileError(path, "is too large for a picture");
  std::vector<uint8_t> data(static_cast<size_t>(fileSize));
  DWORD read = 0;
  if (!data.empty() &&
      (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
       read != data.size())) {
    FileError(path, "cannot be read", HRESULT_FROM_WIN32(GetLastError()));
  }

  BmpLayout layout;
  const std::string refusal = ReadBmpLayout(data.data(), data.size(), &layout);
  if (!refusal.empty()) FileError(path, refusal, E_INVALIDARG);
  std::vector<RGBQUAD> colors;
  for (const BmpColor& c : layout.colors) colors.push_back(RGBQUAD{c.blue, c.green, c.red, 0});
  const int bpp = layout.bitsPerPixel;

  Bitmap loaded;
  loaded.Create(layout.width, layout.height, bpp, layout.is565, colors);
  for (int y = 0; y < layout.height; ++y) CopyBmpRow(data.data(), layout, y, loaded.Row(y));
  GdiFlush();
  // Only now is this bitmap changed.
  loaded.ReleaseDc();
  const HBITMAP dib = loaded.dib_;
  loaded.dib_ = nullptr;
  loaded.bits_ = nullptr;
  Adopt(dib);
  if (bpp <= 8) colors_ = loaded.colors_;
}

void Bitmap::SaveBmpFile(const std::string& path) {
  if (Empty()) FileError(path, "cannot be written from an empty bitmap", E_INVALIDARG);
  GdiFlush();
  const uint32_t stride = static_cast<uint32_t>(Stride());
  const uint32_t tableBytes = bpp_ <= 8 ? (4u << bpp_) : (is565_ ? 12u : 0u);
  const uint32_t offset = 14 + 40 + tableBytes;
  const uint32_t imageBytes = stride * static_cast<uint32_t>(height_);
  std::vector<uint8_t> out;
  out.reserve(offset + imageBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width_));
  Put32(out, static_cast<uint32_t>(height_));
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(bpp_));
  Put32(out, is565_ ? BI_BITFIELDS : BI_RGB);
  Put32(out, imageBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, bpp_ <= 8 ? (1u << bpp_) : 0);
  Put32(out, 0);
  if (bpp_ <= 8) {
    std::vector<RGBQUAD> table = colors_;
    table.resize(size_t{1} << bpp_, RGBQUAD{});
    for (const RGBQUAD& q : table) {
      out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    }
  } else if (is565_) {
    for (uint32_t m : kMask565) Put32(out, m);
  }
  for (int y = height_ - 1; y >= 0; --y) {
    const uint8_t* row = Row(y);
    out.insert(out.end(), row, row + stride);
  }

  base::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    FileError(path, "cannot be created", HRESULT_FROM_WIN32(error));
  }
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file.Get(), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  const DWORD error = ok ? ERROR_HANDLE_DISK_FULL : GetLastError();
  if (!ok || written != out.size()) {
    FileError(path,
              "was written short (" + std::to_string(written) + " of " +
                  std::to_string(out.size()) + " bytes)",
              HRESULT_FROM_WIN32(error));
  }
}

}  // namespace fw
