// Modal loops run by a control: a dialog, a property sheet, a message box, a popup menu, the
// system's property frame, a message-pumping wait. The host may deactivate or release the
// control inside any of them (a timer, a posted message, a script), so each runs inside a
// ModalScope:
// - the control holds a reference on itself until the scope ends: its object, and the
//   objects it owns, outlive the loop;
// - the container hears of the loop: the outermost scope of a control calls its in-place
//   frame's EnableModeless(FALSE) and, when the control is the UI-active object, the
//   control's own IOleInPlaceActiveObject::EnableModeless(FALSE), as a host's own modal
//   dialog would; at its end, TRUE to the same frame, even if the control was deactivated
//   meanwhile;
// - afterwards WindowAlive() tells whether the control's window survived. Code that goes on
//   after a loop asks it (or GetSafeHwnd()) before it uses its window, its site or its
//   child windows; the object itself stays valid until the host call or window message
//   that ran the loop returns.
//
// CDialog::DoModal, CPropertySheet::DoModal, ShowMessageBox and TrackPopupMenu below open a
// scope of their own; a control opens one around them when it wants WindowAlive().
#pragma once

#include <windows.h>

namespace fw {

class COleControl;

class ModalScope {
 public:
  explicit ModalScope(COleControl* control);
  // For a loop whose windows `owner` owns: the control that is `owner` or has it among its
  // child windows on this thread; else the control whose host call or window message this
  // thread is running; else none.
  explicit ModalScope(HWND owner);
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope();

  COleControl* Control() const { return control_; }
  // The control's window of the start (without a control, `owner`) still exists.
  bool WindowAlive() const;

 private:
  void Enter();

  COleControl* control_ = nullptr;
  HWND window_ = nullptr;
};

// ::TrackPopupMenu inside a ModalScope for `owner`, which gets the menu's messages.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect = nullptr);

}  // namespace fw
