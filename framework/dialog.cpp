#include "framework/dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/modal_loop.h"
#include "framework/module.h"
#include "framework/resources.h"

namespace fw {

void EnsureCommonControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_DATE_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

namespace {

// Messages whose answer is the dialog procedure's return value itself, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
  switch (msg) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

// `start` moved so that a window `size` long lies inside low..high where it can.
LONG KeepInside(LONG start, LONG size, LONG low, LONG high) {
  if (start + size > high) start = high - size;
  return std::max(start, low);
}

}  // namespace

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR CDialog::DoModal() {
  if (GetSafeHwnd()) return -1;
  EnsureCommonControls();
  modal_ = true;
  ModalScope scope(parent_);
  HINSTANCE instance = Module::Get().ResourceInstance();
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  const DLGTEMPLATE* fixed = FixedLanguageDialog(templateId_);
  const INT_PTR result =
      fixed ? DialogBoxIndirectParamW(instance, fixed, parent_, &CDialog::DialogProc, self)
            : DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId_), parent_,
                              &CDialog::DialogProc, self);
  modal_ = false;
  return result;
}

bool CDialog::CreateModeless(HWND parent) {
  if (GetSafeHwnd()) return false;
  EnsureCommonControls();
  modal_ = false;
  parent_ = parent;
  HINSTANCE instance = Module::Get().ResourceInstance();
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  const DLGTEMPLATE* fixed = FixedLanguageDialog(templateId_);
  HWND window =
      fixed ? CreateDialogIndirectParamW(instance, fixed, parent, &CDialog::DialogProc, self)
            : CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId_), parent,
                                 &CDialog::DialogProc, self);
  return window != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  if (!GetSafeHwnd()) return;
  if (modal_) {
    ::EndDialog(GetSafeHwnd(), result);
  } else {
    DestroyWindow();
  }
}

void CDialog::CenterWindow(HWND on) {
  HWND self = GetSafeHwnd();
  if (!self) return;
  RECT own{};
  GetWindowRect(self, &own);
  const LONG width = own.right - own.left, height = own.bottom - own.top;
  RECT area{}, bounds{};
  if (GetWindowLongPtrW(self, GWL_STYLE) & WS_CHILD) {
    // In the parent's client area, in the parent's coordinates.
    HWND parent = GetParent(self);
    if (!on) on = parent;
    GetClientRect(parent, &bounds);
    if (on == parent) {
      area = bounds;
    } else {
      GetWindowRect(on, &area);
      MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    }
  } else {
    if (!on) on = GetWindow(self, GW_OWNER);
    if (on && (!IsWindowVisible(on) || IsIconic(on))) on = nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(on ? on : self, MONITOR_DEFAULTTONEAREST), &monitor);
    bounds = monitor.rcWork;
    if (on) {
      GetWindowRect(on, &area);
    } else {
      area = bounds;
    }
  }
  const LONG x = KeepInside(area.left + (area.right - area.left - width) / 2, width,
                            bounds.left, bounds.right);
  const LONG y = KeepInside(area.top + (area.bottom - area.top - height) / 2, height,
                            bounds.top, bounds.bottom);
  SetWindowPos(self, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!GetSafeHwnd()) return false;
  DataExchange dx(GetSafeHwnd(), saveAndValidate);
  DoDataExchange(dx);
  return !dx.Failed();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(DataExchange&) {}

bool CDialog::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  if (msg == WM_INITDIALOG) {
    *result = OnInitDialog();
    return true;
  }
  if (msg == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
    if (LOWORD(w) == IDOK) {
      OnOK();
      *result = 0;
      return true;
    }
    if (LOWORD(w) == IDCANCEL) {
      OnCancel();
      *result = 0;
      return true;
    }
  }
  return CWnd::OnWndMsg(msg, w, l, result);
}

INT_PTR CDialog::RunDialogMessage(UINT msg, WPARAM w, LPARAM l) {
  HWND window = GetSafeHwnd();
  bool handled = false;
  const LRESULT result = Dispatch(msg, w, l, &handled);
  if (!handled) return FALSE;
  if (AnswersDirectly(msg)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  CDialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(l);
    if (self) self->AttachAtInit(window);
  } else {
    self = static_cast<CDialog*>(FromHandle(window));
  }
  return self ? self->RunDialogMessage(msg, w, l) : FALSE;
}

}  // namespace fw
