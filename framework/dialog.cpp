#include "framework/dialog.h"

#include <commctrl.h>

#include "framework/modal_loop.h"
#include "framework/module.h"

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

}  // namespace

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR CDialog::DoModal() {
  if (GetSafeHwnd()) return -1;
  EnsureCommonControls();
  modal_ = true;
  ModalScope scope(parent_);
  const INT_PTR result =
      DialogBoxParamA(Module::Get().ResourceInstance(), MAKEINTRESOURCEA(templateId_), parent_,
                      &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return result;
}

bool CDialog::CreateModeless(HWND parent) {
  if (GetSafeHwnd()) return false;
  EnsureCommonControls();
  modal_ = false;
  parent_ = parent;
  HWND window = CreateDialogParamA(Module::Get().ResourceInstance(), MAKEINTRESOURCEA(templateId_),
                                   parent, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
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
