#include "sample_child.h"

#include "base/scoped_gdi.h"
#include "framework/message_table.h"
#include "framework/modal_loop.h"
#include "sample_lifetime.h"

namespace {
constexpr UINT kFirstCommand = 32768;
}  // namespace

CSampleChild::~CSampleChild() {
  if (IsDispatching()) ++sample_lifetime::deletedTooEarly;
}

bool CSampleChild::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  static constexpr fw::MessageEntry<CSampleChild> kMessages[] = {
      fw::OnMessage<&CSampleChild::OnRButtonDown>(WM_RBUTTONDOWN),
  };
  return fw::RouteMessage(*this, kMessages, msg, w, l, result) || CWnd::OnWndMsg(msg, w, l, result);
}

void CSampleChild::OnPaint() {
  base::ScopedPaint paint(GetSafeHwnd());
  if (!paint) return;
  base::ScopedBrush brush(CreateSolidBrush(RGB(0, 160, 0)));
  const RECT r = ClientRect();
  FillRect(paint.Get(), &r, brush.Get());
}

LRESULT CSampleChild::OnRButtonDown(WPARAM, LPARAM l) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return 0;
  AppendMenuA(menu, MF_STRING, kFirstCommand, "Open");
  AppendMenuA(menu, MF_STRING, kFirstCommand + 1, "Close");
  POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
  ClientToScreen(GetSafeHwnd(), &at);
  fw::TrackPopupMenu(menu, 0, at.x, at.y, GetParent(GetSafeHwnd()));
  DestroyMenu(menu);
  // The control may have deleted this window during the menu: the object waits for this
  // handler, its window is gone.
  return GetSafeHwnd() ? Default() : 0;
}
