// CWnd: a C++ object bound to one window. Every window it creates, on the framework's own
// classes or on system classes, is subclassed from its very first message, so the object
// sees WM_NCCREATE and WM_CREATE; messages reach the virtual handlers below or a message
// table (message_table.h) in an OnWndMsg override; Default() runs the class's own procedure.
//
// The object owns its window: destroying the object destroys the window. When the window
// goes first, the object is detached at WM_NCDESTROY and PostNcDestroy() runs.
//
// A handler may run a modal loop (a popup menu, a dialog) in which the window's owner
// deletes the object: owners hold their windows in a WndPtr, which destroys the window at
// once and deletes the object only when its own message handling has returned. After such
// a loop a handler finds GetSafeHwnd() null and returns without using its window.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

namespace fw {

// Window class with double clicks and no background brush, for plain child windows that
// paint themselves.
extern const char kDefaultChildClass[];

// Registers a class of that kind under `className` in this module (once is enough; an
// existing class counts as success). Callers keep the result in a static.
bool RegisterSelfPaintingClass(const char* className);

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  // A child of `parent` on the default child window class.
  bool CreateChild(HWND parent, UINT id, const char* windowName, DWORD style, const RECT& rect,
                   DWORD exStyle = 0);
  // Any class, framework or system ("STATIC", "BUTTON"...). `menuOrId` is the child id for
  // child windows.
  bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                const RECT& rect, HWND parent, UINT_PTR menuOrId);
  bool DestroyWindow();

  // The owner's delete (what WndPtr does): the window is destroyed now, its handlers seeing
  // WM_DESTROY; the object is deleted now too, or, while one of its messages is being
  // handled, when that handling returns. Not for objects that delete themselves in
  // PostNcDestroy.
  static void DeleteOwned(CWnd* window);

  HWND GetSafeHwnd() const { return hwnd_; }
  static CWnd* FromHandle(HWND window);

  // Thin conveniences over the window's handle; each is a no-op without a window.
  void Invalidate(bool erase = true);
  bool Show(int command);
  bool Move(const RECT& rect, bool repaint = true);
  RECT ClientRect() const;
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
  bool KillTimer(UINT_PTR id);
  bool Post(UINT msg, WPARAM w = 0, LPARAM l = 0) const;
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const;

  // The window procedure. The default asks OnWndMsg and falls back to Default().
  virtual LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l);

 protected:
  // Routes the message; true when handled, with the result in *result. The default sends
  // the common messages to the virtual handlers below; derived classes route their message
  // tables first and then call their base.
  virtual bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result);

  // Default processing of the message being handled: the window class's own procedure. In a
  // dialog it asks the dialog manager to run after the handler, and returns 0.
  LRESULT Default();
  // Default processing of any message.
  LRESULT CallDefault(UINT msg, WPARAM w, LPARAM l);

  virtual int OnCreate(CREATESTRUCTA* cs);
  virtual void OnDestroy();
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(HDC dc);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnTimer(UINT_PTR id);
  // WM_COMMAND and WM_NOTIFY not claimed by a table; true when handled.
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  // After the window is gone and the object detached.
  virtual void PostNcDestroy() {}

  // Binds an existing window (a property sheet's, say) by subclassing it.
  void SubclassWindow(HWND window);
  // Binds a window whose messages arrive through a dialog procedure (see CDialog).
  void AttachDialog(HWND window);
  // Runs one message through WindowProc with the bookkeeping that Default(), the message
  // tables and DeleteWhenIdle() rely on. *handled is false when Default() was asked for in
  // a dialog-procedure window.
  LRESULT Dispatch(UINT msg, WPARAM w, LPARAM l, bool* handled = nullptr);

  // Deletes the object now, or, while one of its messages is being handled, as soon as
  // that handling is done. For self-owned objects (reference-counted controls): a handler
  // may drop the last reference to its own object. PostNcDestroy must use this rather
  // than `delete this`.
  void DeleteWhenIdle();
  bool IsDispatching() const { return dispatchDepth_ > 0; }

 private:
  // One message being handled; they nest while handlers run modal loops.
  struct CurrentMessage {
    UINT msg = 0;
    WPARAM w = 0;
    LPARAM l = 0;
    bool defaultRequested = false;
    CurrentMessage* outer = nullptr;
    // The object was destroyed under the handler: nothing of it may be touched on the way out.
    bool objectGone = false;
  };

  static LRESULT CALLBACK SubclassProc(HWND window, UINT msg, WPARAM w, LPARAM l);
  static LRESULT CALLBACK CreationHook(int code, WPARAM w, LPARAM l);
  void Attach(HWND window);
  void Detach();

  HWND hwnd_ = nullptr;
  WNDPROC previousProc_ = nullptr;  // null for dialog-procedure windows
  bool dialogProc_ = false;
  CurrentMessage* current_ = nullptr;
  int dispatchDepth_ = 0;
  bool deletePending_ = false;
};

struct WndDeleter {
  void operator()(CWnd* window) const { CWnd::DeleteOwned(window); }
};

// A window object held by its owner (a control's child windows, say).
template <class T>
using WndPtr = std::unique_ptr<T, WndDeleter>;

template <class T, class... A>
WndPtr<T> MakeWnd(A&&... args) {
  return WndPtr<T>(new T(std::forward<A>(args)...));
}

}  // namespace fw
