// CWatchWnd: one of the control's 16 camera windows. It shows the live picture of the camera
// bound to it, or the background picture (or black) with a one-line title when no fresh
// picture exists; keeps the last picture and JPEG for snapshots; starts camera commands; and
// reports clicks, keys and a changed picture size to the control window (its parent).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/critical_section.h"
#include "base/scoped_handle.h"
#include "framework/window.h"

class CJpegDecoder;

namespace liveview {

class CBkgndPicture;
class CVideoRenderer;

class CWatchWnd : public fw::CWnd {
 public:
  // A picture older than this (GetTickCount milliseconds) is stale: the idle view shows.
  static constexpr DWORD kStaleAfterMs = 8000;
  // Command threads kept before the oldest is reaped at the next command.
  static constexpr size_t kMaxKeptCommands = 200;
  // Longest wait for a command thread when its handle is reaped, and for all of them
  // together when the window goes.
  static constexpr DWORD kReapWaitMs = 500;

  using TickSource = DWORD (*)();

  CWatchWnd();
  ~CWatchWnd() override;

  // A child of `parent` named "CliWatchWnd", visible, with an empty rectangle. The control
  // gives ids 256 to 271 and numbers 0 to 15.
  bool Create(UINT childId, HWND parent, int number);
  int Number() const;
  // A new number when the control exchanges two windows. Under the window lock: the stream
  // worker reads it with each frame.
  void SetNumber(int number);

  // Binding by the control; unbinding empties the strings, sets port 80 and show-title 0
  // and repaints with erasing.
  void BindCamera(const std::string& host, uint16_t port, const std::string& user,
                  const std::string& password, const std::string& nick, int showTitle);
  void UnbindCamera();

  // Called by a stream worker with its slot lock held; takes the window lock. Writes the
  // picture size to the out-parameters only when the frame decoded.
  void OnFrame(const uint8_t* frame, int length, int kind, int* width, int* height);
  // Takes the window lock; the stream client calls it when a stream ends.
  void ClearPicture();
  // The last picture (padded rows) and its size, or nullptr when there is none or it is stale.
  // Always the full picture: when the window shows a reduced one, the full one is decoded
  // here from the last JPEG (and kept until the next frame).
  const uint8_t* GetLastBmp(int* size);
  // The last frame as received and its length, or nullptr under the same conditions.
  const uint8_t* GetLastJpeg(int* length);
  int GetVideoWidth() const;
  int GetVideoHeight() const;

  void SetBkgndPicture(CBkgndPicture* picture);
  void SetRecording(int recording);
  void SetTitle(const std::string& title);
  // Under the window lock: the stream worker draws with it.
  void SetShowTitle(int showTitle);
  void SetSelected(int selected);
  void SetFontColor(COLORREF color);

  // Camera commands on a short-lived thread each; 1 when the thread started, 0 for a code
  // outside 0 to 18.
  int SendCommand(int code);
  int ReapOldestCommand();
  // Gives up every kept handle, waiting at most kReapWaitMs for all the threads together.
  void ReapAllCommands();

  // The idle view's one line: "Window %d Camera : %s" of the number + 1 and the nick (or
  // "N/A" when no camera is bound), in the user's language.
  std::string IdleTitle();
  // The idle view: background picture (or black) and the title line, on `dc`.
  void DrawIdle(HDC dc);
  bool IsStale();
  int IsFullWindow() const { return fullWindow_; }
  int IsSelected() const { return selected_; }
  // Renderers made so far: one per picture size change, or change of the size shown.
  int RenderersCreated() const { return renderersCreated_; }
  // The size of the picture on screen: the full picture's, or the half or quarter of it
  // that a window this small is given.
  int GetShownWidth() const;
  int GetShownHeight() const;
  // Command threads kept, oldest first; CommandThreadAt gives nullptr past the end.
  size_t CommandThreadCount() const { return commandThreads_.size(); }
  HANDLE CommandThreadAt(size_t index) const;
  // The clock behind staleness; GetTickCount unless a test drives it.
  void SetTickSource(TickSource source);
  // What makes each new renderer; nullptr restores plain CVideoRenderer. For tests that need
  // a renderer whose set-up fails. Returns the previous one.
  using RendererFactory = std::unique_ptr<CVideoRenderer> (*)();
  static RendererFactory SetRendererFactory(RendererFactory factory);

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  int OnCreate(CREATESTRUCTA* cs) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(HDC dc) override;

 private:
  LRESULT OnLButtonDblClk(WPARAM w, LPARAM l);
  LRESULT OnLButtonDown(WPARAM w, LPARAM l);
  LRESULT OnRButtonDown(WPARAM w, LPARAM l);
  LRESULT OnKeyUp(WPARAM w, LPARAM l);
  LRESULT OnMouseTracking(WPARAM w, LPARAM l);

  // The frame steps that run under the window lock.
  void DecodeAndDraw(const uint8_t* frame, int length, int* width, int* height);
  void PostSizeIfNewWidth(int width, int height);
  bool ReplaceRendererIfNeeded(int width, int height, int surfaceWidth, int surfaceHeight);
  bool KeepJpeg(const uint8_t* frame, int length);
  bool FullPictureLocked();
  void ForgetPictureSizeLocked();
  bool HasFreshPictureLocked();
  void DrawPictureCopyLocked();
  DWORD Now() const { return tick_(); }
  int ReapOldestCommandBy(DWORD deadline);

  std::string user_;
  std::string password_;
  std::string host_;
  std::string nick_;
  uint16_t port_ = 80;
  int showTitle_ = 0;
  // Kept here as well as in the renderer: a size change replaces the renderer.
  int recording_ = 0;
  // The last picture's rows as shown: the surface's size and format, top-down rows of
  // `shownBitCount_` bits (the BMP image is decoded on demand into `fullPicture_`).
  std::vector<uint8_t> picture_;
  int pictureSize_ = 0;  // row pitch x height of the current picture
  // The last frame as received; grows to hold any frame.
  std::vector<uint8_t> jpeg_;
  int jpegLength_ = 0;
  int number_ = 0;
  mutable base::CriticalSection lock_;
  std::unique_ptr<CVideoRenderer> renderer_;
  std::deque<base::ScopedHandle> commandThreads_;
  CBkgndPicture* background_ = nullptr;  // the control's, shared
  int width_ = 0;
  int height_ = 0;
  int fullWindow_ = 0;
  int selected_ = 0;
  std::unique_ptr<CJpegDecoder> decoder_;
  // The client area's size, from WM_SIZE: what a frame is decoded for.
  std::atomic<int> boxWidth_{0};
  std::atomic<int> boxHeight_{0};
  // The renderer's surface: the full picture's size, or the reduced one's.
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  int surfaceBitCount_ = 0;  // of the renderer's off-screen surface; 0 before one is known
  int shownBitCount_ = 24;
  // The full picture decoded on demand from the JPEG copy, for GetLastBmp; valid while
  // `fullPictureFrame_` is `frameSerial_`.
  std::vector<uint8_t> fullPicture_;
  uint32_t frameSerial_ = 0;
  uint32_t fullPictureFrame_ = 0;
  DWORD lastFrameTick_ = 0;
  COLORREF fontColor_ = RGB(255, 255, 0);
  int renderersCreated_ = 0;
  TickSource tick_;
};

}  // namespace liveview
