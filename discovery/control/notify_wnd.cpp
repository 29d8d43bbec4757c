#include "discovery/control/notify_wnd.h"

namespace discovery {

bool CNotifyWnd::CreateHidden() {
  const RECT none{0, 0, 0, 0};
  return Create("", WS_CHILD, none, GetDesktopWindow(), kNotifyWndId);
}

LRESULT CNotifyWnd::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_CAMFOUND) {
    if (callback_) callback_(context_, CB_CAMFOUND, 0, 0);
    // The control may have gone with its window inside the callback (a host that dropped it
    // from the event); Default() then finds no window and does nothing.
    return Default();
  }
  return CStatic::WindowProc(msg, w, l);
}

void CNotifyWnd::OnTimer(UINT_PTR id) {
  if (id == IDT_SEARCH && callback_) {
    callback_(context_, CB_SEARCHTIMER, id, 0);
    return;
  }
  CStatic::OnTimer(id);
}

}  // namespace discovery
