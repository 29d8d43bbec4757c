#include "liveview/render/bkgnd_picture.h"

#include <new>
#include <utility>
#include <vector>

#include "base/scoped_gdi.h"
#include "base/scoped_handle.h"
#include "base/system_library.h"

namespace liveview {

namespace {

// Far beyond any picture worth stretching into a camera window; refuses absurd files before
// they are read into memory.
constexpr DWORD kMaxFileSize = 256u << 20;

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  base::ScopedHandle owner(file);
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size > kMaxFileSize) return false;
  bytes->resize(size);
  DWORD read = 0;
  if (size && (!ReadFile(file, bytes->data(), size, &read, nullptr) || read != size))
    return false;
  return true;
}

// DrawDib is loaded on first use, and kept: msvfw32 brings the common controls, the audio
// compression manager and the display driver with it, which a process that never draws a
// background (a host that only streams, most test programs) need not start and tear down.
struct DrawDibApi {
  HDRAWDIB(VFWAPI* open)();
  BOOL(VFWAPI* close)(HDRAWDIB);
  BOOL(VFWAPI* draw)
  (HDRAWDIB, HDC, int, int, int, int, LPBITMAPINFOHEADER, LPVOID, int, int, int, int, UINT);
};

const DrawDibApi* DrawDib() {
  static const DrawDibApi api = [] {
    const HMODULE vfw = base::LoadSystemLibrary("msvfw32.dll");
    DrawDibApi loaded{};
    loaded.open = base::SystemExport<decltype(loaded.open)>(vfw, "DrawDibOpen");
    loaded.close = base::SystemExport<decltype(loaded.close)>(vfw, "DrawDibClose");
    loaded.draw = base::SystemExport<decltype(loaded.draw)>(vfw, "DrawDibDraw");
    return loaded;
  }();
  return api.open && api.close && api.draw ? &api : nullptr;
}

}  // namespace

CBkgndPicture::CBkgndPicture() {
  if (const DrawDibApi* api = DrawDib()) drawDib_ = api->open();
}

CBkgndPicture::~CBkgndPicture() {
  if (drawDib_) DrawDib()->close(drawDib_);
}

int CBkgndPicture::LoadBmpFile(const char* path) {
  if (!path) return 0;
  try {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return 0;
    BmpFileImage image;
    if (!ParseBmpFile(bytes.data(), bytes.size(), &image)) return 0;
    image_ = std::move(image);
  } catch (const std::bad_alloc&) {
    return 0;  // too large to hold: the old picture stays
  }
  width_ = image_.info.header.biWidth;
  height_ = image_.info.header.biHeight;
  return 1;
}

int CBkgndPicture::DrawStretched(HDC dc, const RECT& rect, COLORREF fill) {
  if (drawDib_ && !image_.bits.empty()) {
    // One pixel further left and one wider: the picture's left column sits under the
    // window's edge, as it always has.
    if (DrawDib()->draw(drawDib_, dc, rect.left - 1, rect.top, rect.right - rect.left + 1,
                        rect.bottom - rect.top, &image_.info.header, image_.bits.data(), 0, 0,
                        width_, height_, 0))
      return 1;
  }
  base::ScopedBrush brush(CreateSolidBrush(fill));
  FillRect(dc, &rect, brush.Get());
  return 0;
}

}  // namespace liveview
