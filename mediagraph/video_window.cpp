#include "mediagraph/video_window.h"

#include <float.h>

#include <string>

#include "framework/exception_guard.h"
#include "mediagraph/media_graph_util.h"

namespace mediagraph {

class VideoWindowWnd : public fw::CWnd {
 public:
  explicit VideoWindowWnd(TVideoWindow* owner) : owner_(owner) {}

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override {
    if (owner_->HandleMessage(msg, w, l, result)) return true;
    return fw::CWnd::OnWndMsg(msg, w, l, result);
  }
  BOOL OnEraseBkgnd(HDC) override { return TRUE; }
  void OnPaint() override {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    HBRUSH brush = CreateSolidBrush(owner_->Color());
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(GetSafeHwnd(), &paint);
    if (owner_->OnPaint) {
      fw::GuardUiHandler(GetSafeHwnd(), "TVideoWindow OnPaint", [this] { owner_->OnPaint(owner_); });
    }
  }

 private:
  TVideoWindow* owner_;
};

namespace {

base::ComPtr<IBaseFilter> CreateVmr9() {
  // The mixer's Direct3D set-up may change the floating-point control word.
  const unsigned int saved = _control87(0, 0);
  base::ComPtr<IBaseFilter> filter;
  CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr,
                   CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                   filter.ReceiveVoid());
  _control87(saved, _MCW_EM | _MCW_RC | _MCW_PC | _MCW_IC);
  return filter;
}

// Wine answers E_FAIL whenever the previous extended style was 0, though it sets the value:
// a put whose value reads back counts as done.
void PutWindowStyleEx(IVideoWindow* window, long style) {
  const HRESULT hr = window->put_WindowStyleEx(style);
  if (SUCCEEDED(hr)) return;
  long now = 0;
  if (SUCCEEDED(window->get_WindowStyleEx(&now)) &&
      (now & ~WS_EX_TOPMOST) == (style & ~WS_EX_TOPMOST)) {
    return;
  }
  CheckGraphResult(hr);
}

BSTR NewBstr(const std::string& text) {
  const std::wstring wide(text.begin(), text.end());
  return SysAllocString(wide.c_str());
}

}  // namespace

void TVMROptions::SetStreams(uint32_t streams) {
  streams_ = streams >= 1 && streams <= 16 ? streams : 1;
  RebuildOwner();
}

void TVMROptions::SetPreferences(uint32_t preferences) {
  preferences_ = preferences;
  RebuildOwner();
}

void TVMROptions::SetMode(TVMRVideoMode mode) {
  mode_ = mode;
  RebuildOwner();
}

void TVMROptions::SetKeepAspectRatio(bool keep) {
  keepAspectRatio_ = keep;
  owner_->ApplyAspectRatio();
}

void TVMROptions::RebuildOwner() {
  if (owner_->Mode() == vmVMR) owner_->Relink();
}

TVideoWindow::TVideoWindow(fw::Component* owner)
    : TGraphClient(owner), vmrOptions_(std::make_unique<TVMROptions>(this)) {}

TVideoWindow::~TVideoWindow() {
  fw::GuardVoid("TVideoWindow destruction", [this] { SetFilterGraph(nullptr); });
  if (window_) {
    fw::CWnd::DeleteOwned(window_.release());
  }
}

HWND TVideoWindow::Handle() const { return window_ ? window_->GetSafeHwnd() : nullptr; }

void TVideoWindow::SetParentWindow(HWND parent) {
  if (window_) {
    fw::CWnd::DeleteOwned(window_.release());
  }
  parent_ = parent;
  if (!parent) return;
  window_ = std::make_unique<VideoWindowWnd>(this);
  const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP |
                      (visible_ ? WS_VISIBLE : 0);
  if (!window_->CreateChild(parent, 0, Name().c_str(), style, bounds_)) {
    window_.reset();
    throw fw::Error("The video window could not be made.", HRESULT_FROM_WIN32(GetLastError()));
  }
}

void TVideoWindow::Loaded() {
  TGraphClient::Loaded();
  if (HWND window = Handle()) {
    savedStyle_ = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    savedExStyle_ = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  }
}

void TVideoWindow::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  if (window_) window_->Move(bounds_);
  Resized();
}

void TVideoWindow::SetVisible(bool visible) {
  visible_ = visible;
  if (window_) window_->Show(visible ? SW_SHOWNA : SW_HIDE);
  if (videoWindow_) CheckGraphResult(videoWindow_->put_Visible(visible ? OATRUE : OAFALSE));
}

void TVideoWindow::SetColor(COLORREF color) {
  color_ = color;
  if (window_) window_->Invalidate();
}

// The mixer counts as there only when it can also take a rendering mode: without Direct3D
// (Wine on a plain X display) it is made but refuses every mode.
static bool Vmr9Available() {
  base::ComPtr<IBaseFilter> filter = CreateVmr9();
  base::ComPtr<IVMRFilterConfig9> config;
  if (!filter || FAILED(filter.QueryInterface(IID_IVMRFilterConfig9, &config)) || !config) {
    return false;
  }
  return SUCCEEDED(config->SetRenderingMode(VMR9Mode_Windowed));
}

void TVideoWindow::SetMode(TVideoMode mode) {
  if (mode == vmVMR && !Vmr9Available()) mode = vmNormal;
  mode_ = mode;
  Relink();
}

void TVideoWindow::Relink() {
  TFilterGraph* graph = FilterGraph();
  if (!graph || !graph->Active()) return;
  graph->RemoveFilterProvider(this);
  graph->AddFilterProvider(this);
}

void TVideoWindow::SetFullScreenTopMost(bool topMost) {
  fullScreenTopMost_ = topMost;
  if (fullScreen_) SetFullScreen(true);
}

void TVideoWindow::SetFullScreen(bool fullScreen) {
  fullScreen_ = fullScreen;
  if (videoWindow_ && RendererConnected()) ApplyFullScreen();
}

void TVideoWindow::ApplyFullScreen() {
  if (!videoWindow_) return;
  if (!fullScreen_) {
    CheckGraphResult(videoWindow_->put_Owner(reinterpret_cast<OAHWND>(parent_)));
    CheckGraphResult(videoWindow_->put_WindowStyle(
        static_cast<long>(savedStyle_ | WS_CHILD | WS_CLIPSIBLINGS)));
    PutWindowStyleEx(videoWindow_.Get(), static_cast<long>(savedExStyle_));
    CheckGraphResult(videoWindow_->SetWindowPosition(Left(), Top(), Width(), Height()));
    fullScreenActive_ = false;
  } else {
    CheckGraphResult(videoWindow_->put_Owner(0));
    CheckGraphResult(videoWindow_->put_WindowStyle(static_cast<long>(savedStyle_ & 0xFF3BFFFF)));
    PutWindowStyleEx(videoWindow_.Get(),
                     static_cast<long>((savedExStyle_ & 0xFFFDFCFE) |
                                       (fullScreenTopMost_ ? WS_EX_TOPMOST : 0)));
    CheckGraphResult(videoWindow_->SetWindowPosition(0, 0, GetSystemMetrics(SM_CXSCREEN),
                                                     GetSystemMetrics(SM_CYSCREEN)));
    fullScreenActive_ = true;
  }
  if (windowless_) fullScreenActive_ = false;
}

void TVideoWindow::ApplyCaptionAndDrain() {
  if (!videoWindow_) return;
  if (!Name().empty()) {
    BSTR caption = NewBstr(Name());
    const HRESULT hr = videoWindow_->put_Caption(caption);
    SysFreeString(caption);
    CheckGraphResult(hr);
  }
  CheckGraphResult(videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(Handle())));
}

bool TVideoWindow::RendererConnected() const {
  if (!renderer_) return false;
  TPinList pins(renderer_.Get());
  for (size_t p = 0; p < pins.Count(); ++p) {
    if (pins.Connected(p)) return true;
  }
  return false;
}

HWND TVideoWindow::VideoHandle() const {
  if (!videoWindow_) return Handle();
  const char* caption = Name().c_str();
  if (HWND found = FindWindowExA(parent_, nullptr, "VideoRenderer", caption)) return found;
  // Wine's renderer window has a class of its own.
  for (HWND child = FindWindowExA(parent_, nullptr, nullptr, caption); child;
       child = FindWindowExA(parent_, child, nullptr, caption)) {
    if (child != Handle()) return child;
  }
  return nullptr;
}

std::wstring TVideoWindow::ProvidedFilterName() {
  return std::wstring(Name().begin(), Name().end());
}

HRESULT TVideoWindow::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IVMRWindowlessControl9) && windowless_) {
    *out = windowless_.CopyOut();
    return S_OK;
  }
  if (!renderer_) return E_NOINTERFACE;
  return renderer_->QueryInterface(iid, out);
}

void TVideoWindow::HandleGraphOperation(TGraphOperation operation, long) {
  switch (operation) {
    case opBeforeAdd:
      if (mode_ == vmNormal) {
        CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                         renderer_.ReceiveVoid());
      } else {
        AddVmr();
      }
      break;
    case opAfterAdd:
      if (!renderer_) break;
      if (mode_ == vmNormal) {
        CheckGraphResult(renderer_.QueryInterface(IID_IVideoWindow, &videoWindow_));
      } else {
        AfterAddVmr();
      }
      break;
    case opBeforeRemove:
      if (renderer_) {
        CheckGraphResult(renderer_->Stop());
        TPinList pins(renderer_.Get());
        for (size_t p = 0; p < pins.Count(); ++p) {
          // Both ends: the upstream pin must not point at a renderer that goes.
          base::ComPtr<IPin> peer = pins.ConnectedTo(p);
          CheckGraphResult(pins.Item(p)->Disconnect());
          if (peer) peer->Disconnect();
        }
      }
      if (mode_ == vmVMR && vmrOptions_->Mode() == vmrRenderless) allocator_.Reset();
      break;
    case opAfterRemove:
      videoWindow_.Reset();
      windowless_.Reset();
      renderer_.Reset();
      break;
    case opRefresh:
      break;
  }
}

void TVideoWindow::AddVmr() {
  renderer_ = CreateVmr9();
  if (!renderer_) return;
  base::ComPtr<IVMRFilterConfig9> config;
  renderer_.QueryInterface(IID_IVMRFilterConfig9, &config);
  if (!config) return;
  static const DWORD kModes[] = {VMR9Mode_Windowed, VMR9Mode_Windowless, VMR9Mode_Renderless};
  CheckGraphResult(config->SetRenderingMode(kModes[vmrOptions_->Mode()]));
  if (vmrOptions_->Mode() != vmrRenderless) return;
  if (!AllocatorFactory) throw EMediaGraphException("Allocator class not set.", E_FAIL);
  base::ComPtr<IVMRSurfaceAllocator9> allocator;
  const HRESULT hr = AllocatorFactory(Handle(), allocator.Receive());
  if (FAILED(hr) || !allocator) {
    throw EMediaGraphException("Error Creating Allocator", FAILED(hr) ? hr : E_POINTER);
  }
  allocator_ = allocator;
  base::ComPtr<IVMRSurfaceAllocatorNotify9> notify;
  renderer_.QueryInterface(IID_IVMRSurfaceAllocatorNotify9, &notify);
  if (notify) {
    notify->AdviseSurfaceAllocator(AllocatorUserId, allocator_.Get());
    allocator_->AdviseNotify(notify.Get());
  }
}

void TVideoWindow::AfterAddVmr() {
  base::ComPtr<IVMRFilterConfig9> config;
  CheckGraphResult(renderer_.QueryInterface(IID_IVMRFilterConfig9, &config));
  TVMROptions& options = *vmrOptions_;
  if (options.streams_ != 4 || (options.preferences_ & vpForceMixer)) {
    CheckGraphResult(config->SetNumberOfStreams(options.streams_));
    DWORD streams = 0;
    CheckGraphResult(config->GetNumberOfStreams(&streams));
    options.streams_ = streams;
  }
  switch (options.mode_) {
    case vmrWindowed:
      CheckGraphResult(renderer_.QueryInterface(IID_IVideoWindow, &videoWindow_));
      ApplyPreferences();
      break;
    case vmrWindowless:
      CheckGraphResult(renderer_.QueryInterface(IID_IVMRWindowlessControl9, &windowless_));
      CheckGraphResult(windowless_->SetVideoClippingWindow(Handle()));
      ApplyPreferences();
      Resized();
      break;
    case vmrRenderless:
      break;
  }
  ApplyAspectRatio();
}

void TVideoWindow::ApplyPreferences() {
  base::ComPtr<IVMRFilterConfig9> config;
  CheckGraphResult(renderer_.QueryInterface(IID_IVMRFilterConfig9, &config));
  TVMROptions& options = *vmrOptions_;
  const bool mixer = (options.preferences_ & vpForceMixer) != 0;
  CheckGraphResult(config->SetRenderingPrefs(options.preferences_ & ~uint32_t{vpForceMixer}));
  DWORD prefs = 0;
  CheckGraphResult(config->GetRenderingPrefs(&prefs));
  options.preferences_ = prefs | (mixer ? uint32_t{vpForceMixer} : 0u);
}

void TVideoWindow::ApplyAspectRatio() {
  const TVMRVideoMode mode = vmrOptions_->Mode();
  if (mode != vmrWindowed && mode != vmrWindowless) return;
  base::ComPtr<IVMRAspectRatioControl9> aspect;
  if (FAILED(QueryInterface(IID_IVMRAspectRatioControl9, aspect.ReceiveVoid())) || !aspect) {
    return;
  }
  CheckGraphResult(aspect->SetAspectRatioMode(vmrOptions_->KeepAspectRatio() ? 1 : 0));
}

void TVideoWindow::Resized() {
  if (mode_ == vmVMR && vmrOptions_->Mode() == vmrRenderless) return;
  if (windowless_) {
    RECT target = {0, 0, Width(), Height()};
    windowless_->SetVideoPosition(nullptr, &target);
    return;
  }
  if (videoWindow_ && !fullScreen_) {
    videoWindow_->SetWindowPosition(Left(), Top(), Width(), Height());
  }
}

void TVideoWindow::HandleControlCode(TControlCode code, long) {
  if (code != ccBeforeRun || !RendererConnected()) return;
  if (mode_ == vmNormal) {
    if (!videoWindow_) return;
    ApplyFullScreen();
    ApplyCaptionAndDrain();
  } else {
    ApplyFullScreen();
  }
}

void TVideoWindow::HandleGraphEvent(long event, LONG_PTR, LONG_PTR) {
  if (event == EC_PALETTE_CHANGED && videoWindow_) {
    ApplyFullScreen();
    ApplyCaptionAndDrain();
  } else if (event == EC_VMR_RENDERDEVICE_SET && vmrOptions_->Mode() == vmrWindowed &&
             videoWindow_) {
    ApplyCaptionAndDrain();
  }
}

bool TVideoWindow::HandleMessage(UINT msg, WPARAM, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      if (OnMouse) {
        POINT at = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        if (fullScreenActive_) GetCursorPos(&at);
        fw::GuardUiHandler(Handle(), "TVideoWindow mouse", [&] { OnMouse(this, msg, at); });
      }
      return false;
    default:
      break;
  }
  if (msg == WM_CONTEXTMENU && fullScreen_ && (OnPopup || PopupMenu)) {
    POINT at;
    GetCursorPos(&at);
    if (OnPopup) {
      fw::GuardUiHandler(Handle(), "TVideoWindow popup", [&] { OnPopup(this, at); });
    } else {
      TrackPopupMenu(PopupMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(),
                     nullptr);
    }
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace mediagraph
