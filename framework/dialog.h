// CDialog: a dialog from a template in the module's resources (in the language of the
// module's policy, resources.h), modal or modeless, with data exchange through
// DoDataExchange. Dialogs are Unicode windows, so their templates' texts show whatever the
// ANSI code page.
#pragma once

#include <windows.h>

#include "framework/data_exchange.h"
#include "framework/window.h"

namespace fw {

// Registers the common control classes (list view, up-down, IP address...) once, so
// templates that use them can be created.
void EnsureCommonControls();

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, HWND parent = nullptr);

  // Runs the dialog modally; the value given to EndDialog, or -1 when it could not start.
  INT_PTR DoModal();
  // Creates the dialog as a modeless window (child templates: a page inside a frame).
  bool CreateModeless(HWND parent);
  // Ends a modal run with `result`; destroys a modeless dialog.
  void EndDialog(INT_PTR result);

  // Fields to controls (false) or controls to fields with validation (true); false when a
  // check failed.
  bool UpdateData(bool saveAndValidate);

  // Centres the dialog on `on` (default: its owner; for a child, its parent's client area),
  // or, without one or when that is hidden or minimised, on the work area of its monitor;
  // either way it is kept inside that work area.
  void CenterWindow(HWND on = nullptr);

  UINT TemplateId() const { return templateId_; }
  HWND Item(int id) const { return GetDlgItem(GetSafeHwnd(), id); }

 protected:
  // Fields to controls; TRUE gives the focus to the first control.
  virtual BOOL OnInitDialog();
  // Validates and ends with IDOK; a failed check keeps the dialog open.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& dx);

  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

  // For dialog procedures of derived kinds (property pages): binds the window at
  // WM_INITDIALOG and turns a handled message into the dialog procedure's answer.
  void AttachAtInit(HWND window) { AttachDialog(window); }
  INT_PTR RunDialogMessage(UINT msg, WPARAM w, LPARAM l);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM w, LPARAM l);

  UINT templateId_;
  HWND parent_;
  bool modal_ = false;
};

}  // namespace fw
