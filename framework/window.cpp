#include "framework/window.h"

#include <cstdio>
#include <string>
#include <utility>

#include "framework/exception_guard.h"
#include "framework/module.h"

namespace fw {

const char kDefaultChildClass[] = "FwWnd";

namespace {

extern "C" IMAGE_DOS_HEADER __ImageBase;

// The window property that points to the object. Each module linking the framework has its
// own copy of it, with its own name, so two copies never read each other's objects.
const char* ObjectProperty() {
  static const std::string name = [] {
    char text[40];
    std::snprintf(text, sizeof text, "fw.CWnd.%p", static_cast<void*>(&__ImageBase));
    return std::string(text);
  }();
  return name.c_str();
}

// The window a CreateEx on this thread is making, and its class; the CBT hook binds it
// at once. The class is compared because the system may make a window of its own first
// (the default IME window of a thread's first top-level window).
thread_local CWnd* t_creating = nullptr;
thread_local const char* t_creatingClass = nullptr;

bool IsClass(HWND window, const char* className) {
  if (!className || IS_INTRESOURCE(className)) return true;
  char actual[256] = {};
  GetClassNameA(window, actual, sizeof actual);
  return lstrcmpiA(actual, className) == 0;
}

bool EnsureDefaultChildClass() {
  static const bool registered = RegisterSelfPaintingClass(kDefaultChildClass);
  return registered;
}

}  // namespace

bool RegisterSelfPaintingClass(const char* className) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = Module::Get().Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

CWnd::~CWnd() {
  if (current_) {
    // A plain delete inside one of its own messages: the dispatch frames below must not
    // touch the freed object. Owners use WndPtr, which waits for them instead.
    for (CurrentMessage* m = current_; m; m = m->outer) m->objectGone = true;
    LogFailure("CWnd", "deleted while handling one of its own messages");
  }
  if (hwnd_) {
    HWND window = hwnd_;
    // The object is half destroyed: its overrides must not run for these last messages.
    Detach();
    ::DestroyWindow(window);
  }
}

CWnd* CWnd::FromHandle(HWND window) {
  return window ? static_cast<CWnd*>(GetPropA(window, ObjectProperty())) : nullptr;
}

bool CWnd::CreateChild(HWND parent, UINT id, const char* windowName, DWORD style, const RECT& rect,
                       DWORD exStyle) {
  if (!EnsureDefaultChildClass()) return false;
  return CreateEx(exStyle, kDefaultChildClass, windowName, style | WS_CHILD, rect, parent, id);
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR menuOrId) {
  if (hwnd_) return false;
  HHOOK hook = SetWindowsHookExA(WH_CBT, &CWnd::CreationHook, nullptr, GetCurrentThreadId());
  if (!hook) return false;
  CWnd* outer = t_creating;
  const char* outerClass = t_creatingClass;
  t_creating = this;
  t_creatingClass = className;
  HWND window =
      CreateWindowExA(exStyle, className, windowName, style, rect.left, rect.top,
                      rect.right - rect.left, rect.bottom - rect.top, parent,
                      reinterpret_cast<HMENU>(menuOrId), Module::Get().Instance(), nullptr);
  t_creating = outer;
  t_creatingClass = outerClass;
  UnhookWindowsHookEx(hook);
  // A WM_CREATE that failed destroys the window: the object was detached on the way.
  return window != nullptr && hwnd_ == window;
}

LRESULT CALLBACK CWnd::CreationHook(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_CREATEWND && t_creating && IsClass(reinterpret_cast<HWND>(w), t_creatingClass)) {
    CWnd* self = std::exchange(t_creating, nullptr);
    self->SubclassWindow(reinterpret_cast<HWND>(w));
  }
  return CallNextHookEx(nullptr, code, w, l);
}

void CWnd::SubclassWindow(HWND window) {
  Attach(window);
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
}

void CWnd::AttachDialog(HWND window) {
  Attach(window);
  dialogProc_ = true;
}

void CWnd::Attach(HWND window) {
  hwnd_ = window;
  SetPropA(window, ObjectProperty(), this);
}

void CWnd::Detach() {
  if (!hwnd_) return;
  if (previousProc_) {
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  }
  RemovePropA(hwnd_, ObjectProperty());
  hwnd_ = nullptr;
  previousProc_ = nullptr;
  dialogProc_ = false;
}

bool CWnd::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

void CWnd::DeleteOwned(CWnd* window) {
  if (!window) return;
  window->DestroyWindow();
  window->DeleteWhenIdle();
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  CWnd* self = FromHandle(window);
  if (!self) return DefWindowProcA(window, msg, w, l);
  return self->Dispatch(msg, w, l);
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM w, LPARAM l, bool* handled) {
  ++dispatchDepth_;
  CurrentMessage current{msg, w, l};
  current.outer = std::exchange(current_, &current);
  HWND window = hwnd_;
  const LRESULT result =
      GuardValue<LRESULT>("window procedure", 0, [&] { return WindowProc(msg, w, l); });
  if (handled) *handled = !current.defaultRequested;
  if (current.objectGone) return result;
  current_ = current.outer;
  if (msg == WM_NCDESTROY && hwnd_ == window) {
    Detach();
    PostNcDestroy();
  }
  if (--dispatchDepth_ == 0 && deletePending_) delete this;
  return result;
}

void CWnd::DeleteWhenIdle() {
  if (dispatchDepth_ > 0) {
    deletePending_ = true;
  } else {
    delete this;
  }
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (OnWndMsg(msg, w, l, &result)) return result;
  return Default();
}

LRESULT CWnd::CallDefault(UINT msg, WPARAM w, LPARAM l) {
  if (!hwnd_) return 0;
  if (dialogProc_) {
    if (current_ && current_->msg == msg) current_->defaultRequested = true;
    return 0;
  }
  if (previousProc_) return CallWindowProcA(previousProc_, hwnd_, msg, w, l);
  return DefWindowProcA(hwnd_, msg, w, l);
}

LRESULT CWnd::Default() {
  if (!current_) return 0;
  return CallDefault(current_->msg, current_->w, current_->l);
}

bool CWnd::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCTA*>(l));
      return true;
    case WM_DESTROY:
      OnDestroy();
      *result = 0;
      return true;
    case WM_PAINT:
      OnPaint();
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      *result = OnEraseBkgnd(reinterpret_cast<HDC>(w));
      return true;
    case WM_SIZE:
      OnSize(static_cast<UINT>(w), static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
      *result = 0;
      return true;
    case WM_TIMER:
      OnTimer(w);
      *result = 0;
      return true;
    case WM_COMMAND:
      if (OnCommand(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l))) {
        *result = 0;
        return true;
      }
      return false;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(l), result);
    default:
      return false;
  }
}

int CWnd::OnCreate(CREATESTRUCTA*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
bool CWnd::OnCommand(UINT, UINT, HWND) { return false; }
bool CWnd::OnNotify(NMHDR*, LRESULT*) { return false; }

void CWnd::Invalidate(bool erase) {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, erase);
}
bool CWnd::Show(int command) { return hwnd_ && ShowWindow(hwnd_, command); }
bool CWnd::Move(const RECT& r, bool repaint) {
  return hwnd_ && MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
}
RECT CWnd::ClientRect() const {
  RECT r{};
  if (hwnd_) GetClientRect(hwnd_, &r);
  return r;
}
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs) {
  return hwnd_ ? ::SetTimer(hwnd_, id, elapseMs, nullptr) : 0;
}
bool CWnd::KillTimer(UINT_PTR id) { return hwnd_ && ::KillTimer(hwnd_, id); }
bool CWnd::Post(UINT msg, WPARAM w, LPARAM l) const {
  return hwnd_ && PostMessageA(hwnd_, msg, w, l);
}
LRESULT CWnd::Send(UINT msg, WPARAM w, LPARAM l) const {
  return hwnd_ ? SendMessageA(hwnd_, msg, w, l) : 0;
}

}  // namespace fw
