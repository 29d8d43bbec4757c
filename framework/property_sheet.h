// Property sheets with pages (comctl32's PropertySheet), Unicode windows whose page
// templates and texts follow the module's resource language (resources.h). The sheet has
// the standard OK, Cancel and Apply buttons. OK and Apply run OnOK (through OnApply) of every
// page that has been shown at least once, since only shown pages exist; Cancel runs none. A
// page enables Apply with SetModified.
#pragma once

#include <windows.h>

#include <prsht.h>

#include <string>
#include <vector>

#include "framework/dialog.h"

namespace fw {

class CPropertyPage : public CDialog {
 public:
  // The caption comes from the template unless `captionId` names a string.
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);

  // Enables (or disables) the sheet's Apply button for this page.
  void SetModified(bool changed = true);
  // The sheet window while the page exists.
  HWND Sheet() const { return GetSafeHwnd() ? GetParent(GetSafeHwnd()) : nullptr; }

 protected:
  // Each time the page becomes current; FALSE refuses. The default refreshes the controls
  // from the fields after the first time.
  virtual BOOL OnSetActive();
  // Before another page becomes current and before OK; FALSE keeps this page. The default
  // validates (UpdateData(true)).
  virtual BOOL OnKillActive();
  // OK or Apply: the default does nothing.
  void OnOK() override;
  // Cancel: the default does nothing.
  void OnCancel() override;
  // OK or Apply; FALSE keeps the sheet open on this page. The default runs OnOK.
  virtual BOOL OnApply();

  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  friend class CPropertySheet;
  PROPSHEETPAGEW Describe();
  static INT_PTR CALLBACK PageProc(HWND window, UINT msg, WPARAM w, LPARAM l);

  UINT captionId_;
  std::wstring caption_;
  bool firstActivation_ = true;
};

class CPropertySheet {
 public:
  CPropertySheet(std::string caption, HWND parent, UINT startPage = 0);
  CPropertySheet(const CPropertySheet&) = delete;
  CPropertySheet& operator=(const CPropertySheet&) = delete;
  virtual ~CPropertySheet() = default;

  // Pages stay the caller's; they are shown in the order added.
  void AddPage(CPropertyPage* page) { pages_.push_back(page); }
  size_t PageCount() const { return pages_.size(); }
  // The page selected when the sheet opens; an index beyond the pages selects the first.
  void SetActivePage(UINT index) { startPage_ = index; }

  // IDOK or IDCANCEL when the sheet closes, -1 when it could not be shown.
  INT_PTR DoModal();
  // The sheet window while DoModal runs.
  HWND GetSafeHwnd() const { return hwnd_; }

 private:
  static int CALLBACK SheetCallback(HWND window, UINT msg, LPARAM l);

  std::string caption_;
  HWND parent_;
  UINT startPage_;
  std::vector<CPropertyPage*> pages_;
  HWND hwnd_ = nullptr;
};

}  // namespace fw
