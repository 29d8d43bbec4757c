#include "testing/container/window_capture.h"

#include <ocidl.h>

#include <cstdio>
#include <cstdlib>

#include "base/com_ptr.h"
#include "base/scoped_gdi.h"

namespace test_container {

namespace {

struct Dib {
  base::ScopedBitmap bitmap;
  void* bits = nullptr;
};

Dib MakeDib(HDC reference, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  Dib dib;
  dib.bitmap.Reset(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &dib.bits, nullptr, 0));
  return dib;
}

Image FromDib(const Dib& dib, int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  const auto* p = static_cast<const uint32_t*>(dib.bits);
  image.pixels.assign(p, p + static_cast<size_t>(width) * height);
  for (uint32_t& px : image.pixels) px &= 0x00FFFFFF;
  return image;
}

}  // namespace

COLORREF Image::At(int x, int y) const {
  const uint32_t p = pixels.at(static_cast<size_t>(y) * width + x);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

double Image::ShareOf(COLORREF color, const RECT& area, int tolerance) const {
  long total = 0, matching = 0;
  for (int y = area.top; y < area.bottom && y < height; ++y) {
    for (int x = area.left; x < area.right && x < width; ++x) {
      if (x < 0 || y < 0) continue;
      const COLORREF c = At(x, y);
      ++total;
      if (std::abs(GetRValue(c) - GetRValue(color)) <= tolerance &&
          std::abs(GetGValue(c) - GetGValue(color)) <= tolerance &&
          std::abs(GetBValue(c) - GetBValue(color)) <= tolerance) {
        ++matching;
      }
    }
  }
  return total ? static_cast<double>(matching) / total : 0.0;
}

bool Image::SaveBmp(const std::string& path) const {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const int row = (width * 3 + 3) & ~3;
  const DWORD size = 54 + static_cast<DWORD>(row) * height;
  BITMAPFILEHEADER file{0x4D42, size, 0, 0, 54};
  BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 2835, 2835, 0, 0};
  std::fwrite(&file, sizeof file, 1, f);
  std::fwrite(&info, sizeof info, 1, f);
  std::vector<unsigned char> line(static_cast<size_t>(row), 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      line[x * 3] = p & 0xFF;
      line[x * 3 + 1] = (p >> 8) & 0xFF;
      line[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    std::fwrite(line.data(), 1, line.size(), f);
  }
  return std::fclose(f) == 0;
}

std::optional<Image> Image::LoadBmp(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  std::optional<Image> image;
  if (std::fread(&file, sizeof file, 1, f) == 1 && std::fread(&info, sizeof info, 1, f) == 1 &&
      file.bfType == 0x4D42 && info.biBitCount == 24 && info.biCompression == BI_RGB &&
      info.biWidth > 0 && info.biWidth <= 16384 && info.biHeight > 0 && info.biHeight <= 16384 &&
      std::fseek(f, static_cast<long>(file.bfOffBits), SEEK_SET) == 0) {
    Image img;
    img.width = info.biWidth;
    img.height = info.biHeight;
    img.pixels.resize(static_cast<size_t>(img.width) * img.height);
    std::vector<unsigned char> row(static_cast<size_t>((img.width * 3 + 3) & ~3));
    bool whole = true;
    for (int y = img.height - 1; y >= 0 && whole; --y) {
      whole = std::fread(row.data(), 1, row.size(), f) == row.size();
      for (int x = 0; x < img.width && whole; ++x) {
        img.pixels[static_cast<size_t>(y) * img.width + x] =
            row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
      }
    }
    if (whole) image = std::move(img);
  }
  std::fclose(f);
  return image;
}

std::optional<Image> CaptureWindow(HWND window) {
  if (!window) return std::nullopt;
  UpdateWindow(window);
  RECT r{};
  GetClientRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  base::ScopedWindowDc source(window);
  if (!source) return std::nullopt;
  base::ScopedMemoryDc memory(source.Get());
  Dib dib = MakeDib(source.Get(), width, height);
  if (!memory || !dib.bitmap) return std::nullopt;
  {
    base::ScopedSelectObject select(memory.Get(), dib.bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY)) {
      return std::nullopt;
    }
  }
  GdiFlush();
  return FromDib(dib, width, height);
}

std::optional<Image> CaptureWholeWindow(HWND window) {
  RECT r{};
  if (!window || !GetWindowRect(window, &r)) return std::nullopt;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  base::ScopedWindowDc screen(nullptr);
  if (!screen) return std::nullopt;
  base::ScopedMemoryDc memory(screen.Get());
  Dib dib = MakeDib(screen.Get(), width, height);
  if (!memory || !dib.bitmap) return std::nullopt;
  {
    base::ScopedSelectObject select(memory.Get(), dib.bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY)) {
      return std::nullopt;
    }
  }
  GdiFlush();
  return FromDib(dib, width, height);
}

std::optional<Image> DrawView(IUnknown* control, int width, int height) {
  base::ComPtr<IViewObject> view;
  if (!control || FAILED(control->QueryInterface(IID_IViewObject, view.ReceiveVoid()))) {
    return std::nullopt;
  }
  base::ScopedWindowDc screen(nullptr);
  base::ScopedMemoryDc memory(screen.Get());
  Dib dib = MakeDib(screen.Get(), width, height);
  if (!memory || !dib.bitmap) return std::nullopt;
  {
    base::ScopedSelectObject select(memory.Get(), dib.bitmap.Get());
    const RECTL bounds{0, 0, width, height};
    if (FAILED(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds,
                          nullptr, nullptr, 0))) {
      return std::nullopt;
    }
  }
  GdiFlush();
  return FromDib(dib, width, height);
}

}  // namespace test_container
