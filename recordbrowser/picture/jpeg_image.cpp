#include "recordbrowser/picture/jpeg_image.h"

#include <windows.h>

#include <cstring>

#include "base/scoped_handle.h"
#include "framework/error.h"

namespace vantrel {

namespace {

// Nothing this large is a picture of ours.
constexpr uint64_t kMaxFileSize = 256u << 20;

[[noreturn]] void FileError(const std::string& path, const std::string& reason,
                            HRESULT code = E_FAIL) {
  throw fw::Error("JPEG file \"" + path + "\": " + reason + ".", code);
}

}  // namespace

void TJpegImage::Clear() {
  path_.clear();
  data_.clear();
  data_.shrink_to_fit();
}

void TJpegImage::LoadFromFile(const std::string& path) {
  Clear();
  base::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) FileError(path, "cannot be opened", HRESULT_FROM_WIN32(GetLastError()));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) FileError(path, "cannot be read");
  if (static_cast<uint64_t>(size.QuadPart) > kMaxFileSize) {
    FileError(path, "is too large for a picture");
  }
  std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty() &&
      (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
       read != data.size())) {
    FileError(path, "cannot be read", HRESULT_FROM_WIN32(GetLastError()));
  }
  path_ = path;
  data_ = std::move(data);
}

void TJpegImage::DecodeTo(fw::Bitmap& bitmap) {
  JpegPicture picture;
  const std::string refusal = DecodeJpegFile(data_.data(), data_.size(), limits_, &picture);
  if (!refusal.empty()) FileError(path_, refusal, E_INVALIDARG);
  JpegPictureToBitmap(picture, bitmap);
}

void JpegPictureToBitmap(const JpegPicture& picture, fw::Bitmap& bitmap) {
  // The buffer is laid out as a bottom-up section: one copy.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) {
    if (section) DeleteObject(section);
    throw fw::Error("No memory for a bitmap of " + std::to_string(picture.width) + " x " +
                        std::to_string(picture.height) + " pixels.",
                    E_OUTOFMEMORY);
  }
  std::memcpy(bits, picture.rows.data(), picture.rows.size());
  GdiFlush();
  bitmap.SetHandle(section);
}

}  // namespace vantrel
