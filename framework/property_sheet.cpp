#include "framework/property_sheet.h"

#include <commctrl.h>

#include "framework/ansi_text.h"
#include "framework/modal_loop.h"
#include "framework/module.h"
#include "framework/resources.h"

namespace fw {

namespace {
// The sheet DoModal is running on this thread: the sheet callback carries no context.
thread_local CPropertySheet* t_running = nullptr;
}  // namespace

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId)
    : CDialog(templateId), captionId_(captionId) {}

void CPropertyPage::SetModified(bool changed) {
  HWND sheet = Sheet();
  if (!sheet) return;
  SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED,
               reinterpret_cast<WPARAM>(GetSafeHwnd()), 0);
}

BOOL CPropertyPage::OnSetActive() {
  if (firstActivation_) {
    firstActivation_ = false;
  } else {
    UpdateData(false);
  }
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(true) ? TRUE : FALSE; }
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

bool CPropertyPage::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  if (msg == WM_NOTIFY && l != 0) {
    const NMHDR* nm = reinterpret_cast<const NMHDR*>(l);
    if (nm->hwndFrom == Sheet()) {
      switch (nm->code) {
        case PSN_SETACTIVE:
          *result = OnSetActive() ? 0 : -1;
          return true;
        case PSN_KILLACTIVE:
          *result = OnKillActive() ? FALSE : TRUE;
          return true;
        case PSN_APPLY:
          *result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
          return true;
        case PSN_RESET:
          OnCancel();
          *result = 0;
          return true;
        default:
          break;
      }
    }
  }
  // The sheet owns OK and Cancel; a page never ends anything itself.
  if (msg == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) return false;
  return CDialog::OnWndMsg(msg, w, l, result);
}

PROPSHEETPAGEW CPropertyPage::Describe() {
  firstActivation_ = true;
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DEFAULT;
  page.hInstance = Module::Get().ResourceInstance();
  if (const DLGTEMPLATE* fixed = FixedLanguageDialog(TemplateId())) {
    page.dwFlags |= PSP_DLGINDIRECT;
    page.pResource = fixed;
  } else {
    page.pszTemplate = MAKEINTRESOURCEW(TemplateId());
  }
  page.pfnDlgProc = &CPropertyPage::PageProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  if (captionId_ != 0) {
    caption_ = LoadResStringW(captionId_);
    page.dwFlags |= PSP_USETITLE;
    page.pszTitle = caption_.c_str();
  }
  return page;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  CPropertyPage* self = nullptr;
  if (msg == WM_INITDIALOG) {
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(l);
    self = page ? reinterpret_cast<CPropertyPage*>(page->lParam) : nullptr;
    if (self) self->AttachAtInit(window);
  } else {
    self = static_cast<CPropertyPage*>(FromHandle(window));
  }
  return self ? self->RunDialogMessage(msg, w, l) : FALSE;
}

CPropertySheet::CPropertySheet(std::string caption, HWND parent, UINT startPage)
    : caption_(std::move(caption)), parent_(parent), startPage_(startPage) {}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT msg, LPARAM) {
  if (msg == PSCB_INITIALIZED && t_running) t_running->hwnd_ = window;
  return 0;
}

INT_PTR CPropertySheet::DoModal() {
  if (pages_.empty() || hwnd_) return -1;
  EnsureCommonControls();
  std::vector<PROPSHEETPAGEW> pages;
  for (CPropertyPage* p : pages_) pages.push_back(p->Describe());

  const std::wstring caption = AnsiToWide(caption_);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  header.hwndParent = parent_;
  header.hInstance = Module::Get().ResourceInstance();
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = startPage_ < pages.size() ? startPage_ : 0;
  header.ppsp = pages.data();
  header.pfnCallback = &CPropertySheet::SheetCallback;

  CPropertySheet* outer = t_running;
  t_running = this;
  INT_PTR result = -1;
  {
    ModalScope scope(parent_);
    result = PropertySheetW(&header);
  }
  t_running = outer;
  hwnd_ = nullptr;
  if (result < 0) return -1;
  // A modal sheet answers a positive value after OK and 0 after Cancel.
  return result > 0 ? IDOK : IDCANCEL;
}

}  // namespace fw
