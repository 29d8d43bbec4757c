#include "liveview/window/watch_wnd.h"

#include <atomic>
#include <cstring>
#include <new>

#include "base/scoped_gdi.h"
#include "base/scoped_lock.h"
#include "framework/message_table.h"
#include "liveview/decode/bmp_image.h"
#include "liveview/decode/jpeg_decoder.h"
#include "liveview/decode/jpeg_shown.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/render/video_renderer.h"

namespace liveview {
namespace {

DWORD SystemTick() { return GetTickCount(); }

std::atomic<CWatchWnd::RendererFactory> g_rendererFactory{nullptr};

// Calls EndFrame on every way out of a frame.
class FrameEnd {
 public:
  explicit FrameEnd(CFrameDecoder* decoder) : decoder_(decoder) {}
  ~FrameEnd() {
    if (decoder_) decoder_->EndFrame();
  }
  FrameEnd(const FrameEnd&) = delete;
  FrameEnd& operator=(const FrameEnd&) = delete;

 private:
  CFrameDecoder* decoder_;
};

}  // namespace

CWatchWnd::CWatchWnd() : tick_(&SystemTick) {}

CWatchWnd::~CWatchWnd() {
  // The window goes while the object is whole, so no handler runs on freed members.
  DestroyWindow();
  ReapAllCommands();
  base::CScopedLock hold(lock_);
  renderer_.reset();
  decoder_.reset();
  picture_.clear();
  jpeg_.clear();
}

bool CWatchWnd::Create(UINT childId, HWND parent, int number) {
  number_ = number;
  return CreateChild(parent, childId, "CliWatchWnd", WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0});
}

int CWatchWnd::Number() const {
  base::CScopedLock hold(lock_);
  return number_;
}

void CWatchWnd::SetNumber(int number) {
  base::CScopedLock hold(lock_);
  number_ = number;
}

void CWatchWnd::BindCamera(const std::string& host, uint16_t port, const std::string& user,
                           const std::string& password, const std::string& nick, int showTitle) {
  base::CScopedLock hold(lock_);
  // Another camera: its first frame must report its size even when it has the old width.
  if (host != host_ || port != port_) ForgetPictureSizeLocked();
  host_ = host;
  port_ = port;
  user_ = user;
  password_ = password;
  nick_ = nick;
  showTitle_ = showTitle;
}

void CWatchWnd::UnbindCamera() {
  {
    base::CScopedLock hold(lock_);
    ForgetPictureSizeLocked();
    host_.clear();
    user_.clear();
    password_.clear();
    nick_.clear();
    port_ = 80;
    showTitle_ = 0;
  }
  Invalidate(true);
}

void CWatchWnd::SetTickSource(TickSource source) { tick_ = source ? source : &SystemTick; }

CWatchWnd::RendererFactory CWatchWnd::SetRendererFactory(RendererFactory factory) {
  return g_rendererFactory.exchange(factory);
}

bool CWatchWnd::IsStale() {
  base::CScopedLock hold(lock_);
  return static_cast<DWORD>(Now() - lastFrameTick_) > kStaleAfterMs;
}

// ---- frames -------------------------------------------------------------------------------

void CWatchWnd::OnFrame(const uint8_t* frame, int length, int /*kind*/, int* width, int* height) {
  base::CScopedLock hold(lock_);
  try {
    DecodeAndDraw(frame, length, width, height);
  } catch (const std::bad_alloc&) {
    // The frame is dropped; the previous picture stays until it goes stale.
  }
}

// The picture decoded at the size the window shows it, straight into its surface's format: a
// half or a quarter in a window of half the picture or less in both directions (the 2 x 2 to
// 4 x 4 grids), where the full picture would only be thrown away by the blit; the full size
// otherwise, which saves the BMP image's colour swap and the spreading to four bytes a pixel.
// The rows are kept as they came (no copy) for repaints. All the window reports stays the
// full picture's: the size, WM_USER+18, the BMP image handed out (decoded on demand).
void CWatchWnd::DecodeAndDraw(const uint8_t* frame, int length, int* width, int* height) {
  if (!decoder_) decoder_ = std::make_unique<CJpegDecoder>();
  FrameEnd end(decoder_.get());
  if (!decoder_->CanDecode(frame, length)) return;
  // Without a surface yet, the depth displays of today have.
  const int bitCount = surfaceBitCount_ == 0 || surfaceBitCount_ == 32 ? 32 : 24;
  ShownPicture shown;
  if (decoder_->DecodeShown(frame, length, boxWidth_.load(), boxHeight_.load(), bitCount,
                            &shown, ShownSizes::kAny) != kShownDecoded) {
    return;  // dropped, as a frame that does not decode
  }

  PostSizeIfNewWidth(shown.fullWidth, shown.fullHeight);
  if (!ReplaceRendererIfNeeded(shown.fullWidth, shown.fullHeight, shown.width, shown.height)) {
    return;
  }
  if (width) *width = width_;
  if (height) *height = height_;
  if (!KeepJpeg(frame, length)) return;
  decoder_->TakeShownRows(&picture_);
  pictureSize_ = static_cast<int>(static_cast<int64_t>(shown.pitch) * shown.height);
  shownBitCount_ = shown.bitCount;
  lastFrameTick_ = Now();

  if (renderer_) {
    renderer_->SetBitCount(shown.bitCount);
    renderer_->SetShowTitle(showTitle_);
    renderer_->SetTitle(nick_);
    renderer_->SetPictureSize(width_, height_);
    renderer_->DrawFrame(picture_.data(), shown.width, shown.height, 0);
  }
}

void CWatchWnd::PostSizeIfNewWidth(int width, int height) {
  if (width == width_) return;
  const HWND control = GetControlWindow();
  if (control && IsWindow(control)) {
    PostMessageA(control, WM_CAM_VIDEOSIZE, static_cast<WPARAM>(number_),
                 static_cast<LPARAM>((static_cast<uint32_t>(width) << 16) +
                                     (static_cast<uint32_t>(height) & 0xFFFF)));
  }
}

// False when the frame must be dropped: a new renderer could not set up DirectDraw. It is
// kept all the same and draws later frames of this size through GDI.
bool CWatchWnd::ReplaceRendererIfNeeded(int width, int height, int surfaceWidth,
                                        int surfaceHeight) {
  if (renderer_ && width == width_ && height == height_ && surfaceWidth == surfaceWidth_ &&
      surfaceHeight == surfaceHeight_) {
    return true;
  }
  width_ = width;
  height_ = height;
  surfaceWidth_ = surfaceWidth;
  surfaceHeight_ = surfaceHeight;
  // The copy's rows have the old size: never painted or handed out as pictures of the new.
  pictureSize_ = 0;
  renderer_.reset();
  const RendererFactory factory = g_rendererFactory.load();
  renderer_ = factory ? factory() : std::make_unique<CVideoRenderer>();
  ++renderersCreated_;
  renderer_->SetRecording(recording_);
  const HRESULT created = renderer_->CreateSurfaces(GetSafeHwnd(), surfaceWidth, surfaceHeight);
  surfaceBitCount_ = renderer_->SurfaceBitCount();
  return created != E_FAIL;
}

void CWatchWnd::ForgetPictureSizeLocked() {
  width_ = 0;
  height_ = 0;
  surfaceWidth_ = 0;
  surfaceHeight_ = 0;
  pictureSize_ = 0;
}

// The JPEG copy grows to the frame, so a snapshot is never a cut JPEG.
bool CWatchWnd::KeepJpeg(const uint8_t* frame, int length) {
  if (jpeg_.size() < static_cast<size_t>(length)) {
    jpeg_.clear();
    jpeg_.shrink_to_fit();
    jpeg_.resize(static_cast<size_t>(length));
  }
  std::memcpy(jpeg_.data(), frame, static_cast<size_t>(length));
  jpegLength_ = length;
  ++frameSerial_;
  return true;
}

// The full picture of the JPEG copy, decoded as the frame was; the copy's frame decoded
// cleanly before, so only a failed allocation refuses it.
bool CWatchWnd::FullPictureLocked() {
  if (fullPictureFrame_ == frameSerial_ && !fullPicture_.empty()) return true;
  if (!decoder_ || jpegLength_ <= 0) return false;
  if (!decoder_->Decode(jpeg_.data(), jpegLength_)) return false;
  const uint8_t* info = decoder_->GetInfoHeader();
  const uint8_t* bits = decoder_->GetBits();
  if (!info || !bits || bmp::InfoWidth(info) != width_ || bmp::InfoHeight(info) != height_) {
    return false;
  }
  const size_t size = static_cast<size_t>(bmp::RowWidth(width_) * height_);
  try {
    fullPicture_.assign(bits, bits + size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  fullPictureFrame_ = frameSerial_;
  return true;
}

void CWatchWnd::ClearPicture() {
  base::CScopedLock hold(lock_);
  std::vector<uint8_t>().swap(picture_);
  std::vector<uint8_t>().swap(jpeg_);
  std::vector<uint8_t>().swap(fullPicture_);
  ForgetPictureSizeLocked();
  jpegLength_ = 0;
}

const uint8_t* CWatchWnd::GetLastBmp(int* size) {
  base::CScopedLock hold(lock_);
  if (picture_.empty() || pictureSize_ == 0 || IsStale()) return nullptr;
  if (!FullPictureLocked()) return nullptr;
  if (size) *size = static_cast<int>(fullPicture_.size());
  return fullPicture_.data();
}

const uint8_t* CWatchWnd::GetLastJpeg(int* length) {
  base::CScopedLock hold(lock_);
  if (jpeg_.empty() || jpegLength_ == 0 || IsStale()) return nullptr;
  if (length) *length = jpegLength_;
  return jpeg_.data();
}

// The worker writes the size under the window lock.
int CWatchWnd::GetVideoWidth() const {
  base::CScopedLock hold(lock_);
  return width_;
}

int CWatchWnd::GetVideoHeight() const {
  base::CScopedLock hold(lock_);
  return height_;
}

int CWatchWnd::GetShownWidth() const {
  base::CScopedLock hold(lock_);
  return pictureSize_ > 0 ? surfaceWidth_ : 0;
}

int CWatchWnd::GetShownHeight() const {
  base::CScopedLock hold(lock_);
  return pictureSize_ > 0 ? surfaceHeight_ : 0;
}

void CWatchWnd::SetBkgndPicture(CBkgndPicture* picture) {
  base::CScopedLock hold(lock_);
  background_ = picture;
}

void CWatchWnd::SetRecording(int recording) {
  base::CScopedLock hold(lock_);
  recording_ = recording;
  if (renderer_) renderer_->SetRecording(recording);
}

void CWatchWnd::SetTitle(const std::string& title) {
  base::CScopedLock hold(lock_);
  if (renderer_) renderer_->SetTitle(title);
}

void CWatchWnd::SetShowTitle(int showTitle) {
  base::CScopedLock hold(lock_);
  showTitle_ = showTitle;
  if (renderer_) renderer_->SetShowTitle(showTitle);
}

void CWatchWnd::SetSelected(int selected) { selected_ = selected; }

void CWatchWnd::SetFontColor(COLORREF color) {
  base::CScopedLock hold(lock_);
  fontColor_ = color;
}

// ---- painting -----------------------------------------------------------------------------

bool CWatchWnd::HasFreshPictureLocked() {
  const int64_t copySize = bmp::PaddedRowBytes(surfaceWidth_, shownBitCount_) * surfaceHeight_;
  return renderer_ && pictureSize_ > 0 && pictureSize_ == copySize &&
         picture_.size() >= static_cast<size_t>(pictureSize_) &&
         static_cast<DWORD>(Now() - lastFrameTick_) <= kStaleAfterMs;
}

// The copy at the size shown: a repaint never decodes.
void CWatchWnd::DrawPictureCopyLocked() {
  renderer_->SetBitCount(shownBitCount_);
  renderer_->DrawFrame(picture_.data(), surfaceWidth_, surfaceHeight_, 0);
}

void CWatchWnd::OnPaint() {
  base::ScopedPaint paint(GetSafeHwnd());
  base::CScopedLock hold(lock_);
  if (HasFreshPictureLocked()) DrawPictureCopyLocked();
}

BOOL CWatchWnd::OnEraseBkgnd(HDC dc) {
  base::CScopedLock hold(lock_);
  if (HasFreshPictureLocked()) {
    DrawPictureCopyLocked();
  } else {
    DrawIdle(dc);
  }
  return TRUE;
}

int CWatchWnd::OnCreate(CREATESTRUCTA* cs) { return CWnd::OnCreate(cs) == -1 ? -1 : 0; }

bool CWatchWnd::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  // Read by the stream worker with each frame, without the window lock.
  if (msg == WM_SIZE) {
    boxWidth_.store(LOWORD(l));
    boxHeight_.store(HIWORD(l));
  }
  static constexpr fw::MessageEntry<CWatchWnd> kTable[] = {
      fw::OnMessage<&CWatchWnd::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
      fw::OnMessage<&CWatchWnd::OnLButtonDown>(WM_LBUTTONDOWN),
      fw::OnMessage<&CWatchWnd::OnRButtonDown>(WM_RBUTTONDOWN),
      fw::OnMessage<&CWatchWnd::OnKeyUp>(WM_KEYUP),
      fw::OnMessage<&CWatchWnd::OnMouseTracking>(WM_MOUSEHOVER),
      fw::OnMessage<&CWatchWnd::OnMouseTracking>(WM_MOUSELEAVE),
  };
  return fw::RouteMessage(*this, kTable, msg, w, l, result) || CWnd::OnWndMsg(msg, w, l, result);
}

}  // namespace liveview
