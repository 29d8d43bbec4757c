// The camera window's mouse and keyboard: what it tells the control window, and its menu.
#include "framework/modal_loop.h"
#include "framework/module.h"
#include "liveview/notify/control_messages.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {
namespace {

// A mouse message's signed client coordinates.
int ClickX(LPARAM l) { return static_cast<short>(LOWORD(l)); }
int ClickY(LPARAM l) { return static_cast<short>(HIWORD(l)); }

// x << 16 plus y's low 16 bits, in client coordinates.
LPARAM PackClick(LPARAM l) {
  const int x = ClickX(l);
  const int y = ClickY(l);
  return static_cast<LPARAM>((static_cast<uint32_t>(x) << 16) +
                             (static_cast<uint32_t>(y) & 0xFFFF));
}

bool IsArrowOrDelete(WPARAM key) { return (key >= VK_LEFT && key <= VK_DOWN) || key == VK_DELETE; }

}  // namespace

LRESULT CWatchWnd::OnLButtonDblClk(WPARAM, LPARAM l) {
  fullWindow_ = fullWindow_ ? 0 : 1;
  const HWND parent = GetParent(GetSafeHwnd());
  SendMessageA(parent, WM_WATCH_SELECT, static_cast<WPARAM>(number_) + kSelectSentFlag,
               PackClick(l));
  SendMessageA(parent, WM_WATCH_FULLWINDOW, static_cast<WPARAM>(number_), fullWindow_);
  SetFocus(GetSafeHwnd());
  return Default();
}

LRESULT CWatchWnd::OnLButtonDown(WPARAM, LPARAM l) {
  selected_ = 1;
  PostMessageA(GetParent(GetSafeHwnd()), WM_WATCH_SELECT, static_cast<WPARAM>(number_),
               PackClick(l));
  SetFocus(GetSafeHwnd());
  return Default();
}

LRESULT CWatchWnd::OnRButtonDown(WPARAM, LPARAM l) {
  const HWND parent = GetParent(GetSafeHwnd());
  if (!selected_) {
    selected_ = 1;
    SendMessageA(parent, WM_WATCH_SELECT, static_cast<WPARAM>(number_) + kSelectSentFlag,
                 PackClick(l));
  }
  SetFocus(GetSafeHwnd());
  POINT at{ClickX(l), ClickY(l)};
  ClientToScreen(GetSafeHwnd(), &at);
  HMENU menu = LoadMenuA(fw::Module::Get().ResourceInstance(), MAKEINTRESOURCEA(IDR_WATCHWND_MENU));
  if (menu) {
    if (HMENU popup = GetSubMenu(menu, 0)) {
      // Modal until the user chooses or cancels; the control, as owner, gets the command.
      // Its host may release it meanwhile, and the control delete this window.
      fw::TrackPopupMenu(popup, 0, at.x, at.y, parent);
    }
  }
  const LRESULT result = GetSafeHwnd() ? Default() : 0;
  if (menu) DestroyMenu(menu);
  return result;
}

LRESULT CWatchWnd::OnKeyUp(WPARAM key, LPARAM) {
  const HWND parent = GetParent(GetSafeHwnd());
  if (IsArrowOrDelete(key)) {
    PostMessageA(parent, WM_WATCH_KEY, key, static_cast<LPARAM>(number_));
  }
  if (GetKeyState(VK_CONTROL) & 0x8000) {
    PostMessageA(parent, WM_WATCH_KEY, key, static_cast<LPARAM>(number_));
  }
  return Default();
}

LRESULT CWatchWnd::OnMouseTracking(WPARAM, LPARAM) { return 0; }

}  // namespace liveview
