// COleControl: the modal-loop protocol, the host's EnableModeless, and the reference a host
// call or window message holds.
#include "framework/exception_guard.h"
#include "framework/ole_control.h"

namespace fw {

namespace {
thread_local COleControl* t_running = nullptr;
}  // namespace

COleControl::RunningScope::RunningScope(COleControl* control)
    : control_(control), outer_(t_running) {
  control_->AddRef();
  t_running = control_;
}

COleControl::RunningScope::~RunningScope() {
  t_running = outer_;
  control_->Release();
}

COleControl* COleControl::Running() { return t_running; }

void COleControl::EnterModalLoop() {
  if (modalDepth_++ > 0) return;
  // The frame is kept: deactivation inside the loop drops frame_, and the frame must still
  // hear the loop's end.
  modalFrame_ = frame_;
  modalActiveObject_ = uiActive_;
  if (modalActiveObject_) EnableModeless(FALSE);
  if (modalFrame_) modalFrame_->EnableModeless(FALSE);
}

void COleControl::LeaveModalLoop() {
  if (modalDepth_ == 0 || --modalDepth_ > 0) return;
  if (base::ComPtr<IOleInPlaceFrame> frame = std::move(modalFrame_)) frame->EnableModeless(TRUE);
  if (std::exchange(modalActiveObject_, false)) EnableModeless(TRUE);
}

// Hosts disable modeless windows once per modal loop of theirs, and loops nest (a frame may
// also pass the control's own call back to it): only the first disable and the last
// enable reach the control.
HRESULT COleControl::EnableModeless(BOOL enable) {
  return GuardHResult("IOleInPlaceActiveObject::EnableModeless", [&]() -> HRESULT {
    if (!enable) {
      if (modelessOff_++ == 0) OnEnableModeless(false);
    } else if (modelessOff_ > 0 && --modelessOff_ == 0) {
      OnEnableModeless(true);
    }
    return S_OK;
  });
}

}  // namespace fw
