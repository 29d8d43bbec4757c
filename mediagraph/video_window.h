// TVideoWindow: a child window that puts a video renderer into the graph of a linked
// TFilterGraph and keeps the renderer's own window over it (the standard Video Renderer), or
// the Video Mixing Renderer 9 by TVMROptions. Before the graph runs the renderer's window
// becomes a child of this window's parent at its rectangle, captioned with Name.
#pragma once

// Before the DirectShow headers: windowsx.h, which they bring in, makes SubclassWindow a macro.
#include "framework/window.h"
//
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "base/com_ptr.h"
#include "mediagraph/media_graph.h"

namespace mediagraph {

enum TVideoMode { vmNormal = 0, vmVMR = 1 };
enum TVMRVideoMode { vmrWindowed = 0, vmrWindowless = 1, vmrRenderless = 2 };
// Bits of TVMROptions::Preferences.
enum TVMRPreference : uint32_t {
  vpForceOffscreen = 1,
  vpForceOverlays = 2,
  vpForceMixer = 4,
  vpDoNotRenderColorKeyAndBorder = 8,
  vpRestrictToInitialMonitor = 16,
  vpPreferAGPMemWhenMixing = 32,
};

class TVideoWindow;

class TVMROptions {
 public:
  explicit TVMROptions(TVideoWindow* owner) : owner_(owner) {}
  uint32_t Streams() const { return streams_; }
  // 1 to 16; anything else stores 1.
  void SetStreams(uint32_t streams);
  uint32_t Preferences() const { return preferences_; }
  void SetPreferences(uint32_t preferences);
  TVMRVideoMode Mode() const { return mode_; }
  void SetMode(TVMRVideoMode mode);
  bool KeepAspectRatio() const { return keepAspectRatio_; }
  void SetKeepAspectRatio(bool keep);

 private:
  friend class TVideoWindow;
  void RebuildOwner();
  TVideoWindow* owner_;
  uint32_t streams_ = 4;
  uint32_t preferences_ = vpForceMixer;
  TVMRVideoMode mode_ = vmrWindowed;
  bool keepAspectRatio_ = true;
};

// What the program using the renderless mode supplies: an allocator made for the control's
// window, a failure code when it cannot be made.
using TAllocatorFactory = std::function<HRESULT(HWND window, IVMRSurfaceAllocator9** out)>;

class VideoWindowWnd;

class TVideoWindow : public TGraphClient,
                     public IGraphFilterProvider,
                     public IGraphEventReceiver {
 public:
  explicit TVideoWindow(fw::Component* owner = nullptr);
  ~TVideoWindow() override;

  // The control's window, a child of `parent`; made when the parent is set.
  void SetParentWindow(HWND parent);
  HWND ParentWindow() const { return parent_; }
  HWND Handle() const;
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  void SetBounds(int left, int top, int width, int height);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF color);
  std::function<void(TVideoWindow* sender)> OnPaint;
  // Popped up at the cursor on WM_CONTEXTMENU in full screen: the callback when set, else the
  // menu.
  HMENU PopupMenu = nullptr;
  std::function<void(TVideoWindow* sender, POINT screen)> OnPopup;
  // Mouse-down, mouse-move and mouse-up (`msg`) at the position in the message, or at the
  // cursor's screen position while the renderer's window is shown full screen.
  std::function<void(TVideoWindow* sender, UINT msg, POINT at)> OnMouse;

  TVideoMode Mode() const { return mode_; }
  // vmVMR only where the Video Mixing Renderer 9 can be made; a renderer in an active graph
  // is replaced.
  void SetMode(TVideoMode mode);
  TVMROptions& VMROptions() { return *vmrOptions_; }
  bool FullScreen() const { return fullScreen_; }
  void SetFullScreen(bool fullScreen);
  bool FullScreenTopMost() const { return fullScreenTopMost_; }
  void SetFullScreenTopMost(bool topMost);
  bool FullScreenActive() const { return fullScreenActive_; }
  // The renderer's window while the video window interface is held, else the control's.
  HWND VideoHandle() const;

  TAllocatorFactory AllocatorFactory;
  DWORD_PTR AllocatorUserId = 0;

  HRESULT QueryInterface(REFIID iid, void** out);

  // IGraphFilterProvider
  base::ComPtr<IBaseFilter> ProvidedFilter() override { return renderer_; }
  std::wstring ProvidedFilterName() override;
  void HandleGraphOperation(TGraphOperation operation, long param) override;
  // IGraphEventReceiver
  void HandleGraphEvent(long event, LONG_PTR param1, LONG_PTR param2) override;
  void HandleControlCode(TControlCode code, long param) override;

 protected:
  IGraphFilterProvider* AsFilterProvider() override { return this; }
  IGraphEventReceiver* AsEventReceiver() override { return this; }
  void Loaded() override;

 private:
  friend class TVMROptions;
  friend class VideoWindowWnd;
  void Relink();
  bool RendererConnected() const;
  void ApplyFullScreen();
  void ApplyCaptionAndDrain();
  void ApplyPreferences();
  void ApplyAspectRatio();
  void Resized();
  void AddVmr();
  void AfterAddVmr();
  bool HandleMessage(UINT msg, WPARAM w, LPARAM l, LRESULT* result);

  TVideoMode mode_ = vmNormal;
  std::unique_ptr<TVMROptions> vmrOptions_;
  base::ComPtr<IBaseFilter> renderer_;
  base::ComPtr<IVideoWindow> videoWindow_;
  base::ComPtr<IVMRWindowlessControl9> windowless_;
  bool fullScreen_ = false;
  DWORD savedStyle_ = 0;
  DWORD savedExStyle_ = 0;
  bool fullScreenTopMost_ = false;
  bool fullScreenActive_ = false;
  base::ComPtr<IVMRSurfaceAllocator9> allocator_;
  HWND parent_ = nullptr;
  RECT bounds_ = {0, 0, 160, 120};
  bool visible_ = true;
  COLORREF color_ = RGB(0, 0, 0);
  std::unique_ptr<VideoWindowWnd> window_;  // deleted through CWnd::DeleteOwned
};

}  // namespace mediagraph
