#include "framework/modal_loop.h"

#include "framework/ole_control.h"

namespace fw {

namespace {

COleControl* ControlOf(HWND owner) {
  for (HWND w = owner; w; w = GetParent(w)) {
    // A control of another thread is not this loop's: its frame lives in its own apartment.
    if (GetWindowThreadProcessId(w, nullptr) != GetCurrentThreadId()) break;
    if (auto* control = dynamic_cast<COleControl*>(CWnd::FromHandle(w))) return control;
    if (!(GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return COleControl::Running();
}

}  // namespace

ModalScope::ModalScope(COleControl* control) : control_(control) { Enter(); }

ModalScope::ModalScope(HWND owner) : control_(ControlOf(owner)), window_(owner) { Enter(); }

void ModalScope::Enter() {
  if (!control_) return;
  window_ = control_->GetSafeHwnd();
  control_->AddRef();
  control_->EnterModalLoop();
}

ModalScope::~ModalScope() {
  if (!control_) return;
  control_->LeaveModalLoop();
  control_->Release();
}

bool ModalScope::WindowAlive() const {
  if (!window_ || !IsWindow(window_)) return false;
  return !control_ || control_->GetSafeHwnd() == window_;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect) {
  ModalScope scope(owner);
  return ::TrackPopupMenu(menu, flags, x, y, 0, owner, rect);
}

}  // namespace fw
